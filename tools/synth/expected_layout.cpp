// The expected layout of a synthetic chip, built straight from the chip's truth rather
// than from any reader, so that the readers can be checked against it.
#include "tools/synth/expected_layout.hpp"

#include <algorithm>
#include <map>

#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/pgf_reader.hpp"
#include "platform/path.hpp"
#include "tools/synth/random.hpp"

namespace synth {

ExpectedLayout Expect(const ChipTruth& chip, ChipForm form) {
  ExpectedLayout layout;
  const bool pgf = form == ChipForm::kPgf;
  layout.dimension = pgf ? kPgfDimension : chip.dimension;
  layout.cells.assign(
      static_cast<std::size_t>(layout.dimension) * static_cast<std::size_t>(layout.dimension),
      ExpectedCell{});
  for (std::size_t u = 0; u < chip.units.size(); ++u) {
    const ChipUnit& unit = chip.units[u];
    layout.names.push_back(form == ChipForm::kBinaryCdf ? unit.NameInFiles() : unit.name);
    layout.pairCounts.push_back(unit.PairCount());
    int pairIndex = 0;
    for (const ProbeBlock& block : unit.blocks) {
      for (const ProbePair& pair : block.pairs) {
        const int unitIndex = static_cast<int>(u);
        layout.Cell(pair.pm.x, pair.pm.y) = {unitIndex, pairIndex, pgf ? 1 : pair.pm.value, 1};
        if (pair.mm.x >= 0)
          layout.Cell(pair.mm.x, pair.mm.y) = {unitIndex, pairIndex, pair.mm.value, 0};
        ++pairIndex;
      }
    }
  }
  return layout;
}

ProbeTab MakeProbeTab(const ChipTruth& chip, std::uint64_t seed, bool serialColumn) {
  SynthRandom random(seed);
  ProbeTab table;
  table.serialColumn = serialColumn;
  int serial = 0;
  for (const ChipUnit& unit : chip.units) {
    if (!random.Chance(40)) continue;
    for (const ProbeBlock& block : unit.blocks)
      for (const ProbePair& pair : block.pairs)
        table.lines.push_back({unit.NameInFiles(), pair.pm.x, pair.pm.y, 500000 + ++serial});
  }
  table.lines.push_back({"Outside", chip.dimension, 0, 7});
  return table;
}

void ApplyProbeTab(ExpectedLayout& layout, const ProbeTab& table) {
  for (const ProbeTabLine& line : table.lines) {
    if (line.x < 0 || line.x >= layout.dimension || line.y < 0 || line.y >= layout.dimension)
      continue;
    layout.Cell(line.x, line.y).value = line.position;
    if (line.y + 1 < layout.dimension) layout.Cell(line.x, line.y + 1).value = line.position;
  }
}

MaskPlan MakeMask(const ChipTruth& chip, std::uint64_t seed) {
  SynthRandom random(seed);
  MaskPlan plan;
  int style = 0;
  for (const ChipUnit& unit : chip.units) {
    if (!random.Chance(25)) continue;
    const int pairs = unit.PairCount();
    MaskLine line;
    line.name = unit.name;
    switch (style++ % 6) {
      case 0:  // whole probe set, empty list
        for (int p = 1; p <= pairs; ++p) line.pairs.push_back(p);
        break;
      case 1:
        line.list = "all";
        for (int p = 1; p <= pairs; ++p) line.pairs.push_back(p);
        break;
      case 2: {  // single pairs
        for (int p = 1; p <= pairs; p += 3) {
          line.list += (line.list.empty() ? "" : "|") + std::to_string(p);
          line.pairs.push_back(p);
        }
        break;
      }
      case 3: {  // a closed range inside the set
        const int first = std::min(pairs, 2);
        const int last = std::max(first, pairs - 1);
        line.list = std::to_string(first) + "-" + std::to_string(last);
        for (int p = first; p <= last; ++p) line.pairs.push_back(p);
        break;
      }
      case 4: {  // an open range to the last pair
        const int first = std::max(1, pairs / 2);
        line.list = std::to_string(first) + "-";
        for (int p = first; p <= pairs; ++p) line.pairs.push_back(p);
        break;
      }
      default: {  // a single pair and a range together
        line.list = "1|" + std::to_string(std::min(pairs, 3)) + "-" + std::to_string(pairs);
        line.pairs.push_back(1);
        for (int p = std::min(pairs, 3); p <= pairs; ++p)
          if (p != 1) line.pairs.push_back(p);
        break;
      }
    }
    plan.lines.push_back(line);
  }
  plan.lines.push_back({"NoSuchProbeSet", "1|2", {}, false});
  return plan;
}

void ApplyMask(ExpectedLayout& layout, const MaskPlan& plan) {
  const std::size_t unitCount = layout.names.size();
  std::vector<std::vector<bool>> masked(unitCount);
  for (std::size_t u = 0; u < unitCount; ++u)
    masked[u].assign(static_cast<std::size_t>(layout.pairCounts[u]), false);
  for (const MaskLine& line : plan.lines) {
    if (!line.known) continue;
    for (std::size_t u = 0; u < unitCount; ++u) {
      if (!platform::EqualsNoCase(layout.names[u], line.name)) continue;
      for (int p : line.pairs) masked[u][static_cast<std::size_t>(p - 1)] = true;
      break;
    }
  }
  std::vector<int> newUnit(unitCount, -1);
  std::vector<std::vector<int>> newPair(unitCount);
  std::vector<std::string> names;
  std::vector<int> pairCounts;
  for (std::size_t u = 0; u < unitCount; ++u) {
    int kept = 0;
    for (bool gone : masked[u]) newPair[u].push_back(gone ? -1 : kept++);
    if (kept == 0) continue;
    newUnit[u] = static_cast<int>(names.size());
    names.push_back(layout.names[u]);
    pairCounts.push_back(kept);
  }
  for (ExpectedCell& cell : layout.cells) {
    if (cell.kind == 2) continue;
    const auto u = static_cast<std::size_t>(cell.unit);
    const int pair = newPair[u][static_cast<std::size_t>(cell.pair)];
    if (newUnit[u] < 0 || pair < 0) {
      cell = ExpectedCell{};
      continue;
    }
    cell.unit = newUnit[u];
    cell.pair = pair;
  }
  layout.names = std::move(names);
  layout.pairCounts = std::move(pairCounts);
}

std::string CompareLayout(const CDF_LAYOUT& layout, const ExpectedLayout& expected,
                          bool compareValues) {
  if (layout.dimension != expected.dimension)
    return "dimension " + std::to_string(layout.dimension) + ", expected " +
           std::to_string(expected.dimension);
  if (layout.unitCount != static_cast<int>(expected.names.size()) ||
      layout.units.size() != expected.names.size())
    return "unit count " + std::to_string(layout.unitCount) + ", expected " +
           std::to_string(expected.names.size());
  for (std::size_t u = 0; u < expected.names.size(); ++u) {
    if (layout.units[u].Name() != expected.names[u])
      return "unit " + std::to_string(u) + " is named '" + std::string(layout.units[u].Name()) +
             "', expected '" + expected.names[u] + "'";
    if (layout.units[u].pairCount != expected.pairCounts[u])
      return "unit " + expected.names[u] + " has " + std::to_string(layout.units[u].pairCount) +
             " pairs, expected " + std::to_string(expected.pairCounts[u]);
  }
  if (layout.cells.size() != expected.cells.size()) return "the cell table has the wrong size";
  for (int x = 0; x < expected.dimension; ++x) {
    for (int y = 0; y < expected.dimension; ++y) {
      const std::size_t index =
          static_cast<std::size_t>(x) * static_cast<std::size_t>(expected.dimension) +
          static_cast<std::size_t>(y);
      const ExpectedCell& want = expected.cells[index];
      const CELL_RECORD& got = layout.cells[index];
      const std::string where = "cell (" + std::to_string(x) + ", " + std::to_string(y) + ")";
      if (got.kind != want.kind)
        return where + " has kind " + std::to_string(got.kind) + ", expected " +
               std::to_string(want.kind);
      if (want.kind == 2) continue;
      if (got.unit != want.unit || got.pair != want.pair)
        return where + " belongs to unit " + std::to_string(got.unit) + " pair " +
               std::to_string(got.pair) + ", expected unit " + std::to_string(want.unit) +
               " pair " + std::to_string(want.pair);
      if (compareValues && got.value != want.value)
        return where + " has value " + std::to_string(got.value) + ", expected " +
               std::to_string(want.value);
    }
  }
  return {};
}

}  // namespace synth
