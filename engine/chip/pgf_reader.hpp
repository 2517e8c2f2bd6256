// The probe group file reader: perfect-match probes of the "main" probe sets of a probe
// group file (".pgf") on a 2560 x 2560 grid, into the layout and its cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr int kPgfDimension = 2560;
inline constexpr std::size_t kPgfLineLength = 20000;

// Converts the probe group file and saves the cache (whose path the layout already
// holds). False with a red line on any fault, with the layout cleared.
[[nodiscard]] bool ReadPgfFile(const std::string& pgfPath);

// Runs ReadPgfFile on the bytes (through a scratch file, with the cache beside it).
bool FuzzReadPgfFile(const std::uint8_t* data, std::size_t size);
