// The window's own writers (the saved log, JPEG pictures, the R view's expression file) on
// a full disk and in a read-only folder: each says why (a red line naming the file with the
// system's reason, or the system's error number for the caller's message) and the file of
// its earlier run stays byte for byte as it was. The libraries' writers are in the loop over
// every writer (fuzz/tests).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "platform/byte_reader.hpp"
#include "platform/system_error.hpp"
#include "platform/tests/failing_writes.hpp"
#include "shell/main_frame.hpp"
#include "shell/services/jpeg_file.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/frame/analysis_view.hpp"
#include "shell/views/r/r_view_text.hpp"

namespace {

using ShellWriterFaults = ShellTest;

enum class Says { kRedLine, kErrorNumber };

struct Writer {
  const char* name;
  const char* file;
  Says says;
  // Writes path, its lines going to log; whether it did, with the system's error number in
  // error for kErrorNumber.
  std::function<bool(const std::string& path, int& error, const CapturedLog& log)> write;
};

TEST_F(ShellWriterFaults, EveryWriterOfTheWindowSaysWhyAndKeepsItsEarlierFile) {
  CMainFrame& frame = OpenFrame();
  LogMessage("{A line for the log to hold}");
  const std::vector<std::uint8_t> pixels(4 * 3 * 3, 128);
  const std::vector<Writer> writers = {
      {"saved log", "log.doc", Says::kRedLine,
       [&](const std::string& path, int&, const CapturedLog& log) {
         prompts.fileAnswers.push_back(path);
         frame.AnalysisView().OnFileSaveAs();
         return log.Contains("Analysis log saved in " + path, kLogBlue);
       }},
      {"JPEG picture", "picture.jpg", Says::kErrorNumber,
       [&](const std::string& path, int& error, const CapturedLog&) {
         errno = 0;
         const bool written = WriteJpegFile(path, pixels.data(), 4, 3, true, 90);
         error = written ? 0 : errno;
         return written;
       }},
      {"R view's expression file", "expression_R.txt", Says::kErrorNumber,
       [](const std::string& path, int& error, const CapturedLog&) {
         return WriteExpressionFile(path, &error);
       }},
  };
  for (const Writer& writer : writers) {
    SCOPED_TRACE(writer.name);
    const std::string path = File(writer.file);
    int error = 0;
    {
      const CapturedLog log;
      ASSERT_TRUE(writer.write(path, error, log));
    }
    const std::optional<std::vector<std::uint8_t>> earlier = platform::ReadWholeFile(path);
    ASSERT_TRUE(earlier && !earlier->empty());
    for (const platform::testing::WriteFailureCase& failure :
         platform::testing::kWriteFailureCases) {
      SCOPED_TRACE(failure.what);
      const CapturedLog log;
      error = 0;
      bool written = true;
      {
        const platform::testing::FailingWrites failing(failure);
        written = writer.write(path, error, log);
      }
      EXPECT_FALSE(written);
      const std::string reason = "(" + platform::SystemErrorText(failure.error) + ")";
      if (writer.says == Says::kErrorNumber) {
        EXPECT_EQ(error, failure.error) << platform::SystemErrorText(error);
      } else {
        bool named = false;
        for (const CapturedLine& line : log.Lines())
          named = named || (line.colour == kLogRed && line.text.find(path) != std::string::npos &&
                            line.text.find(reason) != std::string::npos);
        EXPECT_TRUE(named) << "no red line names " << path << " with " << reason;
      }
      EXPECT_EQ(platform::ReadWholeFile(path), earlier);
    }
  }
}

}  // namespace
