// The map from array-type name to part number, read from the binary "partnumbers.bin"
// (names scrambled) when it exists, else from the library's INI file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/profile.hpp"

namespace quellbrook {

// Keys are trimmed, upper-case array-type names; values decimal part-number texts.
using PartNumberMap = std::map<std::string, std::string>;

// Reads the binary file when it exists (a partial map when it is cut short, still true),
// else the INI file's [TarnwellLibs] ArraySetN sections and their PartNumber=; false with
// an empty map when neither file exists. Every length in the binary file is bounded by
// the bytes left in it.
bool LoadPartNumbers(PartNumberMap& out, const std::string& binaryPath, const std::string& iniPath);
// The INI file's part of that reading, on its text already read; out is not emptied.
void ReadIniPartNumbers(PartNumberMap& out, const platform::ProfileText& ini);

// Fuzz entry: the binary form's reading on the bytes; the number of names read.
std::size_t FuzzLoadPartNumbers(const std::uint8_t* data, std::size_t size);

// The part number of the name (trimmed, any case); empty when absent.
std::string LookupPartNumber(const PartNumberMap& map, std::string_view name);

}  // namespace quellbrook
