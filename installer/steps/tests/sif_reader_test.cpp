// The SIF reader: the load file typed from the sequence file's layout, its warnings for
// sequences it can't install, and the failures it logs.
#include "installer/steps/sif_reader.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/tests/log_lines.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/path.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/sif_file.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;

class SifReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mReader.sourceFolder = mTemp.File("source");
    mReader.typeName = "Chip_A";
    mReader.typeFolder = "ChipA_Files";
    mReader.outputFile = mTemp.File("sif.txt");
    mReader.logPath = mTemp.File("install.log");
  }
  std::string SifPath() const {
    return platform::JoinPath(mTemp.File("source"), "ChipA_Files/LibFiles/Chip_A.SIF");
  }
  void WriteSif(const std::string& text) { ASSERT_TRUE(libgen::WriteTextFile(SifPath(), text)); }
  std::string Output() const { return ReadWholeFile(mTemp.File("sif.txt")); }
  std::vector<std::string> Log() const { return LogMessages(mTemp.File("install.log")); }

  platform::testing::TempFolder mTemp;
  SifReader mReader;
};

TEST_F(SifReaderTest, BodyAfterTheSemicolonLineGivesTheTypedRecords) {
  const std::string limit(8000, 'A');
  WriteSif(
      "Header\r\n>0_at\r\nSKIPPED\r\n  ; end of header\r\n"
      ">  100_at\r\n ACGT \r\njunk line\r\n\r\n"
      "  >101_at\r\n" +
      limit +
      "\r\n"
      ">102_at\r\n" +
      limit +
      "C\r\n"
      ">103_at\r\n   \r\n"
      ">104_at\r\n");
  ASSERT_EQ(mReader.RunSifRead(), 0);
  EXPECT_EQ(mReader.sifPath, SifPath());
  EXPECT_EQ(Output(), "Chip_A;  100_at;ACGT\nChip_A;101_at;" + limit + "\n");
  EXPECT_EQ(mReader.recordCount, 2);
  EXPECT_EQ(mReader.warningFlag, 1);
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "WARNING: Cannot install sequence for probe set 102_at for Chip_A.  The "
                       "sequence length is longer than 8000.",
                       "WARNING: Cannot install sequence for probe set 103_at for Chip_A.  The "
                       "sequence is empty."}));

  // Each run starts from an empty file; no ';' line means no body.
  WriteSif(">100_at\nACGT\n");
  ASSERT_EQ(mReader.RunSifRead(), 0);
  EXPECT_EQ(Output(), "");
  EXPECT_EQ(mReader.recordCount, 0);
}

TEST_F(SifReaderTest, LongSequenceLineIsOneLine) {
  // A '>' past the old 10000-byte line buffer made a name line out of a sequence's tail.
  std::string sequence(10005, 'G');
  sequence += ">fake";
  WriteSif(";\n>100_at\n" + sequence + "\n>101_at\nTTTT\n");
  ASSERT_EQ(mReader.RunSifRead(), 0);
  EXPECT_EQ(Output(), "Chip_A;101_at;TTTT\n");
  EXPECT_EQ(mReader.warningFlag, 1);
}

TEST_F(SifReaderTest, GeneratedFileGivesItsTruth) {
  const libgen::SifFile sif = libgen::StandardSif(50, 5);
  WriteSif(libgen::SifText(sif));
  ASSERT_EQ(mReader.RunSifRead(), 0);
  std::string expected;
  for (const libgen::SifProbeSet& probeSet : sif.probeSets)
    expected += "Chip_A;" + probeSet.name + ";" + probeSet.sequence + "\n";
  EXPECT_EQ(Output(), expected);
  EXPECT_EQ(mReader.recordCount, 50);
  EXPECT_EQ(mReader.warningFlag, 0);
}

TEST_F(SifReaderTest, FailuresAreLoggedAndLeaveNoRecords) {
  EXPECT_EQ(mReader.RunSifRead(), kSifReadFailed);
  WriteSif(";\n>1_at\nACGT\n>2;at\nACGT\n");
  EXPECT_EQ(mReader.RunSifRead(), kSifReadFailed);
  EXPECT_FALSE(platform::FileExists(mTemp.File("sif.txt")));
  EXPECT_EQ(mReader.recordCount, 0);
  mReader.typeFolder = "..";
  EXPECT_EQ(mReader.RunSifRead(), kSifReadFailed);
  mReader.typeFolder = "ChipA_Files";
  mReader.outputFile = mTemp.File("no/folder/sif.txt");
  EXPECT_EQ(mReader.RunSifRead(), kWriteIntermediateFilesFailed);
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "ERROR: " + SifPath() + " file not found.",
                       "ERROR: The probe set '2;at' of " + SifPath() +
                           " holds the load file's separator ';'.",
                       "ERROR: The array type 'Chip_A' or its folder '..' leaves the library "
                       "folder.",
                       "ERROR: Failed to write the intermediate files. " + mReader.outputFile +
                           ": No such file or directory."}));
}

TEST(SifReaderFuzz, EntryTakesTruncatedAndFlippedFiles) {
  const std::string text = libgen::SifText(libgen::StandardSif(10, 4));
  const auto run = [](const std::string& bytes) {
    return FuzzReadSif(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  };
  EXPECT_EQ(run(text), 10u);
  for (std::size_t at = 0; at < text.size(); at += 3) {
    EXPECT_LE(run(text.substr(0, at)), 10u);
    for (const char flip : {'\0', '\n', '>', ';', '\xFF'}) {
      std::string changed = text;
      changed[at] = flip;
      EXPECT_LE(run(changed), 11u);
    }
  }
}

}  // namespace
}  // namespace quellbrook
