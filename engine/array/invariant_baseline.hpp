// The baseline's side of the invariant-set search on cell intensities, which is the same
// for every array normalised against that baseline: the candidate cells (the loaded
// layout's perfect-match cells), the baseline's order of them and their baseline
// intensities in that order. A normalisation job prepares it once; its threads read it
// side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CHIP_DATA;

class InvariantBaseline {
 public:
  // Ranks the baseline's perfect-match cells of the loaded layout. False when the planes
  // do not fit the layout or memory runs out; nothing is logged, as the search that then
  // prepares its own says why.
  [[nodiscard]] bool Prepare(const CHIP_DATA& baseline);
  // Whether it was prepared from this baseline's plane for the loaded layout.
  bool PreparedFor(const CHIP_DATA& baseline) const;

  // The candidate cells, ascending.
  std::span<const int> Candidates() const { return mCandidates; }
  // Each candidate's place (0 to count - 1) in ascending order of the baseline's
  // intensities, equal intensities in cell order.
  std::span<const int> Places() const { return mPlaces; }
  // The candidate cell at each place, and its intensity on the baseline.
  std::span<const int> CellsByPlace() const { return mCellsByPlace; }
  std::span<const std::uint16_t> IntensitiesByPlace() const { return mIntensitiesByPlace; }

 private:
  const std::uint16_t* mPlane = nullptr;
  std::size_t mCells = 0;
  std::vector<int> mCandidates;
  std::vector<int> mPlaces;
  std::vector<int> mCellsByPlace;
  std::vector<std::uint16_t> mIntensitiesByPlace;
};
