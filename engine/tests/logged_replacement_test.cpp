// The logged replacement of a whole file and the gathered text written into it: the file is
// replaced only when everything was written, and a failure is said once, in red, with the
// system's reason.
#include "engine/services/logged_replacement.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/testing/captured_log.hpp"
#include "platform/tests/failing_writes.hpp"
#include "platform/tests/temp_folder.hpp"
#include "platform/write_fault.hpp"

namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lines enough for a little over two pieces, so that a table goes out in three writes.
std::string LongTable() {
  std::string text;
  for (int row = 0; text.size() < 2 * GatheredText::kPieceSize + 1000; ++row)
    text += "probe set " + std::to_string(row) + "\t" + std::to_string(row * 0.25) + "\n";
  return text;
}

// Writes the table a line at a time through gathered text, as the data exports do.
bool WriteByLines(platform::FileReplacement& file, const std::string& table) {
  GatheredText out(file);
  std::size_t start = 0;
  while (start < table.size()) {
    const std::size_t end = table.find('\n', start) + 1;
    out.Text().append(table, start, end - start);
    if (!out.WriteFull()) return false;
    start = end;
  }
  return out.WriteAll();
}

TEST(LoggedReplacement, ReplacesTheFileWholeOrSaysWhyAndLeavesItAsItWas) {
  platform::testing::TempFolder folder;
  const std::string table = LongTable();
  for (const bool byLines : {false, true}) {
    const std::string path = folder.Write(byLines ? "lines.txt" : "whole.txt", "old\n");
    const std::string failed = "  Writing '" + path + "' failed\n";
    const auto replace = [&] {
      if (!byLines) return ReplaceFileTextOrLog(path, failed, table);
      return ReplaceFileOrLog(path, failed, [&table](platform::FileReplacement& file) {
        return WriteByLines(file, table);
      });
    };
    for (const platform::testing::WriteFailureCase& failure :
         platform::testing::kWriteFailureCases) {
      SCOPED_TRACE(std::string(failure.what) + (byLines ? ", by lines" : ", whole"));
      CapturedLog log;
      {
        platform::testing::FailingWrites failing(failure);
        EXPECT_FALSE(replace());
      }
      EXPECT_EQ(FileText(path), "old\n");
      ASSERT_EQ(log.Lines().size(), 1u);
      EXPECT_EQ(log.Lines()[0].colour, kLogRed);
      EXPECT_EQ(log.Lines()[0].text,
                "  Writing '" + path + "' failed (" + std::strerror(failure.error) + ")\n");
    }
    CapturedLog log;
    EXPECT_TRUE(replace());
    EXPECT_EQ(FileText(path), table);
    EXPECT_TRUE(log.Lines().empty());
  }
}

TEST(LoggedReplacement, AWriterThatGivesUpLeavesTheFileAndIsSaidWithoutAReason) {
  platform::testing::TempFolder folder;
  const std::string path = folder.Write("kept.txt", "old\n");
  CapturedLog log;
  EXPECT_FALSE(ReplaceFileOrLog(path, "  Stopped", [](platform::FileReplacement& file) {
    EXPECT_TRUE(WriteFileText(file, "half a table\n"));
    return false;
  }));
  EXPECT_EQ(FileText(path), "old\n");
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0].text, "  Stopped");
  EXPECT_EQ(log.Lines()[0].colour, kLogRed);
}

// Fails the second write to the disk, counting writes from the last reset.
int gWrites = 0;
int FailSecondWrite(platform::WriteStep step, const std::string&) {
  return step == platform::WriteStep::kWrite && ++gWrites == 2 ? ENOSPC : 0;
}

TEST(GatheredText, WritesWholePiecesAndStopsAtTheFirstFailedOne) {
  platform::testing::TempFolder folder;
  const std::string path = folder.Write("pieces.txt", "old\n");
  gWrites = 0;
  platform::SetWriteFault(FailSecondWrite);
  platform::FileReplacement file;
  ASSERT_TRUE(file.Open(path));
  GatheredText out(file);
  out.Text().assign(GatheredText::kPieceSize - 1, 'a');
  EXPECT_TRUE(out.WriteFull());
  EXPECT_EQ(gWrites, 0) << "less than a piece stays gathered";
  out.Text() += 'a';
  EXPECT_TRUE(out.WriteFull());
  EXPECT_EQ(gWrites, 1);
  EXPECT_TRUE(out.Text().empty());
  out.Text().assign(GatheredText::kPieceSize, 'b');
  EXPECT_FALSE(out.WriteFull());
  EXPECT_FALSE(out.Ok());
  EXPECT_EQ(file.Error(), ENOSPC);
  // A failure stays: nothing more goes to the file, however little is gathered.
  out.Text() = "c";
  EXPECT_FALSE(out.WriteFull());
  EXPECT_FALSE(out.WriteAll());
  EXPECT_EQ(gWrites, 2);
  platform::SetWriteFault(nullptr);
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(FileText(path), "old\n");
}

}  // namespace
