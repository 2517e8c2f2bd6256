// The GIN reader: its three load files checked against texts typed from the file layout
// for small files of both versions, its counts against a generated library's truth, and
// the values it refuses.
#include "installer/steps/gin_reader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>

#include "installer/framework/tests/log_lines.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/path.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/libgen/gin_file.hpp"
#include "tools/libgen/library_folder.hpp"

namespace quellbrook {
namespace {

using testing::ReadWholeFile;

class GinReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mReader.sourceFolder = mTemp.File("source");
    mReader.typeName = "Chip_A";
    mReader.typeFolder = "ChipA_Files";
    mReader.urlFile = mTemp.File("gin.krx");
    mReader.headerFile = mTemp.File("gin.hdr");
    mReader.descriptionFile = mTemp.File("gin.des");
  }
  std::string GinPath() const {
    return platform::JoinPath(mTemp.File("source"), "ChipA_Files/LibFiles/Chip_A.GIN");
  }
  void WriteGin(const std::string& text) { ASSERT_TRUE(libgen::WriteTextFile(GinPath(), text)); }
  std::string Urls() const { return ReadWholeFile(mTemp.File("gin.krx")); }
  std::string Headers() const { return ReadWholeFile(mTemp.File("gin.hdr")); }
  std::string Descriptions() const { return ReadWholeFile(mTemp.File("gin.des")); }

  platform::testing::TempFolder mTemp;
  GinReader mReader;
};

TEST_F(GinReaderTest, VersionTwoFileGivesTheTypedRecords) {
  WriteGin(
      "Version=2\r\nDate=1\r\nURLCount= 3\r\n"
      "GenBank; http://g/?id= ;acc\r\n"
      "RefSeq;http://r/\r\n"
      "Multi;a, B ;C\r\n"
      "Index\tIdentifier\tIdentifier Source\tProbe Set Name\tDescription\tGroup\tSequence "
      "Type\tK1\tK2\tK3\tK4\tK5\tK6\tK7\tK8\tK9\tK10\r\n"
      "\r\n"
      "0\tNM_1\tRefSeq\t100_at\tkinase\t1\tConsensus\tterm a\t\tterm c\r\n"
      "1\tNM_2\tGenBank\t101_at\tnone\t2\tExemplar\r\n");
  ASSERT_EQ(mReader.RunGinRead(), 0);
  EXPECT_EQ(mReader.version, 2);
  EXPECT_EQ(mReader.ginPath, GinPath());
  EXPECT_EQ(Urls(),
            "Chip_A;GenBank;http://g/?id=;acc\n"
            "Chip_A;RefSeq;http://r/;\n"
            "Chip_A;a;B;C\n");
  EXPECT_EQ(Headers(),
            "Chip Type;Index;Identifier;Identifier Source;Probe Set Name;Description;Group;"
            "Sequence Type;K1;K2;K3;K4;K5;K6;K7;K8;K9;K10\n");
  EXPECT_EQ(Descriptions(),
            "Chip_A\t0\tNM_1\tRefSeq\t100_at\tkinase\t1\tConsensus\tK1\tterm a\n"
            "Chip_A\t0\tNM_1\tRefSeq\t100_at\tkinase\t1\tConsensus\tK3\tterm c\n"
            "Chip_A\t1\tNM_2\tGenBank\t101_at\tnone\t2\tExemplar\t\t\n");
  EXPECT_EQ(mReader.rowCount, 2);
  EXPECT_EQ(mReader.urlCount, 3);
  EXPECT_EQ(mReader.headerCount, 1);
  EXPECT_EQ(mReader.headerLineSeen, 1);
  EXPECT_EQ(mReader.descriptionCount, 3);
  EXPECT_EQ(mReader.populatedDescriptionCount, 2);
}

TEST_F(GinReaderTest, VersionOneFileTakesItsSourceAndTitlesFromWhereItHasThem) {
  // Rows before the "Index" line keep the default classification titles.
  WriteGin(
      "version=2\r\nSource=UniGene\r\nLink = http://u/ \r\n"
      "5\tHs.1\t200_at\tdesc\tg\tst\tx1\r\n"
      "Index\tIdentifier\tProbe Set Name\tDescription\tGroup\tSequence Type\tK1\tK2\r\n"
      "6\tHs.2\t201_at\td2\tg\tst\t\ty2\r\n");
  ASSERT_EQ(mReader.RunGinRead(), 0);
  EXPECT_EQ(mReader.version, 1);
  EXPECT_EQ(Urls(), "Chip_A;UniGene;UniGene;http://u/\n");
  EXPECT_EQ(Headers(),
            "Chip Type;Index;Identifier;;Probe Set Name;Description;Group;Sequence Type;K1;K2;;;;"
            ";;;;\n");
  EXPECT_EQ(Descriptions(),
            "Chip_A\t5\tHs.1\tUniGene\t200_at\tdesc\tg\tst\tClassification 1\tx1\n"
            "Chip_A\t6\tHs.2\tUniGene\t201_at\td2\tg\tst\t\t\n"
            "Chip_A\t6\tHs.2\tUniGene\t201_at\td2\tg\tst\tK2\ty2\n");
  EXPECT_EQ(mReader.urlCount, 1);
  EXPECT_EQ(mReader.headerCount, 1);
  EXPECT_EQ(mReader.descriptionCount, 3);
  EXPECT_EQ(mReader.populatedDescriptionCount, 2);

  // Without an "Index" line the default titles follow the rows.
  WriteGin("GIN\r\nSource=UniGene\r\nLink=http://u/\r\n5\tHs.1\t200_at\r\n");
  std::filesystem::remove(mTemp.File("gin.hdr"));
  ASSERT_EQ(mReader.RunGinRead(), 0);
  EXPECT_EQ(mReader.headerLineSeen, 0);
  EXPECT_EQ(Headers(),
            "Chip Type;Index;Identifier;Identifier Source;Probe Set Name;Description;Group;"
            "Sequence Type;Classification 1;Classification 2;Classification 3;Classification "
            "4;Classification 5;Classification 6;Classification 7;Classification 8;"
            "Classification 9;Classification 10\n");
}

TEST_F(GinReaderTest, VersionLineIsComparedExactly) {
  const std::string path = mTemp.Write("v.gin", "Version= 2 \nx\nURLs=7\n");
  EXPECT_EQ(GinReader::GetGinVersion(path), 2);
  EXPECT_EQ(GinReader::ReadUrlCount(path), 7);
  EXPECT_EQ(GinReader::GetGinVersion(mTemp.Write("w.gin", "Version =2\n")), 1);
  EXPECT_EQ(GinReader::GetGinVersion(mTemp.Write("x.gin", "Version=2.0\n")), 1);
  EXPECT_EQ(GinReader::GetGinVersion(mTemp.File("none.gin")), 1);
}

TEST_F(GinReaderTest, LongLinesAreReadWholeAndValuesCut) {
  // A row far longer than a line buffer of the old reading: one row, its values intact.
  const std::string description(2500, 'd');
  const std::string classification(9000, 'c');
  WriteGin("Version=2\nx\nn=0\n0\tNM\tRefSeq\tp_at\t" + description + "\tg\ts\t" + classification +
           "\tsecond\n");
  ASSERT_EQ(mReader.RunGinRead(), 0);
  EXPECT_EQ(mReader.rowCount, 1);
  EXPECT_EQ(mReader.descriptionCount, 2);
  EXPECT_EQ(Descriptions(), "Chip_A\t0\tNM\tRefSeq\tp_at\t" + description.substr(0, 2000) +
                                "\tg\ts\tClassification 1\t" + classification.substr(0, 2000) +
                                "\nChip_A\t0\tNM\tRefSeq\tp_at\t" + description.substr(0, 2000) +
                                "\tg\ts\tClassification 2\tsecond\n");
}

TEST_F(GinReaderTest, GeneratedFileGivesItsTruth) {
  const libgen::GinFile gin = libgen::StandardGin(300, 400, 11);
  WriteGin(libgen::GinText(gin));
  ASSERT_EQ(mReader.RunGinRead(), 0);
  const auto [descriptions, populated] = libgen::RowTruth(gin);
  EXPECT_EQ(mReader.rowCount, 300);
  EXPECT_EQ(mReader.urlCount, 2);
  EXPECT_EQ(mReader.descriptionCount, descriptions);
  EXPECT_EQ(mReader.populatedDescriptionCount, populated);
  const std::string text = Descriptions();
  EXPECT_EQ(static_cast<int>(std::count(text.begin(), text.end(), '\n')), descriptions);
  EXPECT_EQ(static_cast<int>(std::count(text.begin(), text.end(), '\t')), descriptions * 9);
  EXPECT_NE(text.find("\t" + gin.rows[17].description + "\t"), std::string::npos);
}

TEST_F(GinReaderTest, MissingFileIsSuccessWithNothingWritten) {
  mReader.rowCount = 9;
  ASSERT_EQ(mReader.RunGinRead(), 0);
  EXPECT_EQ(mReader.rowCount, 0);
  EXPECT_TRUE(mReader.ginPath.empty());
  EXPECT_FALSE(platform::FileExists(mTemp.File("gin.krx")));
}

TEST_F(GinReaderTest, RefusesWhatWouldShiftFieldsOrLeaveTheFolder) {
  // A URL value with the separator, a title with it, a line break inside a row.
  for (const std::string& text : {std::string("Version=2\nx\nn=1\nA;B;C;D\n"),
                                  std::string("Version=2\nx\nn=0\nIndex\tIdent;ifier\n"),
                                  std::string("Version=2\nx\nn=0\n1\tNM\tS\tp\tde\rsc\n"),
                                  std::string("GIN\nSource=Uni;Gene\nURL=u\n")}) {
    WriteGin(text);
    EXPECT_EQ(mReader.RunGinRead(), kGinReadFailed) << text;
    EXPECT_FALSE(mReader.refusal.empty()) << text;
  }
  WriteGin("Version=2\nx\nn=0\n" + std::string(kGinLineLimit + 10, 'x') + "\n");
  EXPECT_EQ(mReader.RunGinRead(), kGinReadFailed);
  EXPECT_NE(mReader.refusal.find("longer than"), std::string::npos);

  WriteGin("Version=2\nx\nn=0\n");
  mReader.typeFolder = "../ChipA_Files";
  EXPECT_EQ(mReader.RunGinRead(), kGinReadFailed);
  mReader.typeFolder = "ChipA_Files";
  mReader.typeName = "Chip*";
  EXPECT_EQ(mReader.RunGinRead(), kGinReadFailed);

  // A load file that can't be opened.
  mReader.typeName = "Chip_A";
  mReader.urlFile = mTemp.File("no/such/folder/gin.krx");
  EXPECT_EQ(mReader.RunGinRead(), kGinReadFailed);
}

// The rows are cut into stretches that threads convert side by side; whatever the
// stretches and threads, the load files, counts and refusal are those of the file read
// from start to end: rows crossing stretch ends, blank lines, LF and CRLF, a last line
// without its end, an "Index" line midway that renames the classifications of the rows
// after it, and a faulty line late in the file.
TEST_F(GinReaderTest, StretchesAndThreadsGiveTheLoadFilesOfTheWholeFile) {
  libgen::GinFile gin = libgen::StandardGin(160, 700, 3);
  gin.rows[40].description = std::string(2600, 'L');
  gin.rows[41].classifications[0] = std::string(2100, 'c');
  std::string text = libgen::GinText(gin);
  const auto rowStart = [&](int row) {
    const std::size_t at = text.find("\r\n" + std::to_string(row) + "\tNM_");
    EXPECT_NE(at, std::string::npos);
    return at + 2;
  };
  text.insert(rowStart(57), "\r\n\n\r\n");
  text.replace(rowStart(61) - 2, 2, "\n");
  std::string renamed =
      "Index\tIdentifier\tIdentifier Source\tProbe Set Name\tDescription\tGroup\t"
      "Sequence Type";
  for (int i = 1; i <= kGinClassifications; ++i) renamed += "\tNew " + std::to_string(i);
  text.insert(rowStart(100), renamed + "\r\n");
  text.resize(text.size() - 2);

  struct Outcome {
    int result;
    std::string urls, headers, descriptions, refusal;
    std::array<int, 6> counts;
  };
  const auto convert = [&](const std::string& file, std::size_t stretchBytes, int threads) {
    WriteGin(file);
    for (const char* name : {"gin.krx", "gin.hdr", "gin.des"})
      std::filesystem::remove(mTemp.File(name));
    const GinSplit saved = GinSplitting;
    GinSplitting.stretchBytes = stretchBytes;
    platform::LimitWorkerThreads(threads);
    Outcome outcome;
    outcome.result = mReader.RunGinRead();
    platform::LimitWorkerThreads(0);
    GinSplitting = saved;
    outcome.urls = Urls();
    outcome.headers = Headers();
    outcome.descriptions = Descriptions();
    outcome.refusal = mReader.refusal;
    outcome.counts = {mReader.rowCount,         mReader.headerCount,
                      mReader.urlCount,         mReader.headerLineSeen,
                      mReader.descriptionCount, mReader.populatedDescriptionCount};
    return outcome;
  };
  const auto expectAlike = [&](const std::string& file, const Outcome& whole) {
    for (const std::size_t stretchBytes : {std::size_t{13}, std::size_t{613}, std::size_t{4096}}) {
      for (const int threads : {1, 4}) {
        const Outcome split = convert(file, stretchBytes, threads);
        const std::string where =
            std::to_string(stretchBytes) + " bytes, " + std::to_string(threads) + " threads";
        EXPECT_EQ(split.result, whole.result) << where;
        EXPECT_EQ(split.counts, whole.counts) << where;
        EXPECT_EQ(split.refusal, whole.refusal) << where;
        EXPECT_TRUE(split.urls == whole.urls && split.headers == whole.headers) << where;
        EXPECT_TRUE(split.descriptions == whole.descriptions) << where;
      }
    }
  };

  // The whole file in one stretch, checked against the generator's truth.
  const Outcome whole = convert(text, std::size_t{1} << 30, 1);
  ASSERT_EQ(whole.result, 0) << whole.refusal;
  const auto [descriptions, populated] = libgen::RowTruth(gin);
  EXPECT_EQ(whole.counts, (std::array<int, 6>{160, 2, 2, 1, descriptions, populated}));
  EXPECT_EQ(
      static_cast<int>(std::count(whole.descriptions.begin(), whole.descriptions.end(), '\n')),
      descriptions);
  EXPECT_NE(whole.descriptions.find("\t" + std::string(2000, 'L') + "\t5\t"), std::string::npos)
      << "the long description is cut";
  EXPECT_EQ(whole.descriptions.find(std::string(2001, 'L')), std::string::npos);
  const std::size_t renamedAt = whole.descriptions.find("Chip_A\t100\t");
  ASSERT_NE(renamedAt, std::string::npos);
  EXPECT_EQ(whole.descriptions.find("\tNew "), whole.descriptions.find("\tNew ", renamedAt));
  EXPECT_EQ(whole.descriptions.find("\tClass ", renamedAt), std::string::npos);
  expectAlike(text, whole);

  // A line break inside row 151, then a line longer than the limit before it.
  std::string broken = text;
  broken.insert(rowStart(150) + 6 + std::string(std::to_string(150)).size(), "\r");
  const Outcome refused = convert(broken, std::size_t{1} << 30, 1);
  EXPECT_EQ(refused.result, kGinReadFailed);
  EXPECT_EQ(refused.refusal, "Row 151 holds a line break inside a value.");
  EXPECT_EQ(refused.counts[0], 150);
  expectAlike(broken, refused);

  std::string tooLong = text;
  tooLong.insert(rowStart(150), std::string(kGinLineLimit + 1, 'x') + "\r\n");
  const Outcome cut = convert(tooLong, std::size_t{1} << 30, 1);
  EXPECT_EQ(cut.result, kGinReadFailed);
  EXPECT_NE(cut.refusal.find("longer than"), std::string::npos);
  EXPECT_EQ(cut.counts[0], 150);
  expectAlike(tooLong, cut);
}

TEST(GinReaderFuzz, EntryTakesTruncatedAndFlippedFiles) {
  const libgen::GinFile gin = libgen::StandardGin(12, 40, 2);
  const std::string text = libgen::GinText(gin);
  std::size_t descriptions = 0;
  for (const libgen::GinRow& row : gin.rows) {
    std::size_t filled = 0;
    for (const std::string& value : row.classifications) filled += value.empty() ? 0 : 1;
    descriptions += filled == 0 ? 1 : filled;
  }
  const auto run = [](const std::string& bytes) {
    return FuzzReadGin(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  };
  EXPECT_EQ(run(text), descriptions);
  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  for (std::size_t at = 0; at < text.size(); at += 7) {
    EXPECT_LE(run(text.substr(0, at)), descriptions);
    for (const char flip : {'\0', '\n', '\t', ';', '\xFF'}) {
      std::string changed = text;
      changed[at] = flip;
      EXPECT_LE(run(changed), (lines + 1) * kGinClassifications);
    }
  }
}

// The version-1 file leaves values empty that were never given any bytes; looking for line
// breaks in them must not hand a null pointer to the C library.
TEST(GinReaderFuzz, EntryReadsAVersionOneFileWithEmptyValues) {
  libgen::GinFile gin = libgen::StandardGin(3, 12, 2);
  gin.version = 1;
  const std::string text = libgen::GinText(gin);
  EXPECT_GT(FuzzReadGin(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), 0u);
}

}  // namespace
}  // namespace quellbrook
