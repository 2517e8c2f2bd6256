// The binary chip description reader: turns the tree of CDF_FILE_DATA into the layout
// and writes the layout cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Converts the binary chip description cdfPath, applies the probe-set mask (empty for
// none) and saves the cache (whose path the layout already holds). False with a red line
// on any fault.
[[nodiscard]] bool ExtractBinaryCDF(const std::string& cdfPath, const std::string& maskFile);

// Runs ExtractBinaryCDF on the bytes (through a scratch file, with the cache beside it).
bool FuzzExtractBinaryCDF(const std::uint8_t* data, std::size_t size);
