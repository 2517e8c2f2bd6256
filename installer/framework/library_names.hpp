// Names from the host and from the library's INI files become parts of paths below the
// library and source folders; these checks keep such a path inside its folder.
#pragma once

#include <array>
#include <string_view>

namespace quellbrook {

// The source folder's list of array types and its list of devices.
inline constexpr const char* kTypeIniName = "TWLib.ini";
inline constexpr const char* kDevicesIniName = "Devices.ini";
// The array types' part numbers (names scrambled) and the reference scanner's scan types.
inline constexpr const char* kPartNumberFileName = "partnumbers.bin";
inline constexpr const char* kHpMapIniName = "HPMap.INI";
// The reference scanner's four values, which name a scan type in the HP map.
inline constexpr std::array<const char*, 4> kHpScanKeys = {"Width", "Height", "FocusWidth",
                                                           "FocusHeight"};

// A single file or folder name: no separator, no wildcard, no drive, not "." or "..".
bool IsPlainLibraryName(std::string_view name);

// A relative path below a folder: parts as IsPlainLibraryName, joined by '/' or '\\'.
bool IsRelativeLibraryPath(std::string_view path);

}  // namespace quellbrook
