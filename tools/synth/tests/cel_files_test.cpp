// The cell files of a synthetic array say what its truth says. Each form is read back
// here from its bytes, without the engine's readers: every cell's mean, deviation and
// pixel count at its place (turned back on rotated chips), the masked and outlier cells
// in their lists, the chip type and scan time in the header text. The truth itself is
// checked against its model: the probe cells carry their probe set's level and their
// affinity, the noise has the spread asked for, the outliers the factor they are made
// with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/array_model.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using namespace synth::testing;

struct ReadCell {
  float mean = -1.0f;
  float deviation = -1.0f;
  int pixels = -1;
};

// A cell file as its bytes say it, cells in layout coordinates (index x * dimension + y).
struct CelFile {
  int cols = 0;
  int rows = 0;
  std::string headerText;
  std::vector<ReadCell> cells;
  std::set<std::pair<int, int>> masked;    // layout coordinates
  std::set<std::pair<int, int>> outliers;  // layout coordinates
  int cellsRead = 0;
  bool complete = false;
};

void PutCell(CelFile& file, bool rotated, int fileX, int fileY, ReadCell cell) {
  const auto [x, y] = LayoutCell(rotated, file.cols, fileX, fileY);
  file.cells.at(static_cast<std::size_t>(x) * static_cast<std::size_t>(file.cols) +
                static_cast<std::size_t>(y)) = cell;
  ++file.cellsRead;
}

ReadCell CellOfFields(const std::vector<std::string>& fields) {
  return {std::strtof(fields[2].c_str(), nullptr), std::strtof(fields[3].c_str(), nullptr),
          Whole(fields[4])};
}

// The sectioned text form: "[SECTION]" lines, "key=value" lines, cell lines of five
// tab-separated numbers, coordinate lines of two.
CelFile ReadTextCel(const std::string& text, bool rotated) {
  CelFile file;
  std::string section;
  std::map<std::string, std::string> header;
  for (const std::string& line : TextLines(text)) {
    if (line.empty()) continue;
    if (line.front() == '[') {
      section = line;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) {
      if (section == "[HEADER]") header[line.substr(0, equals)] = line.substr(equals + 1);
      if (section == "[HEADER]" && file.cells.empty() && header.count("Cols") != 0 &&
          header.count("Rows") != 0) {
        file.cols = Whole(header["Cols"]);
        file.rows = Whole(header["Rows"]);
        file.cells.assign(static_cast<std::size_t>(file.cols) * static_cast<std::size_t>(file.rows),
                          {});
      }
      continue;
    }
    const std::vector<std::string> fields = Fields(line);
    if (section == "[INTENSITY]" && fields.size() == 5)
      PutCell(file, rotated, Whole(fields[0]), Whole(fields[1]), CellOfFields(fields));
    if (section == "[MASKS]" && fields.size() == 2)
      file.masked.insert(LayoutCell(rotated, file.cols, Whole(fields[0]), Whole(fields[1])));
    if (section == "[OUTLIERS]" && fields.size() == 2)
      file.outliers.insert(LayoutCell(rotated, file.cols, Whole(fields[0]), Whole(fields[1])));
  }
  file.headerText = header["DatHeader"];
  file.complete = section == "[MODIFIED]";
  return file;
}

// The older text form: "COLS/ROWS=c r", the header text, a column header, the cells.
CelFile ReadOldTextCel(const std::string& text, bool rotated) {
  CelFile file;
  const std::vector<std::string> lines = TextLines(text);
  if (lines.size() < 3 || !lines[0].starts_with("COLS/ROWS=")) return file;
  const std::vector<std::string> sides = Fields(lines[0].substr(10), ' ');
  file.cols = Whole(sides.at(0));
  file.rows = Whole(sides.at(1));
  file.cells.assign(static_cast<std::size_t>(file.cols) * static_cast<std::size_t>(file.rows), {});
  if (lines[1].starts_with("DatHeader=")) file.headerText = lines[1].substr(10);
  for (std::size_t i = 3; i < lines.size(); ++i) {
    const std::vector<std::string> fields = Fields(lines[i]);
    if (fields.size() == 5)
      PutCell(file, rotated, Whole(fields[0]), Whole(fields[1]), CellOfFields(fields));
  }
  file.complete = lines.size() == 3 + file.cells.size();
  return file;
}

// The binary form: magic 64, version, rows, cols, cell count, three counted texts, four
// counts, then per cell float mean, float deviation, int16 pixels (cell i at x = i mod
// cols, y = i div cols), then the masked and outlier coordinates.
CelFile ReadBinaryCel(const std::vector<std::uint8_t>& bytes, bool rotated, std::int32_t& version) {
  CelFile file;
  platform::ByteReader reader(bytes);
  std::int32_t magic = 0;
  std::int32_t rows = 0;
  std::int32_t cols = 0;
  std::int32_t count = 0;
  std::int32_t margin = 0;
  std::int32_t outliers = 0;
  std::int32_t masked = 0;
  std::int32_t subGrids = 0;
  std::string algorithm;
  std::string parameters;
  if (!reader.ReadInt32(magic) || magic != 64 || !reader.ReadInt32(version) ||
      !reader.ReadInt32(rows) || !reader.ReadInt32(cols) || !reader.ReadInt32(count) ||
      !reader.ReadCountedString(file.headerText) || !reader.ReadCountedString(algorithm) ||
      !reader.ReadCountedString(parameters) || !reader.ReadInt32(margin) ||
      !reader.ReadInt32(outliers) || !reader.ReadInt32(masked) || !reader.ReadInt32(subGrids) ||
      cols <= 0 || rows != cols || count != rows * cols || masked < 0 || outliers < 0)
    return file;
  file.cols = cols;
  file.rows = rows;
  file.cells.assign(static_cast<std::size_t>(count), {});
  for (std::int32_t i = 0; i < count; ++i) {
    ReadCell cell;
    std::int16_t pixels = 0;
    if (!reader.ReadFloat(cell.mean) || !reader.ReadFloat(cell.deviation) ||
        !reader.ReadInt16(pixels))
      return file;
    cell.pixels = pixels;
    PutCell(file, rotated, i % cols, i / cols, cell);
  }
  for (auto [list, entries] :
       {std::pair{&file.masked, masked}, std::pair{&file.outliers, outliers}})
    for (std::int32_t i = 0; i < entries; ++i) {
      std::int16_t x = 0;
      std::int16_t y = 0;
      if (!reader.ReadInt16(x) || !reader.ReadInt16(y)) return file;
      list->insert(LayoutCell(rotated, cols, x, y));
    }
  file.complete = reader.Remaining() == 0;
  return file;
}

// The chip type and scan time as the readers find them in a header text: the chip type
// two characters after the second 0x14 up to the next '.', the time the 17 characters
// from two before the first '/'.
std::string ChipTypeOf(const std::string& text) {
  const std::size_t first = text.find('\x14');
  const std::size_t second = first == std::string::npos ? first : text.find('\x14', first + 1);
  if (second == std::string::npos) return {};
  const std::size_t dot = text.find('.', second);
  if (dot == std::string::npos) return {};
  return text.substr(second + 2, dot - second - 2);
}

std::string ScanTimeOf(const std::string& text) {
  const std::size_t slash = text.find('/');
  return slash == std::string::npos || slash < 2 ? std::string() : text.substr(slash - 2, 17);
}

synth::ChipTruth Chip(synth::ChipKind kind, int dimension, int units) {
  return ChipWithShape(kind, dimension, units, 4);
}

synth::ArrayTruth Array(const synth::ChipTruth& chip, const synth::ArrayOptions& options) {
  std::string error;
  auto array = synth::MakeArray(chip, options, &error);
  EXPECT_TRUE(array.has_value()) << error;
  return array.value_or(synth::ArrayTruth{});
}

double Mean(const std::vector<double>& values) {
  double sum = 0.0;
  for (double v : values) sum += v;
  return sum / static_cast<double>(values.size());
}

double Deviation(const std::vector<double>& values) {
  const double mean = Mean(values);
  double squares = 0.0;
  for (double v : values) squares += (v - mean) * (v - mean);
  return std::sqrt(squares / static_cast<double>(values.size() - 1));
}

}  // namespace

TEST(SynthCelFiles, EveryFormCarriesTheTruthOfEveryCell) {
  platform::testing::TempFolder folder;
  for (synth::ChipKind kind :
       {synth::ChipKind::kExpression, synth::ChipKind::kSnp3Rotated, synth::ChipKind::kExon}) {
    const synth::ChipTruth chip = Chip(kind, 37, 12);
    synth::ArrayOptions options;
    options.seed = 11;
    options.name = "scan_7";
    options.scanTime = "11/12/13 14:15:16";
    options.saturatedCells = 6;
    options.outlierCells = 8;
    options.maskedCells = 10;
    const synth::ArrayTruth array = Array(chip, options);
    std::set<std::pair<int, int>> masked;
    std::set<std::pair<int, int>> outliers;
    for (int x = 0; x < 37; ++x)
      for (int y = 0; y < 37; ++y) {
        if (array.Cell(x, y).masked) masked.insert({x, y});
        if (array.Cell(x, y).flag == synth::CellFlag::kOutlier) outliers.insert({x, y});
      }
    ASSERT_EQ(masked.size(), 10u);
    ASSERT_EQ(outliers.size(), 8u);

    for (synth::CelForm form :
         {synth::CelForm::kText, synth::CelForm::kOldText, synth::CelForm::kBinary}) {
      SCOPED_TRACE(std::string(synth::ChipKindName(kind)) + " form " +
                   std::to_string(static_cast<int>(form)));
      const std::string path = folder.File(synth::CelFileName(array));
      ASSERT_TRUE(synth::WriteCel(array, form, path));
      std::int32_t version = 0;
      const CelFile file = form == synth::CelForm::kText ? ReadTextCel(FileText(path), chip.rotated)
                           : form == synth::CelForm::kOldText
                               ? ReadOldTextCel(FileText(path), chip.rotated)
                               : ReadBinaryCel(FileBytes(path), chip.rotated, version);
      ASSERT_TRUE(file.complete);
      EXPECT_EQ(file.cols, 37);
      EXPECT_EQ(file.rows, 37);
      EXPECT_EQ(file.cellsRead, 37 * 37);
      EXPECT_EQ(ChipTypeOf(file.headerText), chip.chipType);
      EXPECT_EQ(ScanTimeOf(file.headerText), "11/12/13 14:15:16");
      EXPECT_NE(file.headerText.find("scan_7"), std::string::npos);
      int differences = 0;
      for (std::size_t i = 0; i < array.cells.size(); ++i) {
        const synth::CellTruth& truth = array.cells[i];
        const ReadCell& read = file.cells[i];
        if (read.mean != truth.mean || read.deviation != truth.deviation ||
            read.pixels != truth.pixels) {
          ADD_FAILURE() << "cell " << i / 37 << "," << i % 37 << ": read " << read.mean << " "
                        << read.deviation << " " << read.pixels << ", truth " << truth.mean << " "
                        << truth.deviation << " " << truth.pixels;
          if (++differences > 5) break;
        }
      }
      if (form == synth::CelForm::kOldText) continue;  // the older form has no lists
      EXPECT_EQ(file.masked, masked);
      EXPECT_EQ(file.outliers, outliers);
      if (form == synth::CelForm::kBinary) {
        EXPECT_EQ(version, synth::kBinaryCelVersionWritten);
      }
    }
  }
}

TEST(SynthCelFiles, GroupArraysCarryTheirIntensitiesAndErrorsThroughTheFile) {
  platform::testing::TempFolder folder;
  for (synth::ChipKind kind : {synth::ChipKind::kExpression, synth::ChipKind::kSnp3Rotated}) {
    const synth::ChipTruth chip = Chip(kind, 40, 30);
    synth::ArrayGroupOptions options;
    options.seed = 6;
    const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, options);
    for (int a = 0; a < options.arrays; ++a)
      for (synth::CelForm form : {synth::CelForm::kText, synth::CelForm::kBinary}) {
        SCOPED_TRACE(std::string(synth::ChipKindName(kind)) + " array " + std::to_string(a));
        const synth::ArrayTruth scanned = synth::ScannedArray(chip, group, a, "member");
        const std::string path = folder.File(synth::CelFileName(scanned));
        ASSERT_TRUE(synth::WriteCel(scanned, form, path));
        std::int32_t version = 0;
        const CelFile file = form == synth::CelForm::kText
                                 ? ReadTextCel(FileText(path), chip.rotated)
                                 : ReadBinaryCel(FileBytes(path), chip.rotated, version);
        ASSERT_TRUE(file.complete);
        ASSERT_EQ(file.cells.size(), group.arrays[static_cast<std::size_t>(a)].intensities.size());
        EXPECT_EQ(ChipTypeOf(file.headerText), chip.chipType);
        int differences = 0;
        for (std::size_t i = 0; i < file.cells.size() && differences < 5; ++i) {
          // What a reader keeps of a cell: the mean rounded, the deviation over the root
          // of the pixel count truncated.
          const ReadCell& cell = file.cells[i];
          const auto intensity = static_cast<std::uint16_t>(std::floor(cell.mean + 0.5));
          const auto error =
              static_cast<std::uint16_t>(std::floor(cell.deviation / std::sqrt(cell.pixels)));
          const synth::SynthesisedArray& truth = group.arrays[static_cast<std::size_t>(a)];
          if (intensity == truth.intensities[i] && error == truth.standardErrors[i]) continue;
          ++differences;
          ADD_FAILURE() << "cell " << i << ": read " << intensity << " +- " << error << ", truth "
                        << truth.intensities[i] << " +- " << truth.standardErrors[i];
        }
        EXPECT_TRUE(file.masked.empty());
        EXPECT_TRUE(file.outliers.empty());
      }
  }
}

TEST(SynthCelFiles, TheTruthListingHoldsEveryCellAsTheModelMadeIt) {
  platform::testing::TempFolder folder;
  const synth::ChipTruth chip = Chip(synth::ChipKind::kSnp3Rotated, 21, 6);
  synth::ArrayOptions options;
  options.name = "listed";
  const synth::ArrayTruth array = Array(chip, options);
  const std::string path = folder.File("listed.truth.txt");
  ASSERT_TRUE(synth::WriteArrayTruth(array, path));
  const std::vector<std::string> lines = TextLines(FileText(path));
  ASSERT_EQ(lines.size(), 1u + 21 * 21);
  EXPECT_EQ(lines[0], chip.chipType + "\tlisted\t" + array.scanTime);
  std::map<std::string, int> flags;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> fields = Fields(lines[i]);
    ASSERT_EQ(fields.size(), 8u) << lines[i];
    const int x = Whole(fields[0]);
    const int y = Whole(fields[1]);
    // Layout coordinates in the order x, then y.
    EXPECT_EQ(x * 21 + y, static_cast<int>(i) - 1);
    const synth::CellTruth& cell = array.Cell(x, y);
    EXPECT_NEAR(std::strtod(fields[2].c_str(), nullptr), cell.model, 5e-4);
    EXPECT_EQ(std::strtof(fields[3].c_str(), nullptr), cell.mean);
    EXPECT_EQ(std::strtof(fields[4].c_str(), nullptr), cell.deviation);
    EXPECT_EQ(Whole(fields[5]), cell.pixels);
    EXPECT_EQ(fields[7], cell.masked ? "1" : "0");
    ++flags[fields[6]];
  }
  EXPECT_EQ(flags["saturated"], options.saturatedCells);
  EXPECT_EQ(flags["outlier"], options.outlierCells);
  EXPECT_EQ(flags["normal"], 21 * 21 - options.saturatedCells - options.outlierCells);
}

TEST(SynthCelFiles, TheSameSeedWritesTheSameBytesAndAnotherSeedOthers) {
  platform::testing::TempFolder folder;
  const synth::ChipTruth chip = Chip(synth::ChipKind::kExpression, 30, 10);
  synth::ArrayOptions options;
  options.seed = 21;
  for (synth::CelForm form :
       {synth::CelForm::kText, synth::CelForm::kOldText, synth::CelForm::kBinary}) {
    ASSERT_TRUE(synth::WriteCel(Array(chip, options), form, folder.File("a.CEL")));
    ASSERT_TRUE(synth::WriteCel(Array(chip, options), form, folder.File("b.CEL")));
    options.seed = 22;
    ASSERT_TRUE(synth::WriteCel(Array(chip, options), form, folder.File("c.CEL")));
    options.seed = 21;
    EXPECT_EQ(FileBytes(folder.File("a.CEL")), FileBytes(folder.File("b.CEL")));
    EXPECT_NE(FileBytes(folder.File("a.CEL")), FileBytes(folder.File("c.CEL")));
  }
}

TEST(SynthArrayModel, ProbeCellsCarryTheirLevelAndTheNoiseHasTheSpreadAsked) {
  // Bright enough that many probe cells stand far above the additive noise.
  const synth::ChipTruth chip = Chip(synth::ChipKind::kExpression, 160, 400);
  synth::ArrayOptions options;
  options.seed = 3;
  options.brightness = 20.0;
  options.additiveNoise = 6.0;
  options.multiplicativeNoise = 0.1;
  options.saturatedCells = 0;
  options.outlierCells = 0;
  options.maskedCells = 0;
  const synth::ArrayTruth array = Array(chip, options);

  // The model of every probe cell: background + brightness x affinity x its set's level.
  std::vector<double> logLevels;
  std::vector<double> pmLogAffinities;
  std::vector<double> mmLogAffinities;
  for (std::size_t u = 0; u < chip.units.size(); ++u) {
    const double level = array.unitLevels[u];
    logLevels.push_back(std::log(level));
    for (const auto& pair : chip.units[u].blocks[0].pairs)
      for (const synth::ProbeCell* probe : {&pair.pm, &pair.mm}) {
        const std::size_t index =
            static_cast<std::size_t>(probe->x) * 160 + static_cast<std::size_t>(probe->y);
        const double affinity = array.affinities[index];
        (probe == &pair.pm ? pmLogAffinities : mmLogAffinities).push_back(std::log(affinity));
        const double signal = std::min(20.0 * affinity * level, synth::kBrightestCell);
        EXPECT_NEAR(array.cells[index].model, std::min(80.0 + signal, synth::kBrightestCell), 1e-9);
      }
  }
  // Levels log-normal about 5.5 with spread 1.2; affinities about 1 (mismatch 0.35)
  // with spread 0.5.
  EXPECT_NEAR(Mean(logLevels), 5.5, 0.2);
  EXPECT_NEAR(Deviation(logLevels), 1.2, 0.15);
  EXPECT_NEAR(Mean(pmLogAffinities), 0.0, 0.03);
  EXPECT_NEAR(Deviation(pmLogAffinities), 0.5, 0.03);
  EXPECT_NEAR(Mean(mmLogAffinities), std::log(0.35), 0.03);
  EXPECT_NEAR(Deviation(mmLogAffinities), 0.5, 0.03);

  // Cells without a probe: additive noise alone. Bright cells: the log ratio to the
  // signal spreads by the multiplicative noise.
  std::vector<double> additive;
  std::vector<double> logRatios;
  int fewPixels = 0;
  for (std::size_t i = 0; i < array.cells.size(); ++i) {
    const synth::CellTruth& cell = array.cells[i];
    fewPixels += cell.pixels == 9 ? 1 : 0;
    if (array.affinities[i] == 0.0) {
      additive.push_back(cell.mean - cell.model);
      continue;
    }
    const double signal = cell.model - 80.0;
    if (signal > 3000.0 && signal < 30000.0)
      logRatios.push_back(std::log((cell.mean - 80.0) / signal));
  }
  ASSERT_GT(additive.size(), 5000u);
  ASSERT_GT(logRatios.size(), 500u);
  EXPECT_NEAR(Mean(additive), 0.0, 0.2);
  EXPECT_NEAR(Deviation(additive), 6.0, 0.15);
  EXPECT_NEAR(Mean(logRatios), 0.0, 0.015);
  EXPECT_NEAR(Deviation(logRatios), 0.1, 0.01);
  // About one cell in twenty reports 9 pixels, the others the count asked for.
  EXPECT_NEAR(fewPixels / static_cast<double>(array.cells.size()), 0.05, 0.01);
}

TEST(SynthArrayModel, OutliersAreBrightSpecksOrDarkScratchesOfTheirModel) {
  const synth::ChipTruth chip = Chip(synth::ChipKind::kExpression, 100, 100);
  synth::ArrayOptions options;
  options.outlierCells = 400;
  options.saturatedCells = 50;
  const synth::ArrayTruth array = Array(chip, options);
  int bright = 0;
  int dark = 0;
  for (const synth::CellTruth& cell : array.cells) {
    if (cell.flag == synth::CellFlag::kSaturated) {
      EXPECT_EQ(cell.mean, 65535.0f);
      EXPECT_EQ(cell.deviation, 0.0f);
    }
    if (cell.flag != synth::CellFlag::kOutlier) continue;
    const double factor = cell.mean / cell.model;
    if (factor < 1.0) {
      EXPECT_NEAR(cell.mean, 0.1 * cell.model, 0.051);
      ++dark;
    } else if (cell.mean < synth::kBrightestCell) {
      // A whole factor from 5 to 20, within the one decimal of the file.
      EXPECT_NEAR(factor, std::round(factor), 0.05 / cell.model + 1e-6);
      EXPECT_GE(std::round(factor), 5.0);
      EXPECT_LE(std::round(factor), 20.0);
      ++bright;
    }
    EXPECT_NEAR(cell.deviation, 0.5 * cell.mean + 10.0, 0.051);
  }
  EXPECT_GT(bright, 150);
  EXPECT_GT(dark, 150);
}

TEST(SynthCelFiles, AHandMadeRotatedCellIsWrittenAsWorkedOutByHand) {
  platform::testing::TempFolder folder;
  // A rotated array of side 2: the cell at layout (0, 1) is written at file (1, 1), the
  // last cell of the file.
  synth::ArrayTruth array;
  array.chipType = "Hand";
  array.name = "hand";
  array.scanTime = "01/02/03 04:05:06";
  array.dimension = 2;
  array.rotated = true;
  array.cells.resize(4);
  for (synth::CellTruth& cell : array.cells) cell = {80.0, 80.0f, 9.5f, 16};
  array.cells[1] = {100.0, 100.5f, 9.0f, 4};
  // A reader keeps 101 and 4 of it.
  EXPECT_EQ(synth::ExpectedIntensity(array.cells[1]), 101);
  EXPECT_EQ(synth::ExpectedStandardError(array.cells[1]), 4);

  ASSERT_TRUE(synth::WriteCel(array, synth::CelForm::kText, folder.File("t.CEL")));
  const std::string text = FileText(folder.File("t.CEL"));
  EXPECT_NE(text.find("0\t1\t80.0\t9.5\t16\n1\t1\t100.5\t9.0\t4\n\n[MASKS]"), std::string::npos)
      << text;

  ASSERT_TRUE(synth::WriteCel(array, synth::CelForm::kBinary, folder.File("b.CEL")));
  const std::vector<std::uint8_t> bytes = FileBytes(folder.File("b.CEL"));
  // No masked or outlier cells: the last ten bytes are that cell's mean, deviation and
  // pixel count.
  ASSERT_GT(bytes.size(), 10u);
  const std::uint8_t* last = bytes.data() + bytes.size() - 10;
  EXPECT_EQ(platform::LoadF32(last), 100.5f);
  EXPECT_EQ(platform::LoadF32(last + 4), 9.0f);
  EXPECT_EQ(platform::LoadU16(last + 8), 4);
}
