// The perfect-match and mismatch intensities of a run of consecutive probe sets on every
// array, copied out of the group's intensity planes one plane at a time for the
// model-expression job. A probe set's cells lie scattered over each plane, so a fit that
// reads them straight from the hundred planes meets a cache and page-table miss at nearly
// every cell; read plane by plane, a run of probe sets stays within one plane's pages,
// and the fit then finds each probe set's values side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Group;
class MODEL;

// The most intensities one run holds (16 MB); a run always takes at least one probe set.
inline constexpr std::size_t kStagedCellLimit = std::size_t{1} << 23;

class StagedCells {
 public:
  // Copies probe sets from first on, as many as limit intensities hold (at least one) and
  // none at or past last, from every array's plane. Holds none when some array's plane
  // is not a whole one of the layout, the layout has no cells or more than 2^31 - 1.
  void Gather(const Group& group, int first, int last, std::size_t limit = kStagedCellLimit);
  // Whether probe set probeSet lies in the run gathered last.
  bool Covers(int probeSet) const { return probeSet >= mFirst && probeSet < mLast; }
  // One past the last probe set of the run.
  int End() const { return mLast; }
  // Probe set probeSet's intensities, array after array, each array's pairs as PM, MM (0
  // where the pair has no such cell); null when the run does not hold the probe set's
  // cells.
  const std::uint16_t* Find(int probeSet) const;
  void Clear();

 private:
  // Holds no run, its values' buffer kept for the next.
  void ForgetRun();

  int mFirst = 0;
  int mLast = 0;
  int mArrays = 0;
  // Per probe set of the run: where its cells start in mCells and how many there are,
  // or kNoCells when the layout gives none; mCells holds the plane index of every value,
  // -1 for no cell.
  struct Span {
    std::ptrdiff_t start = 0;
    std::size_t width = 0;
  };
  static constexpr std::ptrdiff_t kNoCells = -1;
  std::vector<Span> mSpans;
  // Four bytes each, as the plane's cells are counted: each plane's pass reads them all.
  std::vector<std::int32_t> mCells;
  std::vector<std::uint16_t> mValues;
};

// A model reads the cells while this lives, and the planes again after.
class StagedCellsUse {
 public:
  StagedCellsUse(MODEL& model, const StagedCells& cells);
  ~StagedCellsUse();
  StagedCellsUse(const StagedCellsUse&) = delete;
  StagedCellsUse& operator=(const StagedCellsUse&) = delete;

 private:
  MODEL& mModel;
};
