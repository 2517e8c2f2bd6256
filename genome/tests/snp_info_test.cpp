#include <gtest/gtest.h>

#include <cerrno>

#include <algorithm>

#include "engine/jobs/information_readers.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/recorded_requests.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genome/info/snp_info_install.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "platform/system_error.hpp"
#include "tools/synth/genome_files.hpp"

namespace {

class SnpInfoTest : public GenomeFixture {
 protected:
  void SetUp() override {
    GenomeFixture::SetUp();
    ArrayType = 1;
  }
  static std::string Header() {
    return "Probe Set\tdbSNP\tSecond\tFragment Length Start Stop\tAsian\tAfrican "
           "American\tCaucasian\n";
  }
  // Rows for the first count units, then unknown names.
  static std::string Rows(int count, int unknown, int firstUnknownAt = -1) {
    std::string text = Header();
    for (int i = 0; i < count; ++i) {
      if (i == firstUnknownAt)
        for (int k = 0; k < unknown; ++k) text += "NOPE" + std::to_string(k) + "\trs1\n";
      text += "U" + std::to_string(i) + "\trs" + std::to_string(i) + "\n";
    }
    if (firstUnknownAt < 0)
      for (int k = 0; k < unknown; ++k) text += "NOPE" + std::to_string(k) + "\trs1\n";
    return text;
  }
};

TEST_F(SnpInfoTest, ReadsWhatTheGeneratorWrote) {
  const std::vector<std::string> names = Names("SNP_A-", 300);
  UseUnits(names);
  const std::vector<synth::SnpInfoRow> rows = synth::MakeSnpInfo(names, 11);
  ASSERT_TRUE(ReadSnpInfoFile(WriteFile("snp_info.txt", synth::SnpInfoText(rows))));
  ASSERT_EQ(snp_info_table.snps.size(), rows.size());
  int clamped = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const SNP_INFO& snp = snp_info_table.snps[i];
    EXPECT_EQ(snp.id, rows[i].id);
    EXPECT_EQ(snp.secondText, rows[i].secondText);
    EXPECT_EQ(snp.fragmentLength, rows[i].fragmentLength);
    for (std::size_t p = 0; p < 3; ++p) {
      const float want = rows[i].frequency[p];
      if (want == -1.0f) {
        EXPECT_EQ(snp.alleleFrequency[p], -1.0f);
        continue;
      }
      if (want == 0.0f || want == 1.0f) ++clamped;
      EXPECT_FLOAT_EQ(snp.alleleFrequency[p], std::clamp(want, 0.001f, 0.999f)) << i;
    }
  }
  EXPECT_GT(clamped, 10);  // the generator wrote exact 0s and 1s

  // The chosen population's frequency, 0.5 where none is known or the setting says so.
  const auto missing =
      std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.frequency[2] == -1.0f; });
  ASSERT_NE(missing, rows.end());
  const int unit = static_cast<int>(missing - rows.begin());
  GroupSettings& settings = TheGroup().Settings();
  settings.ALLELE_FREQ_TYPE = 2;
  EXPECT_EQ(GetAlleleFrequency(unit), 0.5f);
  settings.ALLELE_FREQ_TYPE = 1;
  EXPECT_EQ(GetAlleleFrequency(7), snp_info_table.snps[7].alleleFrequency[1] == -1.0f
                                       ? 0.5f
                                       : snp_info_table.snps[7].alleleFrequency[1]);
  settings.ALLELE_FREQ_TYPE = kEqualAlleleFrequency;
  EXPECT_EQ(GetAlleleFrequency(7), 0.5f);
  settings.ALLELE_FREQ_TYPE = 0;
  snp_info_table.Clear();
  EXPECT_EQ(GetAlleleFrequency(7), 0.5f);
}

TEST_F(SnpInfoTest, RefusesWrongFilesAndUnknownSnps) {
  UseUnits(Names("U", 40));
  CapturedLog log;
  EXPECT_FALSE(ReadSnpInfoFile("None"));
  EXPECT_FALSE(ReadSnpInfoFile(mFolder.File("absent.txt")));
  EXPECT_TRUE(log.Contains("  Reading SNP information file '", kLogRed));
  EXPECT_FALSE(ReadSnpInfoFile(WriteFile("genes.txt", "Probe Set\tName\nU0\tx\n")));
  EXPECT_TRUE(log.Contains(kNotSnpInfoFileMessage, kLogRed));
  EXPECT_TRUE(log.Contains("    Header line: Probe Set\tName", kLogBlack));
  EXPECT_FALSE(snp_info_table.Loaded());

  // A quarter of the units (integer division) is enough, one fewer is not.
  EXPECT_FALSE(ReadSnpInfoFile(WriteFile("snp9.txt", Rows(9, 0))));
  EXPECT_TRUE(log.Contains(kTooFewSnpsMessage, kLogRed));
  EXPECT_TRUE(ReadSnpInfoFile(WriteFile("snp10.txt", Rows(10, 0))));

  // The 500th unknown line ends the read even after every SNP was found; 499 do not.
  EXPECT_TRUE(ReadSnpInfoFile(WriteFile("snp499.txt", Rows(40, 499))));
  EXPECT_FALSE(ReadSnpInfoFile(WriteFile("snp500.txt", Rows(40, 500))));
  EXPECT_TRUE(log.Contains(kUnknownSnpsMessage, kLogRed));
  EXPECT_FALSE(snp_info_table.Loaded());
}

TEST_F(SnpInfoTest, LinesWithAFrequencyThatIsNoNumberAreRefused) {
  UseUnits(Names("U", 90));
  const std::vector<std::string> hostile = {"nan", "inf", "-inf", "1e39", "NAN"};
  std::string text = Header();
  int refused = 0;
  for (int i = 0; i < 90; ++i) {
    const bool spoilt = i % 9 == 0;
    refused += spoilt ? 1 : 0;
    const std::string odd = hostile[static_cast<std::size_t>(i / 9) % hostile.size()];
    text += MessageBuffer("U%d	rs%d		%d	0.25	%s	0.75\n", i, i, 100 + i,
                          spoilt ? odd.c_str() : "0.5");
  }
  CapturedLog log;
  ASSERT_TRUE(ReadSnpInfoFile(WriteFile("snp.txt", text)));
  EXPECT_TRUE(log.ContainsRed(MessageBuffer(kNonFiniteFrequencyMessage, refused)));
  EXPECT_TRUE(
      log.Contains(MessageBuffer("    Read SNP information for %d SNPs", 90 - refused), kLogBlack));
  TheGroup().Settings().ALLELE_FREQ_TYPE = 1;
  for (int i = 0; i < 90; ++i) {
    const SNP_INFO& snp = snp_info_table.snps[static_cast<std::size_t>(i)];
    const bool spoilt = i % 9 == 0;
    EXPECT_EQ(snp.id, spoilt ? "" : "rs" + std::to_string(i)) << i;
    EXPECT_EQ(snp.fragmentLength, spoilt ? -1 : 100 + i) << i;
    EXPECT_EQ(snp.alleleFrequency[0], spoilt ? -1.0f : 0.25f) << i;
    EXPECT_EQ(GetAlleleFrequency(i), 0.5f) << i;
  }
}

TEST_F(SnpInfoTest, AStopEndsTheReadWithNoTable) {
  UseUnits(Names("U", 700));
  ScriptedProgress progress;
  progress.stopAtPoll = 2;  // the check after the 600th SNP
  CapturedLog log;
  EXPECT_FALSE(ReadSnpInfoFile(WriteFile("snp.txt", Rows(700, 0))));
  EXPECT_TRUE(log.Contains(kUserStopMessage, kLogRed));
  EXPECT_FALSE(snp_info_table.Loaded());
  EXPECT_EQ(progress.polls, 2);
}

TEST_F(SnpInfoTest, OpeningAGroupReadsThroughTheInstalledReader) {
  UseUnits(Names("U", 4));
  InstallSnpInfoReader();
  EXPECT_TRUE(ReadInstalledSnpInfo(WriteFile("snp.txt", Rows(4, 0))));
  EXPECT_EQ(snp_info_table.snps[3].id, "rs3");
  SetSnpInfoReader({});
}

class SnpFilterTest : public SnpInfoTest {
 protected:
  void SetUp() override {
    SnpInfoTest::SetUp();
    UseUnits({"U0", "U1", "U2", "U3", "U4", "KORX_ctl"});
    // Calls per array (0 AA, 1 BB, 2 AB, 3 no call); arrays A1, A2 and A3, A4 form two
    // groups of two samples.
    const std::vector<std::vector<char>> calls = {
        {0, 0, 3, 2, 0, 3}, {0, 2, 0, 3, 1, 3}, {1, 1, 2, 0, 0, 3}, {1, 3, 1, 0, 1, 3}};
    for (std::size_t a = 0; a < calls.size(); ++a) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot = ArraySlot{};
      slot.name = "A" + std::to_string(a + 1);
      slot.calls = calls[a];
      ASSERT_TRUE(TheGroup().CountArray());
    }
    const std::string info =
        Header() + "U0\ta\t\t300\nU1\tb\t\t300\nU2\tc\t\t300\nU3\td\t\t5000\nU4\te\n";
    ASSERT_TRUE(ReadSnpInfoFile(WriteFile("snp.txt", info)));
    MaxFragmentLength = 1000;
    mOutput = mFolder.File("filtered.txt");
    TheGroup().Settings().FILTER_OUTPUT_LIST = mOutput;
  }
  void Group(const std::string& list) {
    SampleGrouping.ReadArrayListFile(WriteFile("arrays.txt", list));
  }
  std::string mOutput;
};

TEST_F(SnpFilterTest, KeepsSnpsWhoseCallsAgreeWithinTheirGroups) {
  Group("A1\nA2\nStandardize\nA3\nA4\n");
  RecordedOutputFiles registered;
  CapturedLog log;
  MinCallRatePercent = 50;
  ASSERT_TRUE(FilterSnpsByQuality());
  // U1: an AB against AA and a no call, 2 of 4; U2: the no-call reference counts once and
  // an AB reference is compared only for no calls; U3's fragment is too long; U4 has no
  // fragment length and passes; the control unit is never listed.
  EXPECT_EQ(ReadFile(mOutput),
            "probe set\tfragment_length\tcall_rate\nU0\t300\t1\nU1\t300\t0.5\nU2\t300\t0.75\n"
            "U4\t-1\t0.5\n[Filtering criteria: fragment length <= 1000, call rate >= 50%]\n");
  EXPECT_TRUE(log.Contains("    4 SNPs passing filtering criteria are saved in '" + mOutput + "'",
                           kLogBlack));
  ASSERT_EQ(registered.files.size(), 1u);
  EXPECT_FALSE(registered.files[0].insertIntoLog);
  EXPECT_TRUE(log.Contains("Finished}", kLogBlue));

  MinCallRatePercent = 60;
  ASSERT_TRUE(FilterSnpsByQuality());
  EXPECT_EQ(ReadFile(mOutput),
            "probe set\tfragment_length\tcall_rate\nU0\t300\t1\nU2\t300\t0.75\n"
            "[Filtering criteria: fragment length <= 1000, call rate >= 60%]\n");
}

TEST_F(SnpFilterTest, ASingleGroupIsRefusedBeforeTheListIsTouched) {
  Group("A1\nA2\nA3\nA4\n");
  WriteFile("filtered.txt", "the old list\n");
  CapturedLog log;
  EXPECT_FALSE(FilterSnpsByQuality());
  EXPECT_TRUE(log.Contains(kOneSampleGroupMessage, kLogRed));
  EXPECT_EQ(ReadFile(mOutput), "the old list\n");

  Group("A1\nA2\nStandardize\nA3\nA4\n");
  TheGroup().Settings().FILTER_OUTPUT_LIST = mFolder.File("no/such/folder/list.txt");
  EXPECT_FALSE(FilterSnpsByQuality());
  EXPECT_TRUE(log.Contains("  Write file '" + mFolder.File("no/such/folder/list.txt") +
                               "' failed; is it open? (" + platform::SystemErrorText(ENOENT) + ")",
                           kLogRed));
}

}  // namespace

namespace {

TEST_F(SnpInfoTest, DamagedFilesNeverCrashTheReader) {
  const std::vector<std::string> names = Names("U", 80);
  UseUnits(names);
  const std::string text = synth::SnpInfoText(synth::MakeSnpInfo(names, 4));
  CapturedLog log;
  for (std::size_t cut = 0; cut < text.size(); cut += 61) {
    std::string damaged = text.substr(0, cut);
    if (cut % 2 == 0 && !damaged.empty()) damaged[cut / 3] = static_cast<char>(cut * 7);
    FuzzReadSnpInfo(reinterpret_cast<const std::uint8_t*>(damaged.data()), damaged.size());
    EXPECT_TRUE(!snp_info_table.Loaded() || snp_info_table.snps.size() == names.size());
  }
  EXPECT_TRUE(FuzzReadSnpInfo(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace
