#include "genome/files/chromosome_export.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include <cmath>
#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/jobs/decimal_text.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/inference/copy_number.hpp"
#include "genome/tests/chromosome_files_support.hpp"
#include "platform/system_error.hpp"

namespace {

class ChromosomeExportTest : public ChromosomeFilesFixture {
 protected:
  void SetUp() override {
    ChromosomeFilesFixture::SetUp();
    MakeGenome(kUnits, 3);
    AddSamples(4);
    GroupSettings& settings = TheGroup().Settings();
    settings.USE_PAIRED_NORMAL = 0;
    settings.PARENT_SPECIFIC_COPY = 0;
    settings.INFER_CALL_THRESHOLD = 0.5f;
    mPath = mFolder.File("export.xls");
  }
  // The file's lines, each cut into its tab-separated fields.
  std::vector<std::vector<std::string>> Rows() const {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Split(ReadFile(mPath), '\n')) rows.push_back(Split(line, '\t'));
    return rows;
  }
  void CopyNumberData(bool parentSpecific) {
    mChro.method = kChroCopyNumber;
    mChro.dataType = kDataCopyNumber;
    ASSERT_TRUE(mChro.Allocate(4, kUnits, TablesFor(kChroCopyNumber, true, parentSpecific)));
    ASSERT_TRUE(mChro.SetCopyLayout(parentSpecific, 1.0f));
    for (int u = 0; u < kUnits; ++u) {
      mChro.markerStats[static_cast<std::size_t>(u)].mean = 100.0f + static_cast<float>(u % 9);
      for (int s = 0; s < 4; ++s) {
        mChro.signal.Row(s)[u] = Signal(s, u);
        const int a = (u + s) % 5;
        const int b = a + (u * 3 + s) % 4;
        mChro.inferred.Row(s)[u] = (u + s) % 23 == 0 ? kMissingValueFloat
                                   : parentSpecific  ? EncodeParentStates(a, b)
                                                     : mChro.CopyLevel((u * 7 + s) % 15);
      }
    }
  }
  static float Signal(int s, int u) {
    return (u + 2 * s) % 19 == 0 ? kMissingValueFloat
                                 : 20.0f + static_cast<float>((u * 13 + s * 29) % 300);
  }

  static constexpr int kUnits = 300;
  CHROMOSOME mChro;
  std::string mPath;
};

TEST_F(ChromosomeExportTest, InferredCopyNumberReadsBackCellForCell) {
  CopyNumberData(false);
  mChro.displayInferred = true;
  ASSERT_TRUE(ExportData(mChro, mPath));
  const auto rows = Rows();
  EXPECT_EQ(rows[0][0], kInferredCopyFileMark);
  EXPECT_EQ(rows[1],
            (std::vector<std::string>{"Marker", "dbSNP", "Chromosome", "Position (Mb)",
                                      "Genetic (cM)", "Score", "S1", "S2", "S3", "S4", ""}));
  ASSERT_EQ(rows.size(), mOrder.size() + 3);  // the last line ends with its line feed

  CHROMOSOME back;
  ASSERT_TRUE(back.Allocate(4, kUnits, TablesFor(kChroCopyNumber, true, false)));
  ASSERT_TRUE(ReadInferredCopyFile(back, mPath));
  for (const int u : mOrder)
    for (int s = 0; s < 4; ++s) ASSERT_EQ(back.inferred.Row(s)[u], mChro.inferred.Row(s)[u]);
}

TEST_F(ChromosomeExportTest, ParentSpecificCopiesReadBackAsTheirStates) {
  TheGroup().Settings().PARENT_SPECIFIC_COPY = 1;
  CopyNumberData(true);
  mChro.displayInferred = true;
  ASSERT_TRUE(ExportData(mChro, mPath));
  const auto rows = Rows();
  EXPECT_EQ(rows[1][6], "S1");
  EXPECT_EQ(rows[1][7], "S1(M)");
  EXPECT_EQ(rows[1][13], "S4(M)");
  for (std::size_t k = 0; k < mOrder.size(); ++k) {
    float a = 0;
    float b = 0;
    mChro.DecodeParentCopies(mChro.inferred.Row(2)[mOrder[k]], &a, &b);
    const auto& row = rows[k + 2];
    EXPECT_EQ(row[10], a == kMissingValueFloat ? "" : MessageBuffer("%.2f", a));
    EXPECT_EQ(row[11], b == kMissingValueFloat ? "" : MessageBuffer("%.2f", b));
  }

  CHROMOSOME back;
  ASSERT_TRUE(back.Allocate(4, kUnits, TablesFor(kChroCopyNumber, true, true)));
  ASSERT_TRUE(back.SetCopyLayout(true, 1.0f));
  ASSERT_TRUE(ReadInferredCopyFile(back, mPath));
  for (const int u : mOrder) {
    for (int s = 0; s < 4; ++s) {
      const float cell = mChro.inferred.Row(s)[u];
      if (cell == kMissingValueFloat) {
        EXPECT_EQ(back.inferred.Row(s)[u], kMissingValueFloat);
        continue;
      }
      int a = 0, b = 0, readA = 0, readB = 0;
      DecodeParentStates(cell, &a, &b);
      DecodeParentStates(back.inferred.Row(s)[u], &readA, &readB);
      ASSERT_EQ(readA, a) << u << " " << s;
      ASSERT_EQ(readB, b) << u << " " << s;
    }
  }
}

TEST_F(ChromosomeExportTest, RawCopyNumbersAndLog2RatiosFollowTheSignals) {
  CopyNumberData(false);
  mChro.displayInferred = false;
  for (const int type : {kDataCopyNumber, kDataLog2Ratio}) {
    mChro.dataType = type;
    ASSERT_TRUE(ExportData(mChro, mPath));
    const auto rows = Rows();
    EXPECT_EQ(rows[0][0], std::string("Data type: ") +
                              (type == kDataCopyNumber ? "Copy number" : "Log2 ratio"));
    for (std::size_t k = 0; k < mOrder.size(); ++k) {
      const int u = mOrder[k];
      const auto& row = rows[k + 2];
      ASSERT_EQ(row[0], UnitName(u));
      EXPECT_EQ(row[2],
                genome_info.GetChroName(genome_info.Unit[static_cast<std::size_t>(u)].chro));
      EXPECT_NEAR(std::stod(row[3]), genome_info.Unit[static_cast<std::size_t>(u)].pos * 1e-6,
                  1e-6);
      EXPECT_EQ(row[5], "NA");
      for (int s = 0; s < 4; ++s) {
        const float v = Signal(s, u);
        const std::string& cell = row[static_cast<std::size_t>(6 + s)];
        if (v == kMissingValueFloat) {
          EXPECT_EQ(cell, "");
          continue;
        }
        const double r = mChro.markerStats[static_cast<std::size_t>(u)].mean;
        const double want = type == kDataCopyNumber ? 2 * v / r : std::log2(v / r);
        EXPECT_NEAR(std::stod(cell), want, 1e-5 * std::max(1.0, std::fabs(want))) << cell;
      }
    }
  }
  // Raw values are no inferred copy number file.
  CHROMOSOME back;
  ASSERT_TRUE(back.Allocate(4, kUnits, TablesFor(kChroCopyNumber, true, false)));
  CapturedLog log;
  EXPECT_FALSE(ReadInferredCopyFile(back, mPath));
  EXPECT_TRUE(log.ContainsRed(kNotInferredCopyFileMessage));
}

TEST_F(ChromosomeExportTest, LohCallsGoByGroupWithTheirTallies) {
  GroupSamples("S1\nS2\nStandardize\nS3\nStandardize\nS4\n");
  ASSERT_EQ(SampleGrouping.GroupCount(), 3);
  mChro.method = kChroLoh;
  mChro.dataType = kDataLohCall;
  ASSERT_TRUE(mChro.Allocate(4, kUnits, TablesFor(kChroLoh, true, false)));
  // The pair's normal row keeps the paired codes; the other rows hold retention chances.
  auto retention = [](int s, int u) { return static_cast<float>((u * 7 + s * 5) % 11) * 0.1f; };
  for (int u = 0; u < kUnits; ++u) {
    mChro.lohCodes.Row(0)[u] = static_cast<float>(u % 5);
    for (int s = 1; s < 4; ++s) mChro.lohCodes.Row(s)[u] = retention(s, u);
    mChro.markerStats[static_cast<std::size_t>(u)].summary[kDataLohCall] =
        u % 4 == 0 ? kMissingValueFloat : static_cast<float>(u % 10) * 0.1f;
  }
  auto letter = [](int code) {
    return std::string(1, kLohCallNames[static_cast<std::size_t>(code)][0]);
  };
  auto inferredCode = [&](int s, int u) {
    const float p = 1.0f - retention(s, u);
    return p > 0.5f ? kLohLoss : p < 0.5f ? kLohRetention : kLohNoCall;
  };

  for (const bool shown : {false, true}) {
    mChro.displayInferred = shown;
    ASSERT_TRUE(ExportData(mChro, mPath));
    const auto rows = Rows();
    EXPECT_EQ(rows[0][0], std::string("Data type: ") + (shown ? "Inferred " : "") + "LOH call");
    EXPECT_EQ(std::vector<std::string>(rows[1].begin() + 6, rows[1].end()),
              (std::vector<std::string>{"S1|S2", "S3", "S4", ""}));
    std::vector<int> loh(3), informative(3), conflict(3);
    for (std::size_t k = 0; k < mOrder.size(); ++k) {
      const int u = mOrder[k];
      const auto& row = rows[k + 2];
      const float score = mChro.markerStats[static_cast<std::size_t>(u)].summary[kDataLohCall];
      EXPECT_EQ(row[5], score == kMissingValueFloat ? "NA" : MessageBuffer("%.2f", score));
      const int codes[3] = {shown ? inferredCode(1, u) : u % 5, inferredCode(2, u),
                            inferredCode(3, u)};
      for (int g = 0; g < 3; ++g) {
        ASSERT_EQ(row[static_cast<std::size_t>(6 + g)], letter(codes[g])) << u << " " << g;
        loh[g] += codes[g] == kLohLoss;
        informative[g] += codes[g] == kLohLoss || codes[g] == kLohRetention;
        conflict[g] += codes[g] == kLohConflict;
      }
    }
    const std::size_t tail = mOrder.size() + 2;
    EXPECT_EQ(rows[tail], std::vector<std::string>{""});
    const std::string n = std::to_string(mOrder.size());
    const std::vector<std::string> titles = {"#LOH", "#Informative", "#LOH / #Informative",
                                             "#Informative / #SNP(" + n + ")",
                                             "#Conflict / #SNP (" + n + ")"};
    for (std::size_t t = 0; t < titles.size(); ++t) {
      const auto& row = rows[tail + 1 + t];
      ASSERT_EQ(row.size(), 10u);
      EXPECT_EQ(row[0], titles[t]);
      for (int g = 0; g < 3; ++g) {
        const double want = t == 0   ? loh[g]
                            : t == 1 ? informative[g]
                            : t == 2 ? static_cast<double>(loh[g]) / informative[g]
                            : t == 3 ? static_cast<double>(informative[g]) / mOrder.size()
                                     : static_cast<double>(conflict[g]) / mOrder.size();
        EXPECT_NEAR(std::stod(row[static_cast<std::size_t>(6 + g)]), want, 1e-5) << titles[t];
      }
    }
  }

  // A call threshold of -1 writes the LOH chances themselves.
  TheGroup().Settings().INFER_CALL_THRESHOLD = -1.0f;
  ASSERT_TRUE(ExportData(mChro, mPath));
  const auto rows = Rows();
  for (std::size_t k = 0; k < mOrder.size(); ++k)
    for (int g = 0; g < 3; ++g)
      EXPECT_NEAR(std::stod(rows[k + 2][static_cast<std::size_t>(6 + g)]),
                  1.0f - retention(g + 1, mOrder[k]), 1e-4);
}

TEST_F(ChromosomeExportTest, CallsAreWrittenByName) {
  mChro.method = kChroLinkage;
  mChro.dataType = kDataCall;
  ASSERT_TRUE(mChro.Allocate(4, kUnits, TablesFor(kChroLinkage, true, false)));
  const std::vector<std::string> names = {"A", "B", "AB", "NoCall", "AB_A", "AB_B"};
  for (int u = 0; u < kUnits; ++u)
    for (int s = 0; s < 4; ++s) mChro.calls.Row(s)[u] = static_cast<std::uint8_t>((u + s) % 6);
  ASSERT_TRUE(ExportData(mChro, mPath));
  const auto rows = Rows();
  EXPECT_EQ(rows[0][0], "Data type: SNP/Presence call");
  for (std::size_t k = 0; k < mOrder.size(); ++k)
    for (int s = 0; s < 4; ++s)
      ASSERT_EQ(rows[k + 2][static_cast<std::size_t>(6 + s)],
                names[static_cast<std::size_t>((mOrder[k] + s) % 6)]);

  // Presence calls of expression arrays are written as their letters.
  const char presence[3] = {'P', 'M', 'A'};
  for (int u = 0; u < kUnits; ++u)
    mChro.calls.Row(3)[u] = static_cast<std::uint8_t>(presence[u % 3]);
  ASSERT_TRUE(ExportData(mChro, mPath));
  const auto letters = Rows();
  for (std::size_t k = 0; k < mOrder.size(); ++k)
    ASSERT_EQ(letters[k + 2][9], std::string(1, presence[mOrder[k] % 3]));
}

TEST_F(ChromosomeExportTest, RefusesAFileItCannotWrite) {
  CopyNumberData(false);
  CapturedLog log;
  const std::string path = mFolder.File("no/such/folder/x.xls");
  EXPECT_FALSE(ExportData(mChro, path));
  EXPECT_TRUE(log.ContainsRed("  Error: Write file '" + path + "' failed; is it open? (" +
                              platform::SystemErrorText(ENOENT) + ")"));
}

}  // namespace

namespace {

TEST_F(ChromosomeExportTest, DamagedInferredCopyFilesNeverCrashTheReader) {
  CopyNumberData(false);
  TheGroup().Settings().INFER_STEP = 1.0f;
  ASSERT_TRUE(ExportData(mChro, mPath));
  const std::string text = ReadFile(mPath);
  for (std::size_t cut = 0; cut < text.size(); cut += 211) {
    std::string damaged = text.substr(0, cut);
    if (cut % 2 == 0 && !damaged.empty()) damaged[cut / 3] = static_cast<char>(cut * 7);
    FuzzReadInferredCopyFile(reinterpret_cast<const std::uint8_t*>(damaged.data()), damaged.size());
  }
  EXPECT_TRUE(
      FuzzReadInferredCopyFile(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace
