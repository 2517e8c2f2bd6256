// The genome study the genome command writes, read back by the program's own readers and
// held against the truth files beside it: reference heterozygosity rates, each array's
// genotype calls, the group's signals following the planted copies, lost alleles leaving
// no heterozygous call, sibling calls agreeing as far as the planted sharing says, and an
// ENU cross whose affected offspring are those homozygous for the mutation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/jobs/external_data.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/info/reference_genotypes.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/genome_files.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using namespace synth::testing;

constexpr int kDim = 160;
constexpr int kUnits = 800;
constexpr char kChip[] = "--dim 160 --units 800 --chip-seed 3";

// The rows of a truth file after its header, split into fields.
std::vector<std::vector<std::string>> Rows(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  const std::vector<std::string> lines = TextLines(FileText(path));
  for (std::size_t i = 1; i < lines.size(); ++i) rows.push_back(Fields(lines[i]));
  return rows;
}

char CallCode(const std::string& word) {
  return word == "AA" ? 0 : word == "BB" ? 1 : word == "AB" ? 2 : 3;
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2),
                   values.end());
  return values[values.size() / 2];
}

class GenomeStudy : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sFolder = new platform::testing::TempFolder;
    const ProgramRun run =
        RunSynth(std::string("genome --kind snp2 ") + kChip +
                     " --seed 4 --refgenes 10 --reference 10 --normals 4 --pairs 2 --singles 2"
                     " --males 1 --siblings 4 --enu 30 --out " +
                     sFolder->Path().string(),
                 *sFolder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    sPrinted = run.out;
  }
  static void TearDownTestSuite() {
    delete sFolder;
    sFolder = nullptr;
  }

  void SetUp() override {
    mSavedArrayType = ArrayType;
    ArrayType = 2;
    const synth::ChipTruth chip = ChipWithShape(synth::ChipKind::kSnp2, kDim, kUnits, 3);
    Layout = CDF_LAYOUT{};
    Layout.units.resize(chip.units.size());
    for (std::size_t u = 0; u < chip.units.size(); ++u) {
      Layout.units[u].SetName(chip.units[u].name);
      mUnit[chip.units[u].name] = static_cast<int>(u);
    }
    Layout.unitCount = static_cast<int>(chip.units.size());
    UnitSearchStart = 0;
    StartGroup(sFolder->Path().string());
  }
  void TearDown() override {
    DiscardGroup();
    ReferenceGenotypes.Clear();
    Layout = CDF_LAYOUT{};
    ArrayType = mSavedArrayType;
  }

  // The calls the program reads from the call file of an array, per unit.
  std::vector<char> ReadCalls(const std::string& array) {
    CHIP_DATA data;
    EXPECT_TRUE(data.ReadGenotypeCallFile(File(array + ".CEL").c_str())) << array;
    return data.calls;
  }
  static std::string File(const std::string& name) { return sFolder->File(name); }

  static platform::testing::TempFolder* sFolder;
  static std::string sPrinted;
  std::map<std::string, int> mUnit;
  int mSavedArrayType = 0;
  CapturedLog mLog;
};

platform::testing::TempFolder* GenomeStudy::sFolder = nullptr;
std::string GenomeStudy::sPrinted;

TEST_F(GenomeStudy, ReferenceRatesAreThoseOfTheTruth) {
  ASSERT_TRUE(ReferenceGenotypes.ReadRefGenotypeFile(File("reference_genotypes.txt").c_str()));
  EXPECT_EQ(ReferenceGenotypes.sampleCount, 10);
  const auto rows = Rows(File("reference_genotypes.truth.txt"));
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kUnits));
  int rated = 0;
  int absent = 0;
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 5u);
    const int unit = mUnit.at(row[0]);
    const int calls = Whole(row[2]);
    const int hets = Whole(row[3]);
    absent += row[1] == "0" ? 1 : 0;
    if (row[1] == "0") {
      EXPECT_EQ(calls, 0) << row[0];
    }
    if (calls < kMinReferenceSamples) {
      EXPECT_EQ(ReferenceGenotypes.HetRate(unit), -1.0f) << row[0];
      continue;
    }
    ++rated;
    EXPECT_NEAR(std::stod(row[4]), static_cast<double>(hets) / calls, 1e-6);
    const float expected = std::clamp(static_cast<float>(hets) / static_cast<float>(calls),
                                      kProbabilityFloor, 1 - kProbabilityFloor);
    EXPECT_NEAR(ReferenceGenotypes.HetRate(unit), expected, 1e-6) << row[0];
  }
  EXPECT_GT(rated, kUnits / 2);
  EXPECT_GT(absent, 0);
}

TEST_F(GenomeStudy, GroupCallsAndSignalsFollowThePlantedCopies) {
  const auto rows = Rows(File("snpgroup.truth.txt"));
  std::map<std::string, std::vector<const std::vector<std::string>*>> byArray;
  for (const auto& row : rows) byArray[row[0]].push_back(&row);
  ASSERT_EQ(byArray.size(), 8u);  // four normals, two paired tumours, two single ones
  const std::size_t markers = byArray.begin()->second.size();
  EXPECT_GT(markers, static_cast<std::size_t>(kUnits) * 3 / 4);

  // Every call file reads to the truth's calls; units off the genome are no calls.
  for (const auto& [array, marks] : byArray) {
    const std::vector<char> calls = ReadCalls(array);
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(kUnits));
    std::set<int> seen;
    for (const auto* row : marks) {
      const int unit = mUnit.at((*row)[1]);
      seen.insert(unit);
      EXPECT_EQ(calls[static_cast<std::size_t>(unit)], CallCode((*row)[6])) << array << (*row)[1];
    }
    for (int u = 0; u < kUnits; ++u) {
      if (seen.count(u) == 0) {
        EXPECT_EQ(calls[static_cast<std::size_t>(u)], 3) << u;
      }
    }
  }

  // The external table opens as the group, with the array list's sample groups.
  Group& group = TheGroup();
  group.Settings().EXTERNAL_DATA_FILE = File("snpgroup.data.txt");
  group.Settings().ARRAY_LIST_FILE = File("snpgroup.arrays.txt");
  group.Settings().HAS_BOTH = 1;
  group.Settings().HAS_STD = 1;
  ASSERT_TRUE(ReadExternalData());
  ASSERT_EQ(group.NumArrays(), 8);
  EXPECT_EQ(SampleGrouping.GroupCount(), 6);  // each pair one group, two normals, two singles
  std::map<std::string, int> arrayIndex;
  for (int a = 0; a < group.NumArrays(); ++a) arrayIndex[group.Array(a).name] = a;
  const auto total = [&](int array, int unit) {
    const VALUE_TRIPLE& value = group.Array(array).values[static_cast<std::size_t>(unit)];
    return static_cast<double>(value.value) + value.stdErr;
  };
  // A tumour's total signal over the mean of the female normals' is its copies over two.
  const std::vector<int> females = {arrayIndex.at("N1"), arrayIndex.at("N2"), arrayIndex.at("N3")};
  std::map<int, std::vector<double>> ratios;
  int lost = 0;
  int lostHets = 0;
  int keptPairHets = 0;
  int keptPairHetsLost = 0;
  for (const std::string tumour : {"T1", "S0", "S1"}) {
    const auto& marks = byArray.at(tumour);
    const auto& partner = byArray.at("N1");
    for (std::size_t m = 0; m < marks.size(); ++m) {
      const auto& row = *marks[m];
      if (row[2] == "X") continue;
      const int unit = mUnit.at(row[1]);
      double normal = 0;
      for (const int n : females) normal += total(n, unit) / static_cast<double>(females.size());
      const int copies = Whole(row[4]);
      ratios[copies].push_back(total(arrayIndex.at(tumour), unit) / normal);
      const char call = group.Array(arrayIndex.at(tumour)).calls[static_cast<std::size_t>(unit)];
      EXPECT_EQ(call, CallCode(row[6]));
      if (row[5] == "1") {
        ++lost;
        lostHets += call == 2 ? 1 : 0;
      } else if (tumour == "T1" && (*partner[m])[6] == "AB" && call != 3) {
        ++keptPairHets;
        keptPairHetsLost += call != 2 ? 1 : 0;
      }
    }
  }
  EXPECT_GT(lost, 50);
  EXPECT_EQ(lostHets, 0);
  EXPECT_GT(keptPairHets, 50);
  EXPECT_EQ(keptPairHetsLost, 0);
  // A male's one X is his own: nothing lost, and no heterozygous call.
  int maleX = 0;
  for (const auto* row : byArray.at("N0")) {
    if ((*row)[2] != "X") continue;
    ++maleX;
    EXPECT_EQ((*row)[4] + (*row)[5], "10") << (*row)[1];
    EXPECT_NE((*row)[6], "AB") << (*row)[1];
  }
  EXPECT_GT(maleX, 50);
  ASSERT_EQ(ratios.count(1), 1u);
  ASSERT_EQ(ratios.count(2), 1u);
  ASSERT_TRUE(ratios.count(3) + ratios.count(4) > 0);
  for (const auto& [copies, values] : ratios)
    EXPECT_NEAR(Median(values), copies / 2.0, 0.1 * copies / 2.0) << copies;
}

TEST_F(GenomeStudy, SiblingCallsAgreeAsFarAsTheirSharing) {
  const auto rows = Rows(File("siblings.truth.txt"));
  ASSERT_FALSE(rows.empty());
  // The frequencies are the Caucasian ones of the SNP information (one half when empty).
  std::map<std::string, std::string> caucasian;
  for (const auto& row : Rows(File("snp_info.txt"))) caucasian[row[0]] = row[6];
  std::map<std::string, std::vector<char>> calls;
  for (int p = 1; p <= 4; ++p)
    for (const char* member : {"a", "b"}) {
      const std::string name = "Sib" + std::to_string(p) + member;
      calls[name] = ReadCalls(name);
    }
  int same[3] = {};
  int both[3] = {};
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 8u);
    const int unit = mUnit.at(row[1]);
    const std::string& frequency = caucasian.at(row[1]);
    EXPECT_FLOAT_EQ(std::stof(row[4]), frequency.empty() ? 0.5f : std::stof(frequency));
    const char first = calls.at("Sib" + row[0] + "a")[static_cast<std::size_t>(unit)];
    const char second = calls.at("Sib" + row[0] + "b")[static_cast<std::size_t>(unit)];
    EXPECT_EQ(first, CallCode(row[6]));
    EXPECT_EQ(second, CallCode(row[7]));
    const int shared = Whole(row[5]);
    ASSERT_TRUE(shared >= 0 && shared <= 2);
    if (first == 3 || second == 3) continue;
    ++both[shared];
    same[shared] += first == second ? 1 : 0;
  }
  for (int k = 0; k < 3; ++k) ASSERT_GT(both[k], 100) << k;
  const double agree[3] = {same[0] / double(both[0]), same[1] / double(both[1]),
                           same[2] / double(both[2])};
  EXPECT_GT(agree[2], 0.97);
  EXPECT_LT(agree[0], 0.75);
  EXPECT_LT(agree[0], agree[1]);
  EXPECT_LT(agree[1], agree[2]);

  // The table of calls opens as the group, each pair a sample group, with the same calls.
  Group& group = TheGroup();
  group.Settings().EXTERNAL_DATA_FILE = File("siblings.data.txt");
  group.Settings().ARRAY_LIST_FILE = File("siblings.arrays.txt");
  ASSERT_TRUE(ReadExternalData());
  ASSERT_EQ(group.NumArrays(), 8);
  ASSERT_EQ(SampleGrouping.GroupCount(), 4);
  for (int p = 0; p < 4; ++p) EXPECT_EQ(SampleGrouping.GroupSize(p), 2);
  for (int a = 0; a < group.NumArrays(); ++a)
    EXPECT_EQ(group.Array(a).calls, calls.at(group.Array(a).name)) << group.Array(a).name;
}

TEST_F(GenomeStudy, EnuCrossCallsAndLabelsFollowItsTruth) {
  const int locus = Whole(Fields(TextLines(FileText(File("enu.truth.txt")))[0])[2]);
  const auto rows = Rows(File("enu.truth.txt"));  // from the column titles on
  std::map<std::string, std::vector<char>> calls;
  std::map<std::string, int> atLocus;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const auto& row = rows[r];
    if (!calls.count(row[0])) calls[row[0]] = ReadCalls(row[0]);
    EXPECT_EQ(calls.at(row[0])[static_cast<std::size_t>(mUnit.at(row[1]))], Whole(row[5]));
    if (row[1] == rows[1 + static_cast<std::size_t>(locus)][1]) atLocus[row[0]] = Whole(row[4]);
  }
  ASSERT_EQ(atLocus.size(), 30u);
  // Recessive: an offspring is affected exactly when homozygous for the mutation there.
  const auto info = Rows(File("enu.samples.txt"));
  ASSERT_EQ(info.size(), 32u);
  EXPECT_EQ(info[0][2] + info[1][2] + info[2][2], "MB2");
  int affected = 0;
  for (std::size_t s = 2; s < info.size(); ++s) {
    EXPECT_EQ(info[s][3] == "Affected", atLocus.at(info[s][0]) == 0) << info[s][0];
    affected += info[s][3] == "Affected";
  }
  EXPECT_GT(affected, 0);
  EXPECT_LT(affected, 30);
}

TEST(GenomeCommand, KindOneNamesTheSubArrayAndPlainRunsWriteAsBefore) {
  platform::testing::TempFolder folder;
  const std::string out = " --out " + folder.Path().string();
  const auto run =
      RunSynth("genome --kind snp1 --dim 120 --units 200 --normals 2 --pairs 1" + out, folder);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(TextLines(FileText(folder.File("snpgroup.arrays.txt"))),
            (std::vector<std::string>{"N0B", "T0B", "Standardize", "N1B", "Standardize"}));
  const synth::ChipTruth chip = ChipWithShape(synth::ChipKind::kSnp1, 120, 200, 1);
  const int savedType = ArrayType;
  ArrayType = 1;
  Layout = CDF_LAYOUT{};
  Layout.units.resize(chip.units.size());
  for (std::size_t u = 0; u < chip.units.size(); ++u) Layout.units[u].SetName(chip.units[u].name);
  Layout.unitCount = static_cast<int>(chip.units.size());
  UnitSearchStart = 0;
  CHIP_DATA data;
  {
    CapturedLog log;
    EXPECT_TRUE(data.ReadGenotypeCallFile(folder.File("T0B.CEL").c_str()));
  }
  std::map<std::string, char> truth;
  for (const auto& row : Rows(folder.File("snpgroup.truth.txt")))
    if (row[0] == "T0B") truth[row[1]] = CallCode(row[6]);
  ASSERT_FALSE(truth.empty());
  for (std::size_t u = 0; u < chip.units.size(); ++u) {
    const auto found = truth.find(chip.units[u].name);
    EXPECT_EQ(data.calls[u], found == truth.end() ? 3 : found->second) << u;
  }
  ArrayType = savedType;
  Layout = CDF_LAYOUT{};

  // Without the study's options the command writes its four files as it always did.
  const auto plain = RunSynth("genome --kind snp2 --dim 120 --units 200 --seed 7" + out, folder);
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(TextLines(plain.out).size(), 4u);
  std::vector<std::string> names;
  for (const synth::ChipUnit& unit : ChipWithShape(synth::ChipKind::kSnp2, 120, 200, 1).units)
    names.push_back(unit.name);
  synth::GenomeOptions options;
  options.seed = 7;
  options.snpArray = true;
  EXPECT_EQ(FileText(folder.File("genome_info.txt")),
            synth::GenomeInfoText(synth::MakeGenome(names, options)));
  EXPECT_EQ(FileText(folder.File("snp_info.txt")),
            synth::SnpInfoText(synth::MakeSnpInfo(names, 9)));

  // The study needs a SNP chip and pairs need their normals.
  EXPECT_NE(RunSynth("genome --reference 5" + out, folder).exitCode, 0);
  const auto refused = RunSynth("genome --kind snp2 --normals 1 --pairs 2" + out, folder);
  EXPECT_NE(refused.exitCode, 0);
  EXPECT_NE(refused.err.find("--pairs"), std::string::npos);
}

}  // namespace
