// What the array image view needs from the engine: the brightness range of an array's
// image, and the two position maps of the probe-together display, where each probe pair
// is drawn as its perfect-match cell with the mismatch cell right below, pair after pair.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct CDF_LAYOUT;

inline constexpr int kNoDisplayValue = -1000000;  // both ends when nothing was sampled
inline constexpr int kDisplaySampleStep = 25;     // every 25th cell is sampled
inline constexpr const char* kProbeTogetherAllocationMessage =
    "  Error: allocating in ProbeTogether() failed";

struct DisplayRange {
  int low = kNoDisplayValue;   // the 1st percentile of the sampled cells
  int high = kNoDisplayValue;  // the 95th percentile
};

// The sampling vector's capacity for a layout of this many cells per side.
int DisplaySampleCapacity(int dimension);

// The range of an intensity plane of the layout's dimension (cell x, y at
// x * dimension + y): every 25th cell that belongs to a probe set (every 25th cell when
// the layout holds no cell table), values truncated to integers.
DisplayRange CelDisplayRange(std::span<const std::uint16_t> plane, const CDF_LAYOUT& layout);

// The range of the group's array (its intensity plane held in memory) for the process
// layout; kNoDisplayValue at both ends when the array holds no plane.
void GetCelDisplayRange(int array, int* low, int* high);

// A cell or display position; -1, -1 for none.
struct MapPosition {
  std::int16_t x = -1;
  std::int16_t y = -1;
};

// The probe-together maps of the group, built by ProbeTogether.
struct ProbeTogetherMaps {
  int dimension = 0;
  // By display position (column a, row r) at a * dimension + r: the chip cell shown there.
  std::vector<MapPosition> display;
  // By chip cell (x, y) at x * dimension + y: where it is shown.
  std::vector<MapPosition> cell;

  bool Built() const { return !display.empty(); }
  MapPosition CellAt(int column, int row) const;
  MapPosition DisplayOf(int x, int y) const;
};

extern ProbeTogetherMaps TogetherMaps;

// Rebuilds TogetherMaps from the process layout. Pairs go left to right along display
// rows: the perfect-match cell takes row r and the cell below it on the chip (on SNP
// arrays the pair's mismatch cell) row r + 1, and a full row moves on by two rows. Pairs
// and cells that fall outside the image are left out. False, with a red line, when
// memory runs out.
[[nodiscard]] bool ProbeTogether();
