// A synthetic chip and the truth it was made from: dimension, array kind, probe sets
// with their names and probe pairs, and each probe's cell. The writers of every chip
// file form, and later of cell files, work from this one description.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace synth {

enum class ChipKind {
  kExpression,   // perfect-match and mismatch pairs, kind from the bases
  kPmOnly,       // perfect-match probes only (the PM-only setting must be on)
  kExon,         // perfect-match only, rotated, recognised by its chip type
  kSnp1,         // SNP kind 1: the kind follows the row in fours
  kSnp2,         // SNP kind 2: odd rows perfect match
  kSnp3,         // SNP kind 3: odd rows perfect match, four blocks per probe set
  kSnp3Rotated,  // SNP kind 3 with rotated cell coordinates
};

std::string_view ChipKindName(ChipKind kind);
std::optional<ChipKind> ParseChipKind(std::string_view name);
std::vector<ChipKind> AllChipKinds();

// One probe's cell, in layout coordinates (after any rotation).
struct ProbeCell {
  int x = -1;  // -1: no cell (the mismatch of a perfect-match-only pair)
  int y = -1;
  int value = 0;  // the position number the layout keeps for the cell
};

struct ProbePair {
  ProbeCell pm;
  ProbeCell mm;
};

struct ProbeBlock {
  std::string name;
  std::vector<ProbePair> pairs;
};

struct ChipUnit {
  std::string name;      // the name the layout ends up with
  std::string fileName;  // the name written into chip files, when it differs
  std::vector<ProbeBlock> blocks;

  int PairCount() const;
  const std::string& NameInFiles() const { return fileName.empty() ? name : fileName; }
};

struct ChipTruth {
  ChipKind kind = ChipKind::kExpression;
  std::string chipType;
  int dimension = 0;
  int arrayType = 0;
  bool rotated = false;
  bool pmOnly = false;
  bool exon = false;
  bool custom = false;  // written as a custom chip description (file name with the marker)
  std::vector<ChipUnit> units;

  // The cells of one pair, perfect match first; one cell on perfect-match-only chips.
  int CellsPerPair() const { return pmOnly ? 1 : 2; }
};

struct ChipOptions {
  ChipKind kind = ChipKind::kExpression;
  int dimension = 20;
  int unitCount = 10;
  std::uint64_t seed = 1;
  // Pairs per probe set; 0 picks a range that fits the chip.
  int minPairs = 0;
  int maxPairs = 0;
  std::string chipType;  // empty: the kind's own chip type
  bool custom = false;
  // Names in files get one more base letter, which the text reader strips on the
  // chip type that asks for it.
  bool trailingBaseNames = false;
};

// A chip with the units placed at random cells. Empty, with the reason in error, when
// the units do not fit the chip or the options make no sense.
std::optional<ChipTruth> MakeChip(const ChipOptions& options, std::string* error = nullptr);

// The chip type the kind is recognised by.
std::string DefaultChipType(ChipKind kind);

enum class ChipForm { kTextCdf, kBinaryCdf, kPgf, kProbeTab, kMask, kTruth };

// The file name a form of the chip is written under, so that the chip type, the custom
// marker and the probe tab file's name come out as the readers derive them.
std::string FileNameFor(const ChipTruth& chip, ChipForm form);

// A cell in file coordinates for a reader that works on a square of side dimension.
void ToFileCoordinates(const ChipTruth& chip, int dimension, int x, int y, int& fileX, int& fileY);

}  // namespace synth
