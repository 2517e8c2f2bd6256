// A SNP's mini-blocks, their contrasts and the fit that places the arrays.
#include "genome/info/snp_block_data.hpp"

#include <algorithm>
#include <cstddef>

#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/probe_block_column.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"

SNP_BLOCK_DATA SnpBlockData;

namespace {

// A difference of one or less counts as one, so a contrast never divides by zero.
float AlleleSignal(float perfect, float mismatch) {
  return std::max(perfect - mismatch, 1.0f);
}

}  // namespace

void SNP_BLOCK_DATA::PrepareBlocks() {
  row = -1;
  blockCount = 0;
  maxValue = 0;
  mLoaded = false;
  mPoints.clear();
  mFit.AllocMatrix(std::max(1, TheGroup().NumArrays()), kSnpBlockCells);
}

void SNP_BLOCK_DATA::Refuse(const char* message) {
  LogMessage(message, 0, kLogRed);
  blockCount = 0;
  maxValue = 0;
  mLoaded = false;
  mPoints.clear();
}

bool SNP_BLOCK_DATA::FillBlocks(int unit) {
  // Remembered even when refused, so that every paint does not refuse it again.
  row = unit;
  const Group& group = TheGroup();
  const std::span<const PairPositions> pairs = Layout.Positions(unit);
  const int pairCount = static_cast<int>(pairs.size());
  if (pairCount / 2 > MAX_MINI_BLOCK) {
    Refuse(kMaxMiniBlockMessage);
    return false;
  }
  if (pairCount < 2) {
    Refuse(kTooFewSnpPairsMessage);
    return false;
  }
  const std::size_t planeSize = Layout.cells.size();
  const auto heldPlane = [&](int array) {
    return group.Array(array).intensities.size() >= planeSize && planeSize > 0;
  };
  mArrays = group.NumArrays();
  if (mArrays == 0 || !std::all_of(pairs.begin(), pairs.end(), [](const PairPositions& pair) {
        return pair[0].x >= 0 && pair[1].x >= 0;
      })) {
    Refuse(kNoSnpIntensitiesMessage);
    return false;
  }
  for (int a = 0; a < mArrays; ++a)
    if (!heldPlane(a)) {
      Refuse(kNoSnpIntensitiesMessage);
      return false;
    }

  blockCount = pairCount / 2;
  maxValue = 0;
  mCells.assign(static_cast<std::size_t>(mArrays) * kSnpBlockCells, 0.0f);
  const int centre = CentrePairCount(unit);
  for (int pair = 0; pair < pairCount; ++pair)
    for (const bool perfect : {false, true}) {
      const BlockPlace place = MapProbeToBlockColumn(pairCount, pair, perfect, centre, ArrayType);
      const int slot = place.column * kSnpBlockValues + place.row;
      if (slot < 0 || slot >= kSnpBlockCells) continue;
      const ProbePosition at = pairs[static_cast<std::size_t>(pair)][perfect ? 1 : 0];
      const std::size_t cell = Layout.CellIndex(at.x, at.y);
      for (int a = 0; a < mArrays; ++a) {
        const int value = group.Array(a).intensities[cell];
        mCells[static_cast<std::size_t>(a) * kSnpBlockCells + static_cast<std::size_t>(slot)] =
            static_cast<float>(value);
        maxValue = std::max(maxValue, value);
      }
    }
  if (maxValue <= 0) {
    Refuse(kNoPositiveSnpIntensityMessage);
    return false;
  }

  mLoaded = true;
  mContrast.assign(static_cast<std::size_t>(mArrays) * MAX_MINI_BLOCK, 0.0f);
  for (int a = 0; a < mArrays; ++a)
    for (int b = 0; b < blockCount; ++b) {
      GetBlockValues(a, b);
      const float alleleA = AlleleSignal(block[kBlockRowPerfectA], block[kBlockRowMismatchA]);
      const float alleleB = AlleleSignal(block[kBlockRowPerfectB], block[kBlockRowMismatchB]);
      mContrast[static_cast<std::size_t>(a) * MAX_MINI_BLOCK + static_cast<std::size_t>(b)] =
          alleleA / (alleleA + alleleB);
    }
  mPoints.clear();
  return true;
}

bool SNP_BLOCK_DATA::FitBlocks() {
  mPoints.clear();
  if (!mLoaded) return false;
  // A group opened after the view was made may hold more arrays than the fit was sized for.
  if (mArrays > mFit.RowCapacity()) mFit.AllocMatrix(mArrays, kSnpBlockCells);
  if (blockCount == 1) {
    // One centred column: the fit's first effects are the column itself and the second has
    // nothing left to fit (the matrix would give up on the zeros).
    double mean = 0.0;
    for (int a = 0; a < mArrays; ++a) mean += Contrast(a, 0);
    mean /= mArrays;
    for (int a = 0; a < mArrays; ++a)
      mPoints.push_back({static_cast<float>(Contrast(a, 0) - mean), 0.0f});
    return true;
  }
  if (!mFit.SetMatrixSize(mArrays, blockCount)) {
    LogMessage(kSetRowColMessage, 0, kLogRed);
    return false;
  }
  for (int a = 0; a < mArrays; ++a)
    for (int b = 0; b < blockCount; ++b) mFit.SetMatrixCell(a, b, Contrast(a, b));
  if (!mFit.FitRowColumnEffects()) return false;
  const std::span<const RowEffectPair> effects = mFit.RowEffectPairs();
  mPoints.assign(effects.begin(), effects.end());
  return true;
}

void SNP_BLOCK_DATA::GetBlockValues(int array, int blockIndex) {
  block.fill(0.0f);
  if (!mLoaded || array < 0 || array >= mArrays || blockIndex < 0 || blockIndex >= MAX_MINI_BLOCK)
    return;
  const std::size_t first = static_cast<std::size_t>(array) * kSnpBlockCells +
                            static_cast<std::size_t>(blockIndex) * kSnpBlockValues;
  std::copy_n(mCells.begin() + static_cast<std::ptrdiff_t>(first), kSnpBlockValues, block.begin());
}

float SNP_BLOCK_DATA::Contrast(int array, int blockIndex) const {
  if (!mLoaded || array < 0 || array >= mArrays || blockIndex < 0 || blockIndex >= blockCount)
    return 0.0f;
  return mContrast[static_cast<std::size_t>(array) * MAX_MINI_BLOCK +
                   static_cast<std::size_t>(blockIndex)];
}
