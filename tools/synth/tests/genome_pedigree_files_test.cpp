// The pedigree study the genome command writes, read back from its bytes: the pedigree
// file by a small reader of its own layout (header with "Father\tMother", five whole
// numbers, the array name, the affection), the calls of every array against the truth,
// every person's founder alleles rebuilt from the meioses' crossovers, and the files
// repeating with their seed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/tests/temp_folder.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using namespace synth::testing;

constexpr char kStudy[] =
    "genome --kind snp2 --dim 160 --units 800 --chip-seed 3 --pedigree 3 --generations 3 "
    "--families 2 --untyped 30 --unknown-affection 30 --error-rate 0.02 --cm-per-mb 60 ";

struct PedigreeLine {
  int family = 0, person = 0, father = 0, mother = 0, sex = 0;
  std::string array;
  int affection = -1;
};

// Reads the pedigree file as the linkage analysis does: the first line must name the
// parents' columns; then five whole numbers, the sixth tab field the array, the seventh
// the affection, up to the end or a line shorter than two characters.
bool ReadPedigree(const std::string& text, std::vector<PedigreeLine>& persons) {
  const std::vector<std::string> lines = TextLines(text);
  if (lines.empty() || lines[0].find("Father\tMother") == std::string::npos) return false;
  for (std::size_t i = 1; i < lines.size() && lines[i].size() >= 2; ++i) {
    PedigreeLine line;
    if (std::sscanf(lines[i].c_str(), "%d%d%d%d%d", &line.family, &line.person, &line.father,
                    &line.mother, &line.sex) != 5)
      return false;
    const std::vector<std::string> fields = Fields(lines[i]);
    if (fields.size() != 7 || fields[6].empty()) return false;
    line.array = fields[5];
    line.affection = Whole(fields[6]);
    persons.push_back(line);
  }
  return true;
}

// Rows after the header line, split into fields.
std::vector<std::vector<std::string>> Rows(const std::string& path, std::size_t skip = 1) {
  std::vector<std::vector<std::string>> rows;
  const std::vector<std::string> lines = TextLines(FileText(path));
  for (std::size_t i = skip; i < lines.size(); ++i) rows.push_back(Fields(lines[i]));
  return rows;
}

class PedigreeStudyFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sFolder = new platform::testing::TempFolder;
    const ProgramRun run =
        RunSynth(std::string(kStudy) + "--seed 4 --out " + sFolder->Path().string(), *sFolder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    sWritten = TextLines(run.out);
  }
  static void TearDownTestSuite() {
    delete sFolder;
    sFolder = nullptr;
  }
  static std::string File(const std::string& name) { return sFolder->File(name); }

  static platform::testing::TempFolder* sFolder;
  static std::vector<std::string> sWritten;
};
platform::testing::TempFolder* PedigreeStudyFiles::sFolder = nullptr;
std::vector<std::string> PedigreeStudyFiles::sWritten;

TEST_F(PedigreeStudyFiles, PedigreeFileReadsByItsLayoutWithMissingArraysAndAffection) {
  std::vector<PedigreeLine> persons;
  ASSERT_TRUE(ReadPedigree(FileText(File("pedigree.txt")), persons));
  ASSERT_EQ(persons.size(), 2u * 13);
  const std::vector<std::vector<std::string>> disease = Rows(File("pedigree.disease.txt"), 7);
  ASSERT_EQ(disease.size(), persons.size());
  const std::vector<std::string> dataHeader =
      Fields(TextLines(FileText(File("pedigree.data.txt")))[0]);
  const std::set<std::string> dataArrays(dataHeader.begin() + 1, dataHeader.end());

  std::map<int, const PedigreeLine*> byId;
  for (const PedigreeLine& line : persons) ASSERT_TRUE(byId.emplace(line.person, &line).second);
  int untyped = 0, unknown = 0, founders = 0;
  for (std::size_t i = 0; i < persons.size(); ++i) {
    const PedigreeLine& line = persons[i];
    SCOPED_TRACE(::testing::Message() << "person " << line.person);
    EXPECT_TRUE(line.sex == 1 || line.sex == 2);
    if (line.father == 0 || line.mother == 0) {
      EXPECT_EQ(line.father + line.mother, 0);
      ++founders;
    } else {
      ASSERT_TRUE(byId.count(line.father) && byId.count(line.mother));
      EXPECT_EQ(byId[line.father]->sex, 1);
      EXPECT_EQ(byId[line.mother]->sex, 2);
      EXPECT_EQ(byId[line.father]->family, line.family);
    }
    // The written affection is the drawn one or unknown.
    EXPECT_EQ(Whole(disease[i][0]), line.person);
    EXPECT_EQ(Whole(disease[i][5]), line.affection);
    EXPECT_TRUE(line.affection == 0 || line.affection == Whole(disease[i][4]));
    unknown += line.affection == 0 ? 1 : 0;
    if (line.array.empty()) {
      ++untyped;
      EXPECT_FALSE(std::filesystem::exists(
          File("F" + std::to_string(line.family) + "P" + std::to_string(line.person) + ".txt")));
    } else {
      EXPECT_TRUE(std::filesystem::exists(File(line.array + ".txt")));
      EXPECT_TRUE(dataArrays.count(line.array));
    }
  }
  EXPECT_EQ(founders, 8);
  // The disease locus lies on the first chromosome at a position the genome file gives.
  const std::vector<std::string> locus =
      Fields(TextLines(FileText(File("pedigree.disease.txt")))[4]);
  ASSERT_EQ(locus.size(), 5u);
  EXPECT_EQ(locus[2], "1");
  bool placed = false;
  for (const auto& row : Rows(File("genome_info.txt")))
    placed = placed || (row[0] == locus[1] && row[3] == locus[4]);
  EXPECT_TRUE(placed) << locus[1];
  EXPECT_GT(untyped, 0);
  EXPECT_GT(unknown, 0);
  EXPECT_EQ(dataArrays.size(), persons.size() - static_cast<std::size_t>(untyped));
}

TEST_F(PedigreeStudyFiles, CallsAndFounderAllelesFollowTheWrittenMeiosesAndHaplotypes) {
  // The founders' haplotypes on the map.
  const std::vector<std::vector<std::string>> founders = Rows(File("pedigree.founders.txt"));
  std::map<std::string, std::size_t> markerRow;
  for (std::size_t m = 0; m < founders.size(); ++m) markerRow[founders[m][0]] = m;
  // Each meiosis: allele passed at the chromosome's start and its crossovers.
  struct Passing {
    int first = 0;
    std::vector<double> crossovers;
  };
  std::map<std::tuple<int, std::string, std::string>, Passing> meioses;
  for (const auto& row : Rows(File("pedigree.meioses.txt"))) {
    Passing passing;
    passing.first = Whole(row[4]);
    for (const std::string& at : Fields(row[5], ' '))
      if (!at.empty()) passing.crossovers.push_back(std::stod(at));
    meioses[{Whole(row[0]), row[2], row[3]}] = passing;
  }
  std::vector<PedigreeLine> persons;
  ASSERT_TRUE(ReadPedigree(FileText(File("pedigree.txt")), persons));
  std::map<int, PedigreeLine> byId;
  for (const PedigreeLine& line : persons) byId[line.person] = line;

  // Truth rows per person and marker; the data table's calls per array and marker.
  std::map<std::pair<int, std::string>, std::vector<std::string>> truth;
  for (const auto& row : Rows(File("pedigree.truth.txt"))) truth[{Whole(row[0]), row[2]}] = row;
  const std::vector<std::vector<std::string>> data = Rows(File("pedigree.data.txt"), 0);
  std::map<std::pair<std::string, std::string>, std::string> dataCall;
  for (std::size_t r = 1; r < data.size(); ++r)
    for (std::size_t c = 1; c < data[0].size(); ++c)
      dataCall[{data[0][c], data[r][0]}] = data[r][c];
  // The genetic positions the genome file gives.
  std::map<std::string, std::string> genomeCm;
  for (const auto& row : Rows(File("genome_info.txt"))) genomeCm[row[0]] = row[3];

  int checked = 0, wrong = 0, called = 0;
  for (const auto& [key, row] : truth) {
    const auto& [id, marker] = key;
    const PedigreeLine& person = byId.at(id);
    const std::vector<std::string>& founder = founders.at(markerRow.at(marker));
    if (!genomeCm[marker].empty()) {
      ASSERT_EQ(genomeCm[marker], row[5]) << marker;
    }
    const int paternal = Whole(row[6]);
    const int maternal = Whole(row[7]);
    const std::string& a = founder[5 + static_cast<std::size_t>(paternal)];
    const std::string& b = founder[5 + static_cast<std::size_t>(maternal)];
    ASSERT_EQ(row[8], a == b ? a + b : "AB") << id << " " << marker;
    if (person.array.empty()) {
      EXPECT_EQ(row[9], "NoCall");
    } else {
      ASSERT_EQ(dataCall.at({person.array, marker}), row[9]);
      called += row[9] != "NoCall";
      wrong += row[9] != "NoCall" && row[9] != row[8];
    }
    if (person.father == 0) continue;
    // The parent's allele passed: the first one flipped at every crossover before here.
    const double cm = std::stod(row[5]);
    for (const bool fromMother : {false, true}) {
      const Passing& passing = meioses.at({id, fromMother ? "Mother" : "Father", row[3]});
      int bit = passing.first;
      for (const double at : passing.crossovers) bit ^= at < cm ? 1 : 0;
      const std::vector<std::string>& parent =
          truth.at({fromMother ? person.mother : person.father, marker});
      ASSERT_EQ(Whole(row[fromMother ? 7 : 6]), Whole(parent[bit ? 7 : 6])) << id << " " << marker;
    }
    ++checked;
  }
  EXPECT_GT(checked, 5000);
  // Errors at 2 % of the calls.
  EXPECT_NEAR(static_cast<double>(wrong) / called, 0.02, 4 * std::sqrt(0.02 * 0.98 / called));

  // Markers of the X carry no pedigree calls.
  for (const auto& row : Rows(File("genome_info.txt"))) {
    if (row[1] != "chrX") continue;
    for (const PedigreeLine& person : persons)
      if (!person.array.empty()) {
        ASSERT_EQ(dataCall.at({person.array, row[0]}), "NoCall");
      }
  }
}

TEST_F(PedigreeStudyFiles, SameSeedWritesTheSameFilesAnotherSeedOtherOnes) {
  platform::testing::TempFolder again, other;
  ASSERT_EQ(
      RunSynth(std::string(kStudy) + "--seed 4 --out " + again.Path().string(), again).exitCode, 0);
  ASSERT_EQ(
      RunSynth(std::string(kStudy) + "--seed 5 --out " + other.Path().string(), other).exitCode, 0);
  int pedigreeFiles = 0;
  for (const std::string& path : sWritten) {
    const std::string name = std::filesystem::path(path).filename().string();
    EXPECT_EQ(FileText(path), FileText(again.File(name))) << name;
    if (name.rfind("pedigree.", 0) != 0 || name == "pedigree.arrays.txt" ||
        name == "pedigree.samples.txt")
      continue;
    ++pedigreeFiles;
    EXPECT_NE(FileText(path), FileText(other.File(name))) << name;
  }
  EXPECT_EQ(pedigreeFiles, 6);
}

TEST(PedigreeStudyOptions, ImpossibleOptionsAreRefusedByNameWithoutWritingAnything) {
  const struct {
    const char* options;
    const char* named;
  } cases[] = {{"--pedigree 0", "--pedigree"},
               {"--pedigree 13", "--pedigree"},
               {"--pedigree 2 --generations 4", "--generations"},
               {"--pedigree 2 --min-affected 5", "--min-affected"},
               {"--pedigree 2 --penetrance 0 --phenocopy 0", "--min-affected"},
               {"--pedigree 2 --disease sometimes", "--disease"},
               {"--pedigree 2 --disease-chro 9", "--disease-chro"},
               {"--pedigree 2 --error-rate 1.5", "--error-rate"},
               {"--pedigree 2 --no-call-rate -0.1", "--no-call-rate"}};
  for (const auto& refused : cases) {
    platform::testing::TempFolder folder;
    const ProgramRun run = RunSynth(std::string("genome --kind snp2 --dim 120 --units 200 ") +
                                        refused.options + " --out " + folder.Path().string(),
                                    folder);
    EXPECT_NE(run.exitCode, 0) << refused.options;
    EXPECT_NE(run.err.find(refused.named), std::string::npos) << refused.options << ": " << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder.File("genome_info.txt"))) << refused.options;
  }
  // Without a SNP chip there is no pedigree either.
  platform::testing::TempFolder folder;
  EXPECT_NE(RunSynth("genome --pedigree 2 --out " + folder.Path().string(), folder).exitCode, 0);
}

}  // namespace
