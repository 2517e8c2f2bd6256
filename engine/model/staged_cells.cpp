#include "engine/model/staged_cells.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/model/model.hpp"

void StagedCells::Clear() {
  ForgetRun();
  mValues.clear();
}

void StagedCells::ForgetRun() {
  mFirst = 0;
  mLast = 0;
  mArrays = 0;
  mSpans.clear();
  mCells.clear();
}

void StagedCells::Gather(const Group& group, int first, int last, std::size_t limit) {
  // The values of the last run stay where the next overwrites them: emptied and grown again,
  // the buffer would be filled with zeros first, a pass over all of it for nothing.
  ForgetRun();
  const int arrays = group.NumArrays();
  last = std::min({last, Layout.unitCount, static_cast<int>(Layout.units.size())});
  if (!Layout.HasCells() || arrays < 1 || first < 0 || first >= last) return;
  const std::size_t planeSize =
      static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
  // The cells' indices are kept in four bytes.
  if (planeSize > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return;
  for (int i = 0; i < arrays; ++i)
    if (group.Array(i).intensities.size() != planeSize) return;

  // The cells of each probe set in the order the fit reads them, up to the limit.
  int end = first;
  for (; end < last; ++end) {
    const int pairs =
        std::max(0, static_cast<int>(Layout.units[static_cast<std::size_t>(end)].pairCount));
    const std::size_t width = 2 * static_cast<std::size_t>(pairs);
    if (end > first && (mCells.size() + width) * static_cast<std::size_t>(arrays) > limit) break;
    const auto positions = Layout.Positions(end);
    if (static_cast<int>(positions.size()) < pairs) {
      mSpans.push_back({kNoCells, 0});
      continue;
    }
    mSpans.push_back({static_cast<std::ptrdiff_t>(mCells.size()), width});
    for (int j = 0; j < pairs; ++j) {
      const PairPositions& pair = positions[static_cast<std::size_t>(j)];
      for (const ProbePosition& cell : {pair[1], pair[0]})
        mCells.push_back(cell.x >= 0 ? static_cast<std::int32_t>(Layout.CellIndex(cell.x, cell.y))
                                     : -1);
    }
  }
  mFirst = first;
  mLast = end;
  mArrays = arrays;

  // Probe set by probe set, array by array: array i's values of a probe set whose cells
  // start at s with width w lie from s * arrays + i * w.
  const std::size_t values = mCells.size() * static_cast<std::size_t>(arrays);
  if (mValues.size() < values) mValues.resize(values);
  const auto arrayCount = static_cast<std::size_t>(arrays);
  // A run with more cells than a plane has cache lines reads nearly every line: a pass in
  // order first brings the plane in at the memory's full speed, where the reads in the
  // cells' order would each wait on a line of their own.
  constexpr std::size_t kLineValues = 64 / sizeof(std::uint16_t);
  const bool warm = mCells.size() >= planeSize / kLineValues;
  for (int i = 0; i < arrays; ++i) {
    const std::uint16_t* const plane = group.Array(i).intensities.data();
    if (warm) {
      unsigned touched = 0;
      for (std::size_t at = 0; at < planeSize; at += kLineValues) touched += plane[at];
      asm volatile("" : : "r"(touched));
    }
    // Without that pass (a helper's short run) the next plane's cells are asked for while
    // this plane's are copied, so that their misses overlap instead of each stalling a copy.
    const std::uint16_t* const next =
        !warm && i + 1 < arrays ? group.Array(i + 1).intensities.data() : nullptr;
    for (const Span& span : mSpans) {
      if (span.start == kNoCells) continue;
      const auto from = static_cast<std::size_t>(span.start);
      std::uint16_t* const out =
          mValues.data() + from * arrayCount + static_cast<std::size_t>(i) * span.width;
      const std::int32_t* const at = mCells.data() + from;
      if (next != nullptr)
        for (std::size_t k = 0; k < span.width; ++k)
          if (at[k] >= 0) __builtin_prefetch(next + at[k]);
      for (std::size_t k = 0; k < span.width; ++k) out[k] = at[k] >= 0 ? plane[at[k]] : 0;
    }
  }
}

const std::uint16_t* StagedCells::Find(int probeSet) const {
  if (!Covers(probeSet)) return nullptr;
  const Span& span = mSpans[static_cast<std::size_t>(probeSet - mFirst)];
  if (span.start == kNoCells) return nullptr;
  return mValues.data() + static_cast<std::size_t>(span.start) * static_cast<std::size_t>(mArrays);
}

StagedCellsUse::StagedCellsUse(MODEL& model, const StagedCells& cells) : mModel(model) {
  model.ReadStagedCells(&cells);
}

StagedCellsUse::~StagedCellsUse() {
  mModel.ReadStagedCells(nullptr);
}
