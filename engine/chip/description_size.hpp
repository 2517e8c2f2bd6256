// Whether a chip description's bytes can hold the layout its header declares, asked
// before the layout's tables are made: a damaged header of a few bytes may declare a
// grid whose cell table takes hundreds of megabytes to build and to cache.
#pragma once

#include <cstdint>

// Grids of up to this many cells are always taken, whatever the file's size.
inline constexpr std::uint64_t kGridCellsAlwaysTaken = std::uint64_t{1} << 20;
// A larger grid needs one byte of description for this many of its cells. A chip
// description lists nearly every cell of its chip, at 7 bytes a cell or more, so this
// leaves room for descriptions that list only a few of the chip's probe sets.
inline constexpr std::uint64_t kGridCellsPerDescriptionByte = 64;

// True when a description of descriptionBytes can declare unitCount probe sets, each
// taking at least bytesPerUnit of it, on a dimension x dimension grid; otherwise logs
// in red and returns false.
[[nodiscard]] bool DescriptionHoldsLayout(std::uint64_t descriptionBytes, int dimension,
                                          int unitCount, std::uint64_t bytesPerUnit);
