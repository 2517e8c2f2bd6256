// The map files of the scan parameter update, in the source folder: "HPMap.INI" names the
// scan types by the reference scanner's four values (HpMapText, cif_files.hpp), and one
// "<scanner>Map.INI" per further scanner declares that scanner's parameters and gives
// their values for each scan type.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/libgen/cif_files.hpp"
#include "tools/libgen/library_folder.hpp"

namespace libgen {

struct MapParameter {
  std::string name;
  std::string type;  // empty writes no ParamNType key
};

struct ScannerMap {
  std::string scanner;
  // [Parameters] ParamCount, ParamN and ParamNType; none writes no [Parameters] section.
  std::vector<MapParameter> parameters;
  // One section per scan type (its name) with "<parameter>=<value>" keys.
  std::vector<IniSection> scanTypes;
};

std::string ScannerMapText(const ScannerMap& map);
// "<source>/<scanner>Map.INI" and "<source>/HPMap.INI".
std::string ScannerMapPath(const LibraryFolder& library, std::string_view scanner);
std::string HpMapPath(const LibraryFolder& library);

// Scan types "50/3" (10, 10, 1, 1) and "100/9" (20, 20, 2, 2).
std::vector<ScanType> StandardScanTypes();
// Width and Height (int) and Resolution (float): 12, 12, 2.5 for "50/3" and 24, 24, 1.25
// for "100/9".
ScannerMap StandardScannerMap(const std::string& scanner);

// Writes HPMap.INI for the scan types and each scanner's map. False with a reason when a
// file can't be written.
[[nodiscard]] bool WriteScannerMapFiles(const LibraryFolder& library,
                                        const std::vector<ScanType>& scanTypes,
                                        const std::vector<ScannerMap>& maps, std::string& error);

}  // namespace libgen
