// The chip files say what the chip's truth says. Each form is read back here from its
// bytes, without the engine's readers: every probe of every probe set sits in the cell
// the truth gives it (turned back on rotated chips), with its position number, its pair
// and its kind, in every chip kind; the plans of probe tab and mask files are what their
// lines say.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/chip_writers.hpp"
#include "tools/synth/expected_layout.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using namespace synth::testing;

struct ProbeAt {
  int unit = 0;
  int pair = 0;
  int value = 0;
  bool perfect = false;
  bool operator==(const ProbeAt&) const = default;
};
// Layout cell (x, y) -> the probe there.
using ProbeMap = std::map<std::pair<int, int>, ProbeAt>;

ProbeMap TruthProbes(const synth::ChipTruth& chip) {
  ProbeMap probes;
  for (std::size_t u = 0; u < chip.units.size(); ++u) {
    int pair = 0;
    for (const auto& block : chip.units[u].blocks)
      for (const auto& probePair : block.pairs) {
        probes[{probePair.pm.x, probePair.pm.y}] = {static_cast<int>(u), pair, probePair.pm.value,
                                                    true};
        if (probePair.mm.x >= 0)
          probes[{probePair.mm.x, probePair.mm.y}] = {static_cast<int>(u), pair, probePair.mm.value,
                                                      false};
        ++pair;
      }
  }
  return probes;
}

std::string FirstDifference(const ProbeMap& read, const ProbeMap& truth) {
  if (read.size() != truth.size())
    return std::to_string(read.size()) + " probes read, " + std::to_string(truth.size()) +
           " in the truth";
  for (const auto& [cell, want] : truth) {
    const auto found = read.find(cell);
    const std::string where =
        "(" + std::to_string(cell.first) + ", " + std::to_string(cell.second) + ")";
    if (found == read.end()) return "no probe read at " + where;
    const ProbeAt& got = found->second;
    if (!(got == want))
      return where + ": read unit " + std::to_string(got.unit) + " pair " +
             std::to_string(got.pair) + " value " + std::to_string(got.value) +
             (got.perfect ? " pm" : " mm") + "; truth unit " + std::to_string(want.unit) +
             " pair " + std::to_string(want.pair) + " value " + std::to_string(want.value) +
             (want.perfect ? " pm" : " mm");
  }
  return {};
}

// The row rule by which readers of SNP chips tell a perfect-match cell.
bool PerfectRow(int arrayType, int y) {
  // The remainder keeps the sign of y - 3, so rows 0 to 2 are perfect-match rows.
  if (arrayType == 1) return (y - 3) % 4 != 0 && (y - 3) % 4 != 3;
  return y % 2 == 1;
}

synth::ChipTruth MakeChip(synth::ChipKind kind, int dimension, int units, bool custom = false,
                          bool trailingBase = false, std::uint64_t seed = 5) {
  synth::ChipOptions options;
  options.kind = kind;
  options.dimension = dimension;
  options.unitCount = units;
  options.seed = seed;
  options.custom = custom;
  options.trailingBaseNames = trailingBase;
  std::string error;
  auto chip = synth::MakeChip(options, &error);
  EXPECT_TRUE(chip.has_value()) << error;
  return chip.value_or(synth::ChipTruth{});
}

// A text chip description as its lines say it: the chip section, and per unit section its
// name and counts, per cell line its probe.
struct TextChip {
  std::map<std::string, std::string> chip;  // keys of the chip section
  std::string version;
  std::vector<std::string> unitNames;
  std::vector<std::string> unitAtoms;  // "pairs cellsPerPair"
  std::vector<int> unitCells;
  std::vector<int> unitBlocks;
  std::vector<int> blocksSeen;
  std::vector<int> cellLinesOfUnit;
  int mutationLines = 0;
  int blockDirectionLines = 0;
  ProbeMap probes;
  std::vector<std::string> problems;
};

TextChip ReadTextChip(const std::string& text, const synth::ChipTruth& chip) {
  TextChip read;
  std::string section;
  int blockCells = 0;
  int blockDeclared = -1;
  const auto closeBlock = [&] {
    if (blockDeclared >= 0 && blockDeclared != blockCells)
      read.problems.push_back(section + " declares " + std::to_string(blockDeclared) +
                              " cells, has " + std::to_string(blockCells));
    blockDeclared = -1;
    blockCells = 0;
  };
  for (const std::string& line : TextLines(text)) {
    if (line.empty()) continue;
    if (line.front() == '[') {
      closeBlock();
      section = line;
      if (section.starts_with("[Unit") && section.find('_') == std::string::npos) {
        read.blocksSeen.push_back(0);
        read.cellLinesOfUnit.push_back(0);
      }
      if (section.find("_Block") != std::string::npos && !read.blocksSeen.empty())
        ++read.blocksSeen.back();
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (section == "[CDF]" && key == "Version") read.version = value;
    if (section == "[Chip]") read.chip[key] = value;
    if (!section.starts_with("[Unit")) continue;
    const bool block = section.find("_Block") != std::string::npos;
    const int unit = static_cast<int>(read.blocksSeen.size()) - 1;
    if (!block) {
      if (key == "Name") read.unitNames.push_back(value);
      if (key == "NumAtoms") read.unitAtoms.push_back(value);
      if (key == "NumCells") read.unitCells.push_back(Whole(value));
      if (key == "NumberBlocks") read.unitBlocks.push_back(Whole(value));
      if (key == "MutationType") ++read.mutationLines;
      continue;
    }
    if (key == "Direction") ++read.blockDirectionLines;
    if (key == "Name" && value != read.unitNames.back())
      read.problems.push_back(section + " is named " + value + ", its unit " +
                              read.unitNames.back());
    if (key == "NumCells") blockDeclared = Whole(value);
    if (!key.starts_with("Cell") || key == "CellHeader") continue;
    ++blockCells;
    ++read.cellLinesOfUnit.back();
    const std::vector<std::string> fields = Fields(value);
    ProbeAt probe;
    probe.unit = unit;
    if (chip.custom) {
      if (fields.size() != 4) {
        read.problems.push_back("custom cell line with " + std::to_string(fields.size()) +
                                " fields: " + line);
        continue;
      }
      probe.value = Whole(fields[2]);
      probe.perfect = fields[3] != "0";
      // The pair of a custom line is its place among the unit's cell lines.
      probe.pair = (read.cellLinesOfUnit.back() - 1) / chip.CellsPerPair();
    } else {
      if (fields.size() != 11 || fields[4] != read.unitNames.back() || fields[6] != fields[10]) {
        read.problems.push_back("cell line " + line);
        continue;
      }
      probe.value = Whole(fields[5]);
      probe.pair = Whole(fields[10]);
      probe.perfect = fields[8] != fields[9];  // the probe's base against the target's
    }
    const auto cell = LayoutCell(chip.rotated, chip.dimension, Whole(fields[0]), Whole(fields[1]));
    if (!read.probes.emplace(cell, probe).second)
      read.problems.push_back("a second probe at " + line);
  }
  closeBlock();
  return read;
}

// A binary chip description read field by field as its layout lays it out.
struct BinaryChip {
  std::int32_t magic = 0;
  std::int32_t version = 0;
  std::uint16_t cols = 0;
  std::uint16_t rows = 0;
  std::vector<std::string> unitNames;
  std::vector<std::string> blockNames;
  std::vector<int> unitAtoms;
  std::vector<int> unitCells;
  ProbeMap probes;
  bool complete = false;  // every field read and nothing left over
};

std::string FixedName(platform::ByteReader& reader) {
  std::uint8_t bytes[64] = {};
  if (!reader.ReadBytes(64, bytes)) return {};
  return std::string(reinterpret_cast<const char*>(bytes),
                     strnlen(reinterpret_cast<const char*>(bytes), 64));
}

BinaryChip ReadBinaryChip(const std::vector<std::uint8_t>& bytes, const synth::ChipTruth& chip) {
  BinaryChip read;
  platform::ByteReader reader(bytes);
  std::int32_t units = 0;
  std::int32_t qcUnits = 0;
  std::string reference;
  if (!reader.ReadInt32(read.magic) || !reader.ReadInt32(read.version) ||
      !reader.ReadUInt16(read.cols) || !reader.ReadUInt16(read.rows) || !reader.ReadInt32(units) ||
      !reader.ReadInt32(qcUnits) || !reader.ReadCountedString(reference) || units < 0 ||
      qcUnits < 0)
    return read;
  for (std::int32_t u = 0; u < units; ++u) read.unitNames.push_back(FixedName(reader));
  if (!reader.Skip(4 * static_cast<std::size_t>(qcUnits + units))) return read;
  for (std::int32_t q = 0; q < qcUnits; ++q) {
    std::uint16_t type = 0;
    std::int32_t cells = 0;
    if (!reader.ReadUInt16(type) || !reader.ReadInt32(cells) || cells < 0 ||
        !reader.Skip(7 * static_cast<std::size_t>(cells)))
      return read;
  }
  for (std::int32_t u = 0; u < units; ++u) {
    std::uint16_t unitType = 0;
    std::uint8_t direction = 0;
    std::uint8_t cellsPerAtom = 0;
    std::int32_t atoms = 0;
    std::int32_t blocks = 0;
    std::int32_t cells = 0;
    std::int32_t number = 0;
    if (!reader.ReadUInt16(unitType) || !reader.ReadUInt8(direction) || !reader.ReadInt32(atoms) ||
        !reader.ReadInt32(blocks) || !reader.ReadInt32(cells) || !reader.ReadInt32(number) ||
        !reader.ReadUInt8(cellsPerAtom) || blocks < 0)
      return read;
    read.unitAtoms.push_back(atoms);
    read.unitCells.push_back(cells);
    for (std::int32_t b = 0; b < blocks; ++b) {
      std::int32_t blockAtoms = 0;
      std::int32_t blockCells = 0;
      std::int32_t firstAtom = 0;
      std::int32_t lastAtom = 0;
      std::uint8_t blockCellsPerAtom = 0;
      std::uint8_t blockDirection = 0;
      if (!reader.ReadInt32(blockAtoms) || !reader.ReadInt32(blockCells) ||
          !reader.ReadUInt8(blockCellsPerAtom) || !reader.ReadUInt8(blockDirection) ||
          !reader.ReadInt32(firstAtom) || !reader.ReadInt32(lastAtom) || blockCells < 0)
        return read;
      read.blockNames.push_back(FixedName(reader));
      for (std::int32_t c = 0; c < blockCells; ++c) {
        std::int32_t atom = 0;
        std::int32_t position = 0;
        std::uint16_t x = 0;
        std::uint16_t y = 0;
        std::uint8_t probeBase = 0;
        std::uint8_t targetBase = 0;
        if (!reader.ReadInt32(atom) || !reader.ReadUInt16(x) || !reader.ReadUInt16(y) ||
            !reader.ReadInt32(position) || !reader.ReadUInt8(probeBase) ||
            !reader.ReadUInt8(targetBase))
          return read;
        if (atom < firstAtom || atom > lastAtom) return read;
        const auto cell = LayoutCell(chip.rotated, chip.dimension, x, y);
        if (!read.probes.emplace(cell, ProbeAt{u, atom, position, probeBase != targetBase}).second)
          return read;
      }
    }
  }
  read.complete = reader.Remaining() == 0 && !reader.Failed();
  return read;
}

// The pairs (from 1) a mask list names: "" and "all" every pair, else '|'-separated
// numbers and ranges, a range without an end running to the last pair.
std::vector<int> PairsOfList(const std::string& list, int pairs) {
  std::set<int> named;
  if (list.empty() || list == "all") {
    for (int p = 1; p <= pairs; ++p) named.insert(p);
    return {named.begin(), named.end()};
  }
  for (const std::string& item : Fields(list, '|')) {
    const std::size_t dash = item.find('-');
    if (dash == std::string::npos) {
      named.insert(Whole(item));
      continue;
    }
    const int first = Whole(item.substr(0, dash));
    const int last = dash + 1 == item.size() ? pairs : Whole(item.substr(dash + 1));
    for (int p = first; p <= last; ++p) named.insert(p);
  }
  return {named.begin(), named.end()};
}

}  // namespace

TEST(SynthChipFiles, TextChipDescriptionsPutEveryProbeWhereTheTruthDoes) {
  platform::testing::TempFolder folder;
  struct Case {
    synth::ChipKind kind;
    bool custom;
    bool trailingBase;
  };
  std::vector<Case> cases;
  for (synth::ChipKind kind : synth::AllChipKinds())
    cases.push_back({kind, false, kind == synth::ChipKind::kSnp2});
  cases.push_back({synth::ChipKind::kExpression, true, false});
  cases.push_back({synth::ChipKind::kPmOnly, true, false});
  for (const Case& c : cases) {
    // Enough probe sets for the controls and the longest name.
    const synth::ChipTruth chip = MakeChip(c.kind, 60, 45, c.custom, c.trailingBase);
    const bool snp = chip.arrayType != 0;
    for (int version = 1; version <= 3; ++version) {
      SCOPED_TRACE(std::string(synth::ChipKindName(c.kind)) + (c.custom ? " custom" : "") +
                   " version " + std::to_string(version));
      const std::string path = folder.File("chip.cdf");
      ASSERT_TRUE(synth::WriteTextCdf(chip, path, version));
      const TextChip read = ReadTextChip(FileText(path), chip);
      EXPECT_TRUE(read.problems.empty()) << read.problems.front();
      EXPECT_EQ(read.version, "TW" + std::to_string(version) + ".0");
      EXPECT_EQ(read.chip.at("Name"), chip.chipType);
      EXPECT_EQ(Whole(read.chip.at("Rows")), chip.dimension);
      EXPECT_EQ(Whole(read.chip.at("Cols")), chip.dimension);
      EXPECT_EQ(Whole(read.chip.at("NumberOfUnits")), static_cast<int>(chip.units.size()));
      EXPECT_EQ(read.chip.count("ChipReference"), version > 1 ? 1u : 0u);
      EXPECT_EQ(read.mutationLines, snp && version > 1 ? static_cast<int>(chip.units.size()) : 0);
      int blocks = 0;
      for (const auto& unit : chip.units) blocks += static_cast<int>(unit.blocks.size());
      EXPECT_EQ(read.blockDirectionLines, snp && version == 3 ? blocks : 0);

      ASSERT_EQ(read.unitNames.size(), chip.units.size());
      for (std::size_t u = 0; u < chip.units.size(); ++u) {
        const synth::ChipUnit& unit = chip.units[u];
        const int pairs = unit.PairCount();
        // The readers refuse names of 50 characters or more, and strip one base letter
        // where the chip type asks for it.
        EXPECT_LT(read.unitNames[u].size(), 50u);
        if (c.trailingBase) {
          EXPECT_EQ(read.unitNames[u].substr(0, read.unitNames[u].size() - 1), unit.name);
          EXPECT_NE(std::string("ACGT").find(read.unitNames[u].back()), std::string::npos);
        } else {
          EXPECT_EQ(read.unitNames[u], unit.name);
        }
        EXPECT_EQ(read.unitAtoms[u],
                  std::to_string(pairs) + " " + std::to_string(chip.CellsPerPair()));
        EXPECT_EQ(read.unitCells[u], pairs * chip.CellsPerPair());
        EXPECT_EQ(read.cellLinesOfUnit[u], pairs * chip.CellsPerPair());
        EXPECT_EQ(read.unitBlocks[u], static_cast<int>(unit.blocks.size()));
        EXPECT_EQ(read.blocksSeen[u], static_cast<int>(unit.blocks.size()));
      }
      EXPECT_EQ(FirstDifference(read.probes, TruthProbes(chip)), "");
      // SNP readers tell the kind by the row alone: it must agree with the bases.
      for (const auto& [cell, probe] : read.probes) {
        if (snp) {
          EXPECT_EQ(probe.perfect, PerfectRow(chip.arrayType, cell.second))
              << cell.first << "," << cell.second;
        }
        if (chip.pmOnly) {
          EXPECT_TRUE(probe.perfect);
        }
      }
    }
  }
}

TEST(SynthChipFiles, BinaryChipDescriptionsPutEveryProbeWhereTheTruthDoes) {
  platform::testing::TempFolder folder;
  for (synth::ChipKind kind : synth::AllChipKinds()) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    const synth::ChipTruth chip = MakeChip(kind, 60, 45, false, kind == synth::ChipKind::kSnp2);
    const std::string path = folder.File("chip.cdf");
    ASSERT_TRUE(synth::WriteBinaryCdf(chip, path));
    const BinaryChip read = ReadBinaryChip(FileBytes(path), chip);
    ASSERT_TRUE(read.complete);
    EXPECT_EQ(read.magic, 67);
    EXPECT_EQ(read.version, 1);
    EXPECT_EQ(read.cols, chip.dimension);
    EXPECT_EQ(read.rows, chip.dimension);
    ASSERT_EQ(read.unitNames.size(), chip.units.size());
    std::size_t block = 0;
    for (std::size_t u = 0; u < chip.units.size(); ++u) {
      const synth::ChipUnit& unit = chip.units[u];
      EXPECT_EQ(read.unitNames[u], unit.NameInFiles());
      EXPECT_EQ(read.unitAtoms[u], unit.PairCount());
      EXPECT_EQ(read.unitCells[u], unit.PairCount() * chip.CellsPerPair());
      for (std::size_t b = 0; b < unit.blocks.size(); ++b)
        EXPECT_EQ(read.blockNames.at(block++), unit.NameInFiles());
    }
    EXPECT_EQ(FirstDifference(read.probes, TruthProbes(chip)), "");
    for (const auto& [cell, probe] : read.probes) {
      if (chip.arrayType != 0) {
        EXPECT_EQ(probe.perfect, PerfectRow(chip.arrayType, cell.second));
      }
    }
  }
}

TEST(SynthChipFiles, ProbeGroupFilesListEachProbeByItsNumberOnTheFixedGrid) {
  platform::testing::TempFolder folder;
  for (synth::ChipKind kind : {synth::ChipKind::kPmOnly, synth::ChipKind::kExon}) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    const synth::ChipTruth chip = MakeChip(kind, 50, 30);
    const std::string path = folder.File("chip.pgf");
    ASSERT_TRUE(synth::WritePgf(chip, path));
    const std::vector<std::string> lines = TextLines(FileText(path));
    int declared = -1;
    int probeSetLines = 0;
    bool selected = false;
    int pairInSet = 0;
    std::vector<std::string> names;
    ProbeMap probes;
    std::set<int> atoms;
    for (const std::string& line : lines) {
      if (line.starts_with("#%")) {
        if (line.starts_with("#%chip_type=")) {
          EXPECT_EQ(line.substr(12), chip.chipType);
        }
        if (line.starts_with("#%probeset_count=")) declared = Whole(line.substr(17));
        continue;
      }
      const std::vector<std::string> fields = Fields(line);
      if (!line.starts_with('\t')) {
        ++probeSetLines;
        selected = fields.size() == 2 && fields[1] == "main";
        if (selected) names.push_back(fields[0]);
        pairInSet = 0;
        continue;
      }
      if (!line.starts_with("\t\t")) {
        ASSERT_EQ(fields.size(), 2u) << line;
        EXPECT_TRUE(atoms.insert(Whole(fields[1])).second) << "atom listed twice: " << line;
        continue;
      }
      ASSERT_EQ(fields.size(), 4u) << line;
      EXPECT_EQ(fields[3], "pm");
      if (!selected) continue;
      const int number = Whole(fields[2]) - 1;
      const auto cell = LayoutCell(chip.rotated, 2560, number % 2560, number / 2560);
      const int unit = static_cast<int>(names.size()) - 1;
      EXPECT_TRUE(probes.emplace(cell, ProbeAt{unit, pairInSet++, 1, true}).second) << line;
    }
    EXPECT_EQ(declared, probeSetLines);
    EXPECT_GT(probeSetLines, static_cast<int>(chip.units.size()));  // probe sets to pass over
    ASSERT_EQ(names.size(), chip.units.size());
    for (std::size_t u = 0; u < names.size(); ++u) EXPECT_EQ(names[u], chip.units[u].name);
    ProbeMap truth = TruthProbes(chip);
    for (auto& [cell, probe] : truth) probe.value = 1;  // the grid keeps no position numbers
    EXPECT_EQ(FirstDifference(probes, truth), "");
  }
  // Only perfect-match chips that fit the grid have a probe group file.
  EXPECT_FALSE(
      synth::WritePgf(MakeChip(synth::ChipKind::kExpression, 20, 4), folder.File("no.pgf")));
  synth::ChipTruth wide;
  wide.pmOnly = true;
  wide.dimension = 2561;
  EXPECT_FALSE(synth::WritePgf(wide, folder.File("wide.pgf")));
}

TEST(SynthChipFiles, ProbeTabAndMaskFilesSayWhatTheirPlansSay) {
  platform::testing::TempFolder folder;
  const synth::ChipTruth chip = MakeChip(synth::ChipKind::kExpression, 100, 120);
  const ProbeMap truth = TruthProbes(chip);
  for (bool serial : {false, true}) {
    SCOPED_TRACE(serial);
    const synth::ProbeTab table = synth::MakeProbeTab(chip, 7, serial);
    const std::string path = folder.File("tab");
    ASSERT_TRUE(synth::WriteProbeTab(table, path));
    const std::vector<std::string> lines = TextLines(FileText(path));
    ASSERT_EQ(lines.size(), table.lines.size() + 1);
    EXPECT_EQ(lines[0].find("Serial Order") != std::string::npos, serial);
    std::set<int> positions;
    for (std::size_t i = 0; i < table.lines.size(); ++i) {
      const synth::ProbeTabLine& want = table.lines[i];
      std::vector<std::string> fields = Fields(lines[i + 1]);
      ASSERT_EQ(fields.size(), serial ? 5u : 4u) << lines[i + 1];
      if (serial) {
        EXPECT_EQ(Whole(fields[1]), static_cast<int>(i) + 1);
        fields.erase(fields.begin() + 1);
      }
      EXPECT_EQ(fields[0], want.name);
      EXPECT_EQ(Whole(fields[1]), want.x);
      EXPECT_EQ(Whole(fields[2]), want.y);
      EXPECT_EQ(Whole(fields[3]), want.position);
      if (i + 1 == table.lines.size()) {
        EXPECT_EQ(want.x, chip.dimension);  // the one line outside the chip
        continue;
      }
      // Every other line gives a perfect-match cell of the probe set it names a new,
      // distinct position.
      const auto found = truth.find({want.x, want.y});
      ASSERT_NE(found, truth.end()) << lines[i + 1];
      EXPECT_TRUE(found->second.perfect);
      EXPECT_EQ(chip.units[static_cast<std::size_t>(found->second.unit)].NameInFiles(), want.name);
      EXPECT_TRUE(positions.insert(want.position).second);
    }
    EXPECT_GT(positions.size(), 100u);
  }

  const synth::MaskPlan plan = synth::MakeMask(chip, 7);
  const std::string path = folder.File("mask.txt");
  ASSERT_TRUE(synth::WriteMask(plan, path));
  const std::vector<std::string> lines = TextLines(FileText(path));
  ASSERT_EQ(lines.size(), plan.lines.size());
  std::set<std::string> lists;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const synth::MaskLine& want = plan.lines[i];
    const std::vector<std::string> fields = Fields(lines[i]);
    ASSERT_LE(fields.size(), 2u);
    EXPECT_EQ(fields[0], want.name);
    const std::string list = fields.size() == 2 ? fields[1] : "";
    EXPECT_EQ(list, want.list);
    const auto unit = std::find_if(chip.units.begin(), chip.units.end(),
                                   [&](const synth::ChipUnit& u) { return u.name == want.name; });
    EXPECT_EQ(unit != chip.units.end(), want.known) << want.name;
    if (unit == chip.units.end()) continue;
    std::vector<int> pairs = want.pairs;
    std::sort(pairs.begin(), pairs.end());
    EXPECT_EQ(PairsOfList(list, unit->PairCount()), pairs) << lines[i];
    lists.insert(list.empty()         ? "empty"
                 : list == "all"      ? "all"
                 : list.back() == '-' ? "open"
                                      : list);
  }
  EXPECT_FALSE(plan.lines.back().known);
  EXPECT_TRUE(lists.contains("empty") && lists.contains("all") && lists.contains("open"));
}

TEST(SynthChipFiles, TheTruthListingNamesEveryPairsCells) {
  platform::testing::TempFolder folder;
  const synth::ChipTruth chip = MakeChip(synth::ChipKind::kSnp3Rotated, 40, 12);
  const std::string path = folder.File("truth.txt");
  ASSERT_TRUE(synth::WriteTruth(chip, path));
  const std::vector<std::string> lines = TextLines(FileText(path));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "chip\t" + chip.chipType + "\tsnp3-rotated\t40\t12");
  ProbeMap read;
  int unit = -1;
  int pairsLeft = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> fields = Fields(lines[i]);
    if (fields[0] == "unit") {
      EXPECT_EQ(pairsLeft, 0);
      ++unit;
      ASSERT_LT(unit, 12);
      EXPECT_EQ(fields[1], chip.units[static_cast<std::size_t>(unit)].name);
      pairsLeft = Whole(fields[2]);
      continue;
    }
    ASSERT_EQ(fields.size(), 8u) << lines[i];
    --pairsLeft;
    const int pair = Whole(fields[1]);
    read[{Whole(fields[2]), Whole(fields[3])}] = {unit, pair, Whole(fields[4]), true};
    read[{Whole(fields[5]), Whole(fields[6])}] = {unit, pair, Whole(fields[7]), false};
  }
  EXPECT_EQ(unit, 11);
  EXPECT_EQ(FirstDifference(read, TruthProbes(chip)), "");
}

TEST(SynthChipFiles, AHandMadeRotatedPairIsWrittenAsWorkedOutByHand) {
  platform::testing::TempFolder folder;
  // One probe set of one pair on a rotated chip of side 4: the perfect match at layout
  // (1, 0), the mismatch at (1, 1). Turned for the files, (x, y) goes to (y, 3 - x).
  synth::ChipTruth chip;
  chip.chipType = "Hand";
  chip.dimension = 4;
  chip.rotated = true;
  synth::ChipUnit unit;
  unit.name = "U";
  synth::ProbePair pair;
  pair.pm = {1, 0, 1};
  pair.mm = {1, 1, 2};
  unit.blocks.push_back({"U", {pair}});
  chip.units.push_back(unit);

  ASSERT_TRUE(synth::WriteTextCdf(chip, folder.File("hand.cdf")));
  const std::string text = FileText(folder.File("hand.cdf"));
  // The target of pair 0 is A: the mismatch probe is A too, the perfect match T.
  EXPECT_NE(
      text.find("\nCell1=1\t2\tN\tf\tU\t2\t0\tA\tA\tA\t0\nCell2=0\t2\tN\tf\tU\t1\t0\tT\tT\tA\t0\n"),
      std::string::npos)
      << text;

  ASSERT_TRUE(synth::WriteBinaryCdf(chip, folder.File("hand.bin.cdf")));
  const std::vector<std::uint8_t> bytes = FileBytes(folder.File("hand.bin.cdf"));
  // The perfect match's cell record: atom 0, x 0, y 2, position 1, bases T and A.
  const std::vector<std::uint8_t> record = {0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 0, 0, 'T', 'A'};
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), record.begin(), record.end()), bytes.end());

  // On the fixed grid of 2560 the turn sends (1, 0) to (0, 2558): probe number
  // 2558 x 2560 + 0 + 1.
  chip.pmOnly = true;
  chip.units[0].blocks[0].pairs[0].mm = {};
  ASSERT_TRUE(synth::WritePgf(chip, folder.File("hand.pgf")));
  EXPECT_NE(FileText(folder.File("hand.pgf")).find("\nU\tmain\n\t1\n\t\t6548481\tpm\n"),
            std::string::npos);
}
