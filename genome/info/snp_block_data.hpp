// One SNP's probe intensities laid into its mini-blocks for every array of the group, the
// allele-A contrast of each block and the two-way fit of those contrasts that places each
// array as a point of the SNP view.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "engine/numerics/two_way_matrix.hpp"

// Blocks of one SNP (two probe pairs each); a SNP of more pairs is refused.
inline constexpr int MAX_MINI_BLOCK = 20;
// Values of a block: allele A mismatch, A perfect match, B perfect match, B mismatch (the
// rows of the probe strip).
inline constexpr int kSnpBlockValues = 4;
inline constexpr int kSnpBlockCells = MAX_MINI_BLOCK * kSnpBlockValues;

inline constexpr const char* kMaxMiniBlockMessage = "    Error: Exceeds the MAX_MINI_BLOCK limit";
inline constexpr const char* kSetRowColMessage = "    Error: SetRowCol() exceeds limit";
// A SNP the view cannot show: its picture would divide by its block count or its largest
// intensity.
inline constexpr const char* kTooFewSnpPairsMessage =
    "    Error: the SNP has fewer than two probe pairs";
inline constexpr const char* kNoSnpIntensitiesMessage =
    "    Error: no probe intensities are held for the SNP";
inline constexpr const char* kNoPositiveSnpIntensityMessage =
    "    Error: the SNP has no positive intensity";

class SNP_BLOCK_DATA {
 public:
  int blockCount = 0;
  // One block of one array, as GetBlockValues unpacked it.
  std::array<float, kSnpBlockValues> block{};
  // The unit last loaded or refused; -1 after PrepareBlocks.
  int row = -1;
  // The largest intensity of the unit's probes over the arrays.
  int maxValue = 0;

  // For a new view: nothing loaded, the fit sized to the group's arrays.
  void PrepareBlocks();
  // Lays the unit's intensities into blocks and takes each block's contrast. Refuses (red
  // line, false) a unit of more than MAX_MINI_BLOCK blocks, fewer than two pairs, without
  // held intensities or without a positive one; a refused unit has no blocks and no points.
  [[nodiscard]] bool FillBlocks(int unit);
  // Fits the contrasts (arrays x blocks); each array's point is its two row effects (with
  // one block, its centred contrast and 0). False, with no points, when the fit fails or
  // nothing is loaded.
  [[nodiscard]] bool FitBlocks();
  // Unpacks one block of one array into `block` (zeros outside what is loaded).
  void GetBlockValues(int array, int blockIndex);

  // The unit in row was loaded: its blocks (and bars) can be shown.
  bool Loaded() const { return mLoaded; }
  int Arrays() const { return mArrays; }
  float Contrast(int array, int blockIndex) const;
  // One point per array after a successful fit, else none.
  std::span<const RowEffectPair> Points() const { return mPoints; }

 private:
  void Refuse(const char* message);

  int mArrays = 0;
  bool mLoaded = false;
  std::vector<float> mCells;     // arrays x kSnpBlockCells
  std::vector<float> mContrast;  // arrays x MAX_MINI_BLOCK
  TWO_WAY_MATRIX mFit;
  std::vector<RowEffectPair> mPoints;
};

// The one instance of the process.
extern SNP_BLOCK_DATA SnpBlockData;
