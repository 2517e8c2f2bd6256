// The CEL export and the probe-level tables on groups of every chip kind the generator
// makes: an exported CEL file reads back through the text CEL reader to the group's plane,
// cell for cell, with the outlier cells the value tables mark; the tables carry the
// planted planes value for value; failed writes and stops leave the old file.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/array/local_background.hpp"
#include "engine/jobs/cel_export.hpp"
#include "engine/jobs/current_array_qvf.hpp"
#include "engine/jobs/probe_export.hpp"
#include "engine/model/model.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/testing/recorded_requests.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "engine/tests/array_test_support.hpp"
#include "tools/synth/array_writers.hpp"

namespace {

constexpr int kArrays = 3;
constexpr int kDimension = 24;
constexpr int kUnits = 10;

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
  return fields;
}

// The lines of a section after its CellHeader line, up to the next empty line.
std::vector<std::string> SectionLines(const std::vector<std::string>& lines,
                                      const std::string& title, int* announced) {
  auto at = std::find(lines.begin(), lines.end(), title);
  EXPECT_NE(at, lines.end()) << title;
  if (at == lines.end() || at + 2 >= lines.end()) return {};
  *announced = std::stoi(at[1].substr(at[1].find('=') + 1));
  std::vector<std::string> body;
  for (at += 3; at != lines.end() && !at->empty(); ++at) body.push_back(*at);
  return body;
}

// The outlier word the model stores for these pairs of a probe set of `pairs` pairs:
// pair 0 in the highest of the counted bits.
int ModelWord(int pairs, const std::vector<int>& outliers) {
  int word = 0;
  for (int j = 0; j < std::min(pairs, kOutlierWordProbes); ++j)
    word = (word << 1) | (std::find(outliers.begin(), outliers.end(), j) != outliers.end() ? 1 : 0);
  return word;
}

}  // namespace

class ProbeLevelExportTest : public ArrayTest {
 protected:
  ~ProbeLevelExportTest() override {
    Psi.FreePsiPlanes();
    Model.ClearProbeSet();
  }

  // A group of kArrays arrays on a chip of the kind, each array's cell file in the folder
  // and its plane in memory; the planes carry the extremes 0 and 65535 at two cells.
  void MakeGroup(synth::ChipKind kind) {
    ResetChipGlobals();
    PmOnly = kind == synth::ChipKind::kPmOnly ? 1 : 0;
    mChip = SetUpChip(kind, kDimension, kUnits, 5);
    synth::ArrayGroupOptions options;
    options.arrays = kArrays;
    mTruth = synth::MakeArrayGroup(mChip, options);
    Group& group = TheGroup();
    group.ClearGroup();
    for (int i = 0; i < kArrays; ++i) {
      // Names of their own for each chip, so no array finds another chip's QVF file.
      const std::string name = std::string(synth::ChipKindName(kind)) + std::to_string(i);
      const std::string path = mFolder.File(name + ".CEL");
      ASSERT_TRUE(synth::WriteCel(synth::ScannedArray(mChip, mTruth, i, name, "01/02/03 04:05:06"),
                                  synth::CelForm::kText, path));
      ArraySlot& slot = group.NextArraySlot();
      slot.name = name;
      slot.dataFile = path;
      slot.intensities = mTruth.arrays[static_cast<std::size_t>(i)].intensities;
      slot.intensities[1] = 0;
      slot.intensities[2] = 65535;
      slot.values.assign(static_cast<std::size_t>(Layout.unitCount), VALUE_TRIPLE{});
      slot.calls.assign(static_cast<std::size_t>(Layout.unitCount), 'P');
      ASSERT_TRUE(group.CountArray());
    }
    group.HasProbeData = true;
    ComputeBackground(-1);
    // As a group opened from its files has them: each array's QVF file, read by the export
    // for the data file's header.
    for (int i = 0; i < kArrays; ++i) {
      CHIP_DATA chip;
      ASSERT_TRUE(chip.ReadArray(group.Array(i).dataFile.c_str(), false, false));
    }
    mLog.Clear();
  }

  // The expected outlier cells of an array, in the order the file lists them.
  std::vector<std::pair<int, int>> PlantOutliers(int array) {
    ArraySlot& slot = TheGroup().Array(array);
    std::vector<std::pair<int, int>> cells;
    const auto addPair = [&cells](int unit, int pair) {
      const PairPositions& at = Layout.Positions(unit)[static_cast<std::size_t>(pair)];
      cells.emplace_back(at[1].x, at[1].y);
      cells.emplace_back(at[0].x, at[0].y);
    };
    // Probe set 0: the whole array; probe set 2: pairs 0 and 2 with a stray bit above the
    // pair count; probe set 4: its last pair.
    const int pairs0 = static_cast<int>(Layout.Positions(0).size());
    slot.values[0].outlier = kArrayOutlierWord;
    for (int j = 0; j < pairs0; ++j) addPair(0, j);
    const int pairs2 = static_cast<int>(Layout.Positions(2).size());
    EXPECT_LT(pairs2, kOutlierWordProbes - 1);
    slot.values[2].outlier = ModelWord(pairs2, {0, 2}) | (1 << (kOutlierWordProbes - 1));
    addPair(2, 2);
    addPair(2, 0);
    const int pairs4 = static_cast<int>(Layout.Positions(4).size());
    slot.values[4].outlier = ModelWord(pairs4, {pairs4 - 1});
    addPair(4, pairs4 - 1);
    return cells;
  }

  // The plane cell the reader puts a file cell at.
  static std::pair<int, int> ReaderPlaneCell(int x, int y) {
    if (RotatedLayout != 0) return {Layout.dimension - 1 - y, x};
    return {x, y};
  }

  synth::ChipTruth mChip;
  synth::ArrayGroupTruth mTruth;
  RecordedOutputFiles mOutputFiles;
};

TEST_F(ProbeLevelExportTest, ExportedCelFilesReadBackToTheGroupsPlanesOnEveryChipKind) {
  for (const auto kind : {synth::ChipKind::kExpression, synth::ChipKind::kPmOnly,
                          synth::ChipKind::kSnp1, synth::ChipKind::kSnp3Rotated}) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    MakeGroup(kind);
    Group& group = TheGroup();
    group.Modelled = true;
    const std::vector<std::pair<int, int>> outliers = PlantOutliers(1);
    for (const bool columns : {false, true}) {
      for (const bool subtract : {false, true}) {
        group.RunOptions().celExportProbeSetColumns = columns;
        group.RunOptions().celExportSubtractBackground = subtract;
        for (int a = 0; a < kArrays; ++a) {
          SCOPED_TRACE(testing::Message()
                       << "array " << a << " columns " << columns << " subtract " << subtract);
          const std::string path = mFolder.File("export.cel");
          ASSERT_TRUE(WriteCelFile(a, path));
          CHIP_DATA back;
          ASSERT_TRUE(back.ReadTextCel(path.c_str()));
          const ArraySlot& slot = group.Array(a);
          for (int x = 0; x < kDimension; ++x)
            for (int y = 0; y < kDimension; ++y) {
              const std::size_t cell = Layout.CellIndex(x, y);
              int expected = slot.intensities[cell];
              if (subtract) expected = std::max(expected - GetBackground(a, x, y), 0);
              ASSERT_EQ(back.plane1[cell], expected) << x << " " << y;
              ASSERT_EQ(back.plane2[cell], 0) << "no deviation is written";
            }

          const std::vector<std::string> lines = FileLines(path);
          EXPECT_EQ(std::count(lines.begin(), lines.end(), "Background=Subtracted"),
                    subtract ? 1 : 0);
          int announced = -1;
          const std::vector<std::string> cells = SectionLines(lines, "[INTENSITY]", &announced);
          ASSERT_EQ(cells.size(), static_cast<std::size_t>(kDimension * kDimension));
          EXPECT_EQ(announced, kDimension * kDimension);
          EXPECT_EQ(cells[0].substr(0, 8), "  0\t  0\t");
          if (columns) {
            for (const std::string& line : cells) {
              const std::vector<std::string> fields = Fields(line);
              const auto [px, py] = ReaderPlaneCell(std::stoi(fields[0]), std::stoi(fields[1]));
              const CELL_RECORD& record = Layout.Cell(px, py);
              if (record.kind == kCellNoUnit) {
                ASSERT_EQ(fields.size(), 4u) << line;
                EXPECT_EQ(fields[3], "QC");
              } else {
                ASSERT_EQ(fields.size(), 6u) << line;
                EXPECT_EQ(fields[3], Layout.units[record.unit].Name()) << line;
                EXPECT_EQ(std::stoi(fields[4]), record.pair) << line;
                EXPECT_EQ(fields[5], record.kind == kCellPerfectMatch ? "1" : "0") << line;
              }
            }
          }
          int masked = -1;
          EXPECT_TRUE(SectionLines(lines, "[MASKS]", &masked).empty());
          EXPECT_EQ(masked, 0) << "the group holds no masked cells";
          int counted = -1;
          const std::vector<std::string> listed = SectionLines(lines, "[OUTLIERS]", &counted);
          EXPECT_EQ(counted, static_cast<int>(listed.size()));
          std::vector<std::pair<int, int>> read;
          for (const std::string& line : listed) {
            const std::vector<std::string> fields = Fields(line);
            read.push_back(ReaderPlaneCell(std::stoi(fields[0]), std::stoi(fields[1])));
          }
          const std::vector<std::pair<int, int>> none;
          EXPECT_EQ(read, a == 1 ? outliers : none);
          EXPECT_EQ(lines.back(), "CellHeader=X\tY\tORIGMEAN");
        }
      }
    }
    group.RunOptions() = {};
  }
  for (const CapturedLine& line : mLog.Lines()) EXPECT_NE(line.colour, kLogRed) << line.text;
}

TEST_F(ProbeLevelExportTest, AFailedOrStoppedCelExportLeavesTheOldFile) {
  MakeGroup(synth::ChipKind::kExpression);
  EXPECT_FALSE(WriteCelFile(0, mFolder.File("missing/folder/a0.cel")));
  const std::string path = mFolder.File("kept.cel");
  std::ofstream(path) << "old\n";
  {
    ScriptedProgress progress;
    progress.stopAtPoll = 3;
    EXPECT_FALSE(WriteCelFile(0, path));
  }
  EXPECT_EQ(FileLines(path), std::vector<std::string>{"old"});
  EXPECT_FALSE(WriteCelFile(kArrays, path)) << "no such array";
  EXPECT_FALSE(TheGroup().Modelled);
  ASSERT_TRUE(WriteCelFile(0, path));
  const std::vector<std::string> lines = FileLines(path);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Baseline=Not normalized"), lines.end());
  int counted = -1;
  EXPECT_TRUE(SectionLines(lines, "[OUTLIERS]", &counted).empty());
  EXPECT_EQ(counted, 0);
}

TEST_F(ProbeLevelExportTest, ProbeTablesCarryThePlantedPlanes) {
  MakeGroup(synth::ChipKind::kExpression);
  Group& group = TheGroup();
  for (int a = 0; a < kArrays; ++a)
    group.Array(a).intensities = mTruth.arrays[static_cast<std::size_t>(a)].intensities;
  const int unit = 3;
  const synth::ChipUnit& planted = mChip.units[static_cast<std::size_t>(unit)];
  std::vector<synth::ProbePair> pairs;
  for (const synth::ProbeBlock& block : planted.blocks)
    pairs.insert(pairs.end(), block.pairs.begin(), block.pairs.end());
  group.Settings().CUR_UNIT = unit;
  for (const int method : {kModelPmMmDifference, kModelPmOnly}) {
    for (const bool positions : {false, true}) {
      SCOPED_TRACE(testing::Message() << "method " << method << " positions " << positions);
      group.Settings().MODEL_METHOD = method;
      group.RunOptions().probeExportPositionColumns = positions;
      const std::string path = mFolder.File("probe data.xls");
      ASSERT_TRUE(ExportProbeValues(path, true));
      const std::vector<std::string> lines = FileLines(path);
      ASSERT_EQ(lines.size(), 1 + pairs.size() * kArrays);
      const std::string titles = method == kModelPmOnly ? "PM-bkgrd\tMM-bkgrd\t" : "PM\tMM\t";
      EXPECT_NE(lines[0].find("Probeset\tProbe\tArray\t" + titles), std::string::npos);
      const std::size_t first = positions ? 3 : 0;
      std::size_t row = 1;
      for (std::size_t j = 0; j < pairs.size(); ++j)
        for (int a = 0; a < kArrays; ++a, ++row) {
          const std::vector<std::string> fields = Fields(lines[row]);
          ASSERT_EQ(fields.size(), first + 5) << lines[row];
          const synth::ProbePair& pair = pairs[j];
          const auto& plane = mTruth.arrays[static_cast<std::size_t>(a)].intensities;
          int pm = plane[mTruth.CellIndex(pair.pm.x, pair.pm.y)];
          int mm = plane[mTruth.CellIndex(pair.mm.x, pair.mm.y)];
          if (method == kModelPmOnly) {
            pm -= GetBackground(a, pair.pm.x, pair.pm.y);
            mm -= GetBackground(a, pair.mm.x, pair.mm.y);
          }
          if (positions) {
            EXPECT_EQ(std::stoi(fields[0]), pair.pm.x);
            EXPECT_EQ(std::stoi(fields[1]), pair.pm.y);
            EXPECT_EQ(std::stoi(fields[2]), pair.pm.value);
          }
          EXPECT_EQ(fields[first], planted.name);
          EXPECT_EQ(std::stoi(fields[first + 1]), static_cast<int>(j));
          EXPECT_EQ(std::stoi(fields[first + 2]), a);
          EXPECT_EQ(std::stoi(fields[first + 3]), pm);
          EXPECT_EQ(std::stoi(fields[first + 4]), mm);
        }
    }
  }
  EXPECT_TRUE(mLog.Contains("  File " + mFolder.File("probe data.xls") + " exported", kLogBlack));
  ASSERT_FALSE(mOutputFiles.files.empty());
  EXPECT_EQ(mOutputFiles.files.back().path, mFolder.File("probe data.xls"));

  // The list form over every probe set, modelled: each row ends with the stored value.
  group.Settings().MODEL_METHOD = kModelPmMmDifference;
  group.RunOptions().probeExportPositionColumns = false;
  group.Modelled = true;
  for (int a = 0; a < kArrays; ++a)
    for (int u = 0; u < Layout.unitCount; ++u)
      group.Array(a).values[static_cast<std::size_t>(u)].value = 100.0f * static_cast<float>(u) + a;
  group.Settings().GENE_LIST_FILE.clear();
  const std::string all = mFolder.File("all.xls");
  ASSERT_TRUE(ExportProbeValues(all, false));
  const std::vector<std::string> lines = FileLines(all);
  EXPECT_EQ(lines[0], "Probeset\tProbe\tArray\tPM\tMM\tMBEI\t");
  std::size_t rows = 0;
  for (int u = 0; u < Layout.unitCount; ++u) rows += Layout.Positions(u).size() * kArrays;
  ASSERT_EQ(lines.size(), rows + 1);
  for (std::size_t row = 1; row < lines.size(); ++row) {
    const std::vector<std::string> fields = Fields(lines[row]);
    ASSERT_EQ(fields.size(), 6u);
    const int u = FindUnit(fields[0], true);
    EXPECT_EQ(std::stod(fields[5]), 100.0 * u + std::stoi(fields[2])) << lines[row];
  }

  // A file that cannot be written is reported and nothing is registered.
  const std::size_t registered = mOutputFiles.files.size();
  EXPECT_FALSE(ExportProbeValues(mFolder.File("missing/t.xls"), true));
  EXPECT_TRUE(
      mLog.Contains("  Writing file '" + mFolder.File("missing/t.xls") + "' failed", kLogRed));
  EXPECT_EQ(mOutputFiles.files.size(), registered);
}

TEST_F(ProbeLevelExportTest, TheModelTableCarriesTheSensitivityIndexFile) {
  MakeGroup(synth::ChipKind::kExpression);
  Group& group = TheGroup();
  group.Settings().MODEL_METHOD = kModelPmMmDifference;
  ASSERT_TRUE(Psi.AllocPsiPlanes());
  // Every probe's sensitivity tells its cell; its exclusion byte alternates.
  MODEL model;
  const std::string psi = mFolder.File("chip.psi");
  for (int unit = 0; unit < Layout.unitCount; ++unit) {
    const auto pairs = Layout.Positions(unit);
    const int n = static_cast<int>(pairs.size());
    std::vector<double> values;
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < n; ++j) values.push_back((i + 1.0) * (j + 2.0));
    ModelOptions options;
    options.fitPhi = false;
    std::vector<double> phi;
    for (int j = 0; j < n; ++j) phi.push_back(1.0 + unit + 0.01 * j);
    ASSERT_TRUE(model.LoadData(2, n, values, {}, options, phi));
    for (int j = 0; j < n; ++j)
      model.SetFixedProbe(j, phi[static_cast<std::size_t>(j)], 0.5, j % 2 == 1);
    Psi.StorePsi(unit, model);
  }
  ASSERT_TRUE(Psi.WritePsiFile(psi));
  Psi.FreePsiPlanes();
  group.Settings().PSI_FILE_NAME = psi;
  group.Settings().CUR_UNIT = -1;  // no current probe set: every probe set
  const std::string path = mFolder.File("psi.xls");
  ASSERT_TRUE(ExportProbeModel(path, true));
  const std::vector<std::string> lines = FileLines(path);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Model=PM/MM difference model");
  EXPECT_EQ(lines[1], "Probeset\tProbe\tPhi\tPhiStd\tExclude");
  std::size_t row = 2;
  for (int unit = 0; unit < Layout.unitCount; ++unit)
    for (std::size_t j = 0; j < Layout.Positions(unit).size(); ++j, ++row) {
      ASSERT_LT(row, lines.size());
      const std::vector<std::string> fields = Fields(lines[row]);
      ASSERT_EQ(fields.size(), 5u);
      EXPECT_EQ(fields[0], Layout.units[static_cast<std::size_t>(unit)].Name());
      EXPECT_EQ(std::stoi(fields[1]), static_cast<int>(j));
      EXPECT_NEAR(std::stod(fields[2]), 1.0 + unit + 0.01 * static_cast<double>(j), 1e-5);
      EXPECT_EQ(fields[4], j % 2 == 1 ? "1" : "0");
    }
  EXPECT_EQ(row, lines.size());
  group.Settings().PSI_FILE_NAME = mFolder.File("none.psi");
  EXPECT_FALSE(ExportProbeModel(mFolder.File("psi2.xls"), true));
  EXPECT_FALSE(platform::FileExists(mFolder.File("psi2.xls")));
}

TEST_F(ProbeLevelExportTest, TheCurrentArraysPlaneBecomesItsQvfFilesRawPlane) {
  MakeGroup(synth::ChipKind::kExpression);
  Group& group = TheGroup();
  group.Settings().CUR_ARRAY = 1;
  group.Array(1).intensities[5] = 4321;
  ASSERT_TRUE(WriteCurrentArrayQvf());
  CHIP_DATA saved;
  ProbeLevelFlag = true;
  ASSERT_TRUE(saved.ReadExisting(QvfPathFor(group.Array(1).dataFile).c_str(), false, false));
  ProbeLevelFlag = false;
  EXPECT_EQ(saved.plane1, group.Array(1).intensities);
  EXPECT_EQ(saved.normalised, 0);
  group.Settings().CUR_ARRAY = -1;
  EXPECT_FALSE(WriteCurrentArrayQvf());
}
