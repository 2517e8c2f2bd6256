// The MAC reader: the load file typed from the protocol file's layout, a fresh file per
// run, and the failures it logs.
#include "installer/steps/mac_reader.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/tests/log_lines.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/path.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/libgen/mac_file.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;

class MacReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mReader.outputFile = mTemp.File("mac.txt");
    mReader.logPath = mTemp.File("install.log");
    mReader.protocolName = "WashA";
    mReader.macPath = mTemp.Write("WashA.MAC", libgen::MacText(libgen::StandardMac()));
  }
  std::string Output() const { return ReadWholeFile(mTemp.File("mac.txt")); }

  platform::testing::TempFolder mTemp;
  MacReader mReader;
};

TEST_F(MacReaderTest, VariablesGiveTheirSecondPieceTrimmed) {
  // "var:" in lower case is no variable; a third piece is dropped; an empty value stays.
  ASSERT_EQ(mReader.RunMacRead(), 0);
  EXPECT_EQ(Output(), "WashA;25\nWashA;10\nWashA;35\nWashA;\n");
  EXPECT_EQ(mReader.recordCount, 4);

  // Each run starts from an empty file.
  mReader.protocolName = "Plain";
  mReader.macPath = mTemp.Write("Plain.MAC", "; nothing\nVAR:NoComma\nSTEP 1\n");
  ASSERT_EQ(mReader.RunMacRead(), 0);
  EXPECT_EQ(Output(), "Plain;\n");
  EXPECT_EQ(mReader.recordCount, 1);
  mReader.macPath = mTemp.Write("Plain.MAC", "; no variables\n");
  ASSERT_EQ(mReader.RunMacRead(), 0);
  EXPECT_EQ(Output(), "");
  EXPECT_EQ(mReader.recordCount, 0);
}

TEST_F(MacReaderTest, LongLineIsOneLine) {
  // The old reading cut lines at 1023 characters, so a "VAR:" at that place of a long line
  // passed for a variable of its own.
  std::string line = "VAR:Long,v,";
  line += std::string(1023 - line.size(), 'x');
  line += "VAR:Fake,9";
  mReader.macPath = mTemp.Write("Long.MAC", line + "\r\nVAR:Next,3\r\n");
  ASSERT_EQ(mReader.RunMacRead(), 0);
  EXPECT_EQ(Output(), "WashA;v\nWashA;3\n");
}

TEST_F(MacReaderTest, FailuresAreLoggedAndLeaveNoRecords) {
  mReader.macPath = mTemp.File("Missing.MAC");
  EXPECT_EQ(mReader.RunMacRead(), kMacReadFailed);
  mReader.macPath = mTemp.Write("Semi.MAC", "VAR:A,1\nVAR:B,x;y\n");
  EXPECT_EQ(mReader.RunMacRead(), kMacReadFailed);
  EXPECT_FALSE(platform::FileExists(mTemp.File("mac.txt")));
  EXPECT_EQ(mReader.recordCount, 0);
  mReader.outputFile = mTemp.File("no/folder/mac.txt");
  EXPECT_EQ(mReader.RunMacRead(), kWriteIntermediateFilesFailed);
  EXPECT_EQ(LogMessages(mTemp.File("install.log")),
            (std::vector<std::string>{"ERROR: " + mTemp.File("Missing.MAC") + " file not found.",
                                      "ERROR: The value 'x;y' of " + mTemp.File("Semi.MAC") +
                                          " holds the load file's separator ';'.",
                                      "ERROR: Failed to write the intermediate files. " +
                                          mReader.outputFile + ": No such file or directory."}));
}

TEST(MacReaderFuzz, EntryTakesTruncatedAndFlippedFiles) {
  const std::string text = libgen::MacText(libgen::StandardMac());
  const auto run = [](const std::string& bytes) {
    return FuzzReadMac(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  };
  EXPECT_EQ(run(text), 4u);
  for (std::size_t at = 0; at < text.size(); ++at) {
    EXPECT_LE(run(text.substr(0, at)), 4u);
    for (const char flip : {'\0', '\n', ',', ';', '\xFF'}) {
      std::string changed = text;
      changed[at] = flip;
      EXPECT_LE(run(changed), 5u);
    }
  }
}

}  // namespace
}  // namespace quellbrook
