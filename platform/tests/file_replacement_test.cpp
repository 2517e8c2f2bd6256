// platform::FileReplacement: a file written in pieces appears whole at commit and not
// before; one left unfinished or failed leaves the old file and nothing beside it.
#include "platform/file_replacement.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/tests/temp_folder.hpp"

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::testing::TempFolder;

std::vector<std::string> Entries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FileReplacement, PiecesAppearWholeOnlyAtCommit) {
  TempFolder temp;
  const std::string path = temp.File("out.bin");
  ASSERT_TRUE(WriteWholeFile(path, Bytes{7, 7}));

  FileReplacement file;
  ASSERT_TRUE(file.Open(path));
  ASSERT_TRUE(file.Write(Bytes{1, 2, 3}));
  ASSERT_TRUE(file.Write(Bytes{}));
  ASSERT_TRUE(file.Write(Bytes(5000, 4)));
  EXPECT_EQ(ReadWholeFile(path), (Bytes{7, 7}));  // the old file until the commit
  ASSERT_TRUE(file.Commit());

  Bytes expected{1, 2, 3};
  expected.resize(5003, 4);
  EXPECT_EQ(ReadWholeFile(path), expected);
  EXPECT_EQ(Entries(temp.Path()), std::vector<std::string>{"out.bin"});
  EXPECT_FALSE(file.Commit());  // once only
}

TEST(FileReplacement, AnUnfinishedReplacementLeavesTheOldFile) {
  TempFolder temp;
  const std::string path = temp.File("keep.bin");
  ASSERT_TRUE(WriteWholeFile(path, Bytes{9, 8}));
  {
    FileReplacement file;
    ASSERT_TRUE(file.Open(path));
    ASSERT_TRUE(file.Write(Bytes(100, 1)));
    EXPECT_EQ(Entries(temp.Path()).size(), 2u);  // the new file is being written beside
  }
  EXPECT_EQ(ReadWholeFile(path), (Bytes{9, 8}));
  EXPECT_EQ(Entries(temp.Path()), std::vector<std::string>{"keep.bin"});

  FileReplacement unopened;
  EXPECT_FALSE(unopened.Write(Bytes{1}));
  EXPECT_FALSE(unopened.Commit());
  FileReplacement nowhere;
  EXPECT_FALSE(nowhere.Open(temp.File("missing/out.bin")));
}

}  // namespace
}  // namespace platform
