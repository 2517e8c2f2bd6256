#include "tools/libgen/scanner_map_files.hpp"

#include <cerrno>

#include "platform/path.hpp"
#include "platform/system_error.hpp"

namespace libgen {

std::string ScannerMapText(const ScannerMap& map) {
  std::vector<IniSection> sections;
  if (!map.parameters.empty()) {
    IniSection declared{"Parameters", {{"ParamCount", std::to_string(map.parameters.size())}}};
    for (std::size_t i = 0; i < map.parameters.size(); ++i) {
      const std::string key = "Param" + std::to_string(i + 1);
      declared.keys.emplace_back(key, map.parameters[i].name);
      if (!map.parameters[i].type.empty())
        declared.keys.emplace_back(key + "Type", map.parameters[i].type);
    }
    sections.push_back(std::move(declared));
  }
  for (const IniSection& section : map.scanTypes) sections.push_back(section);
  return IniText(sections);
}

std::string ScannerMapPath(const LibraryFolder& library, std::string_view scanner) {
  return library.File(std::string(scanner) + "Map.INI");
}

std::string HpMapPath(const LibraryFolder& library) {
  return library.File(kHpMapIniName);
}

std::vector<ScanType> StandardScanTypes() {
  return {{"50/3", "10", "10", "1", "1"}, {"100/9", "20", "20", "2", "2"}};
}

ScannerMap StandardScannerMap(const std::string& scanner) {
  return {scanner,
          {{"Width", "int"}, {"Height", "int"}, {"Resolution", "float"}},
          {{"50/3", {{"Width", "12"}, {"Height", "12"}, {"Resolution", "2.5"}}},
           {"100/9", {{"Width", "24"}, {"Height", "24"}, {"Resolution", "1.25"}}}}};
}

bool WriteScannerMapFiles(const LibraryFolder& library, const std::vector<ScanType>& scanTypes,
                          const std::vector<ScannerMap>& maps, std::string& error) {
  if (!WriteTextFile(HpMapPath(library), HpMapText(scanTypes))) {
    error = platform::WithSystemReason("cannot write " + HpMapPath(library), errno);
    return false;
  }
  for (const ScannerMap& map : maps) {
    const std::string path = ScannerMapPath(library, map.scanner);
    if (WriteTextFile(path, ScannerMapText(map))) continue;
    error = platform::WithSystemReason("cannot write " + path, errno);
    return false;
  }
  return true;
}

}  // namespace libgen
