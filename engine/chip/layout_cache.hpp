// The layout cache: a binary file of the program's own beside the chip description (its
// path with ".bin" appended), so that every load after the first skips the slow parse.
//
// Little-endian, field by field:
//   0     999  cache path, NUL-terminated text
//   999     1  format, 3
//   1000   52  chip type, NUL-terminated text
//   1052    4  dimension, int32
//   1056    4  unit count, int32
//   1060       unit count x 56 bytes: name char[50], pair count int16, 4 bytes of 0
//   then       dimension^2 x 12 bytes, x-major: unit int16, pair int16, value int32,
//              kind byte, 3 bytes of 0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kCachePathSize = 999;
inline constexpr std::size_t kChipTypeSize = 52;
inline constexpr std::size_t kCacheHeaderSize = 1060;
inline constexpr std::size_t kCacheUnitSize = 56;
inline constexpr std::size_t kCacheCellSize = 12;

// Reads the cache at path into the layout; the cell table only when probe-level data
// are needed. False, with the layout untouched, when the file cannot be opened (no
// message), has another format, is shorter than its header says or holds impossible
// values (a red line each). With buildPositions the probe positions are built from the
// cells as they are read, giving what BuildProbePositions would give afterwards;
// otherwise the layout is left without positions.
[[nodiscard]] bool ReadCdfCache(const std::string& path, bool probeDataNeeded,
                                bool buildPositions = false);

// How ReadCdfCache shares out the cell table: pieces of at least minPieceCells cells, up
// to four for each thread, so that a thread the system holds back delays the end less;
// read and checked on up to `threads` threads (0: platform::WorkerThreadCount()). The
// probe positions are then stored a region of regionPairs pairs (rounded up to a power
// of two) at a time. The outcome never depends on it; tests change it to cut a small
// table into many pieces and regions.
struct CacheReadSplit {
  int threads = 0;
  std::size_t minPieceCells = 1 << 16;
  std::size_t regionPairs = 1 << 15;
};
extern CacheReadSplit CacheCellSplit;

// Writes the layout to its cache path; a red line and false when that fails. Builds the
// probe positions from the cells meanwhile (BuildProbePositions), whether or not the
// file can be written, so that a converter's layout is complete once saved.
[[nodiscard]] bool SaveCdfCache();

// Runs ReadCdfCache on the bytes (through a scratch file).
bool FuzzReadCdfCache(const std::uint8_t* data, std::size_t size);
