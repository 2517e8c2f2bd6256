// Making synthetic chips: the cells a kind's rules allow for a probe pair are listed,
// shuffled with the seed and handed out to the probe sets in order.
#include "tools/synth/chip_model.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>
#include <utility>

#include "engine/chip/array_kind_table.hpp"
#include "engine/chip/load_cdf.hpp"
#include "tools/synth/random.hpp"

namespace synth {
namespace {

constexpr int kMaxSynthDimension = 8192;

struct KindTraits {
  ChipKind kind;
  std::string_view name;
  int arrayType;
  bool rotated;
  bool pmOnly;
  bool exon;
  int blocks;
  int defaultMinPairs;
  int defaultMaxPairs;
};

constexpr std::array<KindTraits, 7> kKinds = {{
    {ChipKind::kExpression, "expression", 0, false, false, false, 1, 8, 16},
    {ChipKind::kPmOnly, "pm-only", 0, false, true, false, 1, 4, 12},
    {ChipKind::kExon, "exon", 0, true, true, true, 1, 4, 12},
    {ChipKind::kSnp1, "snp1", 1, false, false, false, 1, 10, 20},
    {ChipKind::kSnp2, "snp2", 2, false, false, false, 1, 10, 20},
    {ChipKind::kSnp3, "snp3", 3, false, false, false, 4, 8, 20},
    {ChipKind::kSnp3Rotated, "snp3-rotated", 3, true, false, false, 4, 8, 20},
}};

const KindTraits& TraitsOf(ChipKind kind) {
  for (const KindTraits& traits : kKinds)
    if (traits.kind == kind) return traits;
  return kKinds[0];
}

struct Slot {
  int pmX, pmY, mmX, mmY;
};

// Whether a row holds perfect-match cells on SNP arrays of kind 1.
bool Kind1PerfectRow(int y) {
  const int remainder = (y - 3) % 4;
  return remainder != 0 && remainder != 3;
}

// Every place a probe pair may take on the kind's chip, in layout coordinates.
std::vector<Slot> PairSlots(const KindTraits& traits, int dimension) {
  std::vector<Slot> slots;
  for (int x = 0; x < dimension; ++x) {
    if (traits.pmOnly) {
      for (int y = 0; y < dimension; ++y) slots.push_back({x, y, -1, -1});
    } else if (traits.arrayType == 0) {
      for (int y = 0; y + 1 < dimension; y += 2) slots.push_back({x, y, x, y + 1});
    } else if (traits.arrayType == 1) {
      std::vector<int> perfect;
      std::vector<int> mismatch;
      for (int y = 0; y < dimension; ++y) (Kind1PerfectRow(y) ? perfect : mismatch).push_back(y);
      for (std::size_t i = 0; i < std::min(perfect.size(), mismatch.size()); ++i)
        slots.push_back({x, perfect[i], x, mismatch[i]});
    } else {
      for (int y = 1; y < dimension; y += 2) slots.push_back({x, y, x, y - 1});
    }
  }
  return slots;
}

std::string UnitName(const KindTraits& traits, int index, int controls) {
  if (index < controls) {
    char text[32];
    std::snprintf(text, sizeof text, "KORX-Ctl%03d", index);
    return text;
  }
  if (index == controls && index > 0) {
    // One name of the longest length a probe set may have.
    std::string name = "LongName" + std::to_string(index);
    name.append(static_cast<std::size_t>(49) - name.size() - 1, 'x');
    return name + "9";
  }
  const char* prefix = traits.arrayType != 0 ? "Snp" : traits.exon ? "Exon" : "PSet";
  char text[32];
  std::snprintf(text, sizeof text, "%s%06d", prefix, index);
  return text;
}

}  // namespace

int ChipUnit::PairCount() const {
  int count = 0;
  for (const ProbeBlock& block : blocks) count += static_cast<int>(block.pairs.size());
  return count;
}

std::string_view ChipKindName(ChipKind kind) {
  return TraitsOf(kind).name;
}

std::optional<ChipKind> ParseChipKind(std::string_view name) {
  for (const KindTraits& traits : kKinds)
    if (traits.name == name) return traits.kind;
  return std::nullopt;
}

std::vector<ChipKind> AllChipKinds() {
  std::vector<ChipKind> kinds;
  for (const KindTraits& traits : kKinds) kinds.push_back(traits.kind);
  return kinds;
}

std::string DefaultChipType(ChipKind kind) {
  const std::span<const ArrayKindRow> rows = ArrayKindTable();
  switch (kind) {
    case ChipKind::kExpression:
      return "SynthExpr";
    case ChipKind::kPmOnly:
      return "SynthPmOnly";
    case ChipKind::kExon:
      return "Synth" + std::string(rows[4].fragments[0]);
    case ChipKind::kSnp1:
      return std::string(rows[0].names[0]);
    case ChipKind::kSnp2:
      return std::string(rows[1].names[0]);
    case ChipKind::kSnp3:
      return std::string(rows[2].names[0]);
    case ChipKind::kSnp3Rotated:
      return std::string(rows[3].names[0]);
  }
  return "SynthExpr";
}

std::optional<ChipTruth> MakeChip(const ChipOptions& options, std::string* error) {
  const auto fail = [error](std::string reason) -> std::optional<ChipTruth> {
    if (error != nullptr) *error = std::move(reason);
    return std::nullopt;
  };
  if (options.dimension < 2 || options.dimension > kMaxSynthDimension)
    return fail("the dimension must lie between 2 and " + std::to_string(kMaxSynthDimension));
  if (options.unitCount < 0) return fail("the number of probe sets must not be negative");

  const KindTraits& traits = TraitsOf(options.kind);
  ChipTruth chip;
  chip.kind = options.kind;
  chip.chipType = options.chipType.empty() ? DefaultChipType(options.kind) : options.chipType;
  chip.dimension = options.dimension;
  chip.arrayType = traits.arrayType;
  chip.rotated = traits.rotated;
  chip.pmOnly = traits.pmOnly;
  chip.exon = traits.exon;
  chip.custom = options.custom;

  SynthRandom random(options.seed);
  std::vector<Slot> slots = PairSlots(traits, options.dimension);
  const int unitCount = options.unitCount;

  // Pair counts: the asked range, or the kind's usual one shrunk until the chip holds it.
  int minPairs = options.minPairs;
  int maxPairs = options.maxPairs;
  if (minPairs <= 0 || maxPairs <= 0) {
    minPairs = traits.defaultMinPairs;
    maxPairs = traits.defaultMaxPairs;
    const double room = unitCount > 0 ? 0.95 * static_cast<double>(slots.size()) / unitCount : 0;
    if ((minPairs + maxPairs) / 2.0 > room) {
      minPairs = std::max(1, static_cast<int>(room * 2 / 3));
      maxPairs = std::max(minPairs, static_cast<int>(room * 4 / 3));
    }
  }
  if (maxPairs < minPairs) return fail("the pair range is empty");
  const int blocks = traits.blocks;
  std::vector<int> pairsPerBlock(static_cast<std::size_t>(unitCount));
  std::size_t totalPairs = 0;
  for (int& perBlock : pairsPerBlock) {
    perBlock = random.Between(std::max(1, minPairs / blocks), std::max(1, maxPairs / blocks));
    totalPairs += static_cast<std::size_t>(perBlock * blocks);
  }
  if (totalPairs > slots.size())
    return fail("the probe sets need " + std::to_string(totalPairs) + " probe pairs but the chip " +
                "holds " + std::to_string(slots.size()));
  random.Shuffle(slots);

  const int controls = std::min(20, unitCount / 20);
  std::size_t nextSlot = 0;
  int serial = 0;
  static constexpr std::array<char, 4> kBases = {'A', 'C', 'G', 'T'};
  chip.units.resize(static_cast<std::size_t>(unitCount));
  for (int u = 0; u < unitCount; ++u) {
    ChipUnit& unit = chip.units[static_cast<std::size_t>(u)];
    unit.name = UnitName(traits, u, controls);
    // The letter added in files must still leave a name the readers accept.
    if (options.trailingBaseNames && unit.name.size() > 48)
      unit.name.erase(0, unit.name.size() - 48);
    if (options.trailingBaseNames)
      unit.fileName = unit.name + kBases[static_cast<std::size_t>(u) % 4];
    const int perBlock = pairsPerBlock[static_cast<std::size_t>(u)];
    unit.blocks.resize(static_cast<std::size_t>(blocks));
    for (int b = 0; b < blocks; ++b) {
      ProbeBlock& block = unit.blocks[static_cast<std::size_t>(b)];
      block.name = unit.name;
      // Second-allele blocks of kind 3 carry minus the pairs of one block.
      const bool offsetBlock = traits.arrayType == 3 && (b == 1 || b == 3);
      for (int p = 0; p < perBlock; ++p) {
        const Slot& slot = slots[nextSlot++];
        ProbePair pair;
        ++serial;
        const int pmValue = chip.pmOnly ? serial : 2 * serial - 1;
        pair.pm = {slot.pmX, slot.pmY, offsetBlock ? -perBlock : pmValue};
        if (!chip.pmOnly) pair.mm = {slot.mmX, slot.mmY, offsetBlock ? -perBlock : 2 * serial};
        block.pairs.push_back(pair);
      }
    }
  }
  return chip;
}

std::string FileNameFor(const ChipTruth& chip, ChipForm form) {
  const std::string base = chip.custom ? chip.chipType + kCustomCdfMarker + "v1" : chip.chipType;
  switch (form) {
    case ChipForm::kTextCdf:
    case ChipForm::kBinaryCdf:
      return base + ".cdf";
    case ChipForm::kPgf:
      return base + ".pgf";
    case ChipForm::kProbeTab: {
      std::string name = base;
      const std::size_t underscore = name.find('_');
      if (underscore != std::string::npos) name[underscore] = '-';
      return name + "_probe_tab";
    }
    case ChipForm::kMask:
      return base + "_mask.txt";
    case ChipForm::kTruth:
      return base + ".truth.txt";
  }
  return base;
}

void ToFileCoordinates(const ChipTruth& chip, int dimension, int x, int y, int& fileX, int& fileY) {
  if (!chip.rotated) {
    fileX = x;
    fileY = y;
    return;
  }
  // The readers keep a cell given as (x, y) at (dimension-1-y, x).
  fileX = y;
  fileY = dimension - 1 - x;
}

}  // namespace synth
