// The local background of every array: the intensity near the low end of each of 10 x 10
// zones of the cell grid, which the PM-only model subtracts from each perfect-match cell.
#pragma once

#include <cstdint>

// The low quantile of a zone's sampled intensities taken as its background.
inline constexpr double kBackgroundQuantile = 0.05;
// Cells sampled: every third one in both directions.
inline constexpr int kBackgroundSampleStep = 3;
// The background of a zone without sampled probe cells.
inline constexpr int kNoZoneBackground = 0;
inline constexpr const char* kCalculatingBackgroundMessage = "  Calculating background...\n";

// Fills the background table of one array of the group, or of every array for -1 (logged).
// The intensities come from plane when given (dimension x dimension cells of the chip
// layout), else from the array's intensity plane held by the group. A zone without sampled
// probe cells (on a chip of fewer than 10 cells a side, zones past its edge) stores
// kNoZoneBackground, so that nothing is taken off there. Needs the layout's cell table.
void ComputeBackground(int array, const std::uint16_t* plane = nullptr);

// The background of the zone that holds cell (c1, c2) of the array.
int GetBackground(int array, int c1, int c2);
// The index in an array's background table of the zone that holds cell (c1, c2).
int BackgroundZone(int c1, int c2);
