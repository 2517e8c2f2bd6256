// The database tools' writers (the bulk loader's log and bad files) on a full disk and in a
// read-only folder: each gives the system's error number, which the tool words with the
// file's name, and the file of an earlier run stays byte for byte as it was, with nothing
// left beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/system_error.hpp"
#include "platform/tests/failing_writes.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/dbtools/tool_arguments.hpp"

namespace {

TEST(DbtoolsWriterFaults, EveryToolFileSaysWhyItCannotBeWrittenAndKeepsTheEarlierOne) {
  const platform::testing::TempFolder temp;
  for (const char* name : {"load.log", "load.bad"}) {
    SCOPED_TRACE(name);
    const std::string path = temp.File(name);
    ASSERT_EQ(dbtools::WriteToolFile(path, "Record 1: Rejected\n"), 0);
    const std::optional<std::vector<std::uint8_t>> earlier = platform::ReadWholeFile(path);
    ASSERT_TRUE(earlier && !earlier->empty());
    for (const platform::testing::WriteFailureCase& failure :
         platform::testing::kWriteFailureCases) {
      SCOPED_TRACE(failure.what);
      int error = 0;
      {
        const platform::testing::FailingWrites failing(failure);
        error = dbtools::WriteToolFile(path, "Record 2: Rejected\n");
      }
      EXPECT_EQ(error, failure.error) << platform::SystemErrorText(error);
      EXPECT_EQ(platform::ReadWholeFile(path), earlier);
    }
  }
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(temp.Path()))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"load.bad", "load.log"}));
}

}  // namespace
