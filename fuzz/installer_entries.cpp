#include "fuzz/installer_entries.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/base/fuzz_support.hpp"
#include "fuzz/installer_state.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/part_numbers.hpp"
#include "installer/quellbrook/install_driver.hpp"
#include "installer/steps/assay_step.hpp"
#include "installer/steps/cif_param_converter.hpp"
#include "installer/steps/cif_scanner_section.hpp"
#include "installer/steps/control_step.hpp"
#include "installer/steps/data_line_copy.hpp"
#include "installer/steps/registry_key_step.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"

namespace {

using quellbrook::CifParamConverter;

// Sections past this many would only repeat the same reads.
constexpr std::size_t kTypesRead = 64;

platform::ProfileText IniBytes(const std::uint8_t* data, std::size_t size) {
  return platform::ProfileText(std::string_view(reinterpret_cast<const char*>(data), size));
}

// Both conversions over one CIF and the definitions given; the converter is new for
// each, as the steps make theirs.
bool ConvertBoth(const InstallerFixture& fixture, const std::string& cif,
                 const std::string& analysisIni, const std::string& scannerIni) {
  bool converted = false;
  for (const int mode : {0, 1}) {
    CifParamConverter converter;
    converter.dbVersion = 3.1f;
    converter.sourceFolder = fixture.source;
    converter.typeName = fixture.type;
    converter.assayType = "Expression";
    converter.scanner = fixture.scanner;
    converter.cifPath = cif;
    converter.definitionIniPath = mode == 0 ? analysisIni : scannerIni;
    converter.gridLenient = 1;
    converter.minForDefault = 1;
    converter.chipLenient = 1;
    converter.processMissingChipSection = 1;
    converted |= converter.ConvertCifParameters(converter.typeName, mode) == 1;
  }
  return converted;
}

}  // namespace

bool FuzzConvertCif(const std::uint8_t* data, std::size_t size) {
  const InstallerFixture& fixture = FuzzInstallerStart();
  const InWorkFolder inWork;
  return WithScratchFile(data, size, "Chip.CIF", [&](const std::string& path) {
    return ConvertBoth(fixture, path, fixture.analysisIni, fixture.scannerIni);
  });
}

bool FuzzConvertCifDefinition(const std::uint8_t* data, std::size_t size) {
  const InstallerFixture& fixture = FuzzInstallerStart();
  const InWorkFolder inWork;
  return WithScratchFile(data, size, "Analysis.ini", [&](const std::string& path) {
    return ConvertBoth(fixture, fixture.cif, path, path);
  });
}

bool FuzzCopyDataLines(const std::uint8_t* data, std::size_t size) {
  const InWorkFolder inWork;
  return WithScratchFile(data, size, quellbrook::kAssaySourceFile, [](const std::string& path) {
    const std::string load = platform::JoinPath(platform::ParentFolder(path), "load.txt");
    int count = 0;
    std::string refusal;
    return quellbrook::CopyDataLines(path, load.c_str(), quellbrook::kAssayFields, count, refusal);
  });
}

bool FuzzReadDevices(const std::uint8_t* data, std::size_t size) {
  std::vector<quellbrook::DeviceRecord> devices;
  return quellbrook::ReadDeviceRecords(IniBytes(data, size), quellbrook::kDevicesIniName, "",
                                       devices) == 0;
}

bool FuzzReadTypeIni(const std::uint8_t* data, std::size_t size) {
  const InstallerFixture& fixture = FuzzInstallerStart();
  const platform::ProfileText ini = IniBytes(data, size);
  std::vector<std::string> types = ini.Sections();
  if (types.size() > kTypesRead) types.resize(kTypesRead);
  types.push_back(fixture.type);
  bool any = false;
  for (const std::string& type : types) {
    if (!quellbrook::IsPlainLibraryName(type)) continue;
    std::string assay;
    any |= quellbrook::IsRelativeLibraryPath(quellbrook::GetArrayTypePath(ini, type));
    any |= quellbrook::ReadSectionType(type, ini, assay);
    any |= quellbrook::HasSequences(type, ini);
  }
  quellbrook::PartNumberMap parts;
  quellbrook::ReadIniPartNumbers(parts, ini);
  return any || !parts.empty();
}

bool FuzzReadControlsIni(const std::uint8_t* data, std::size_t size) {
  const InstallerFixture& fixture = FuzzInstallerStart();
  quellbrook::ControlStep step;
  step.sourceFolder = fixture.source;
  std::vector<quellbrook::ControlSet> sets;
  return step.ReadControlsIni(IniBytes(data, size), quellbrook::kControlsSourceFile, sets) == 0;
}

bool FuzzReadRegistryIni(const std::uint8_t* data, std::size_t size) {
  quellbrook::RegistryKeyStep step;
  std::vector<quellbrook::RegistryEntry> entries;
  return step.ReadRegistryEntries(IniBytes(data, size), quellbrook::kRegistryIniName, entries);
}

bool FuzzInsertScannerSection(const std::uint8_t* data, std::size_t size) {
  const std::string_view cif(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> written =
      quellbrook::InsertSectionText(cif, "HP", "Scan9", {{"Width", "10"}, {"Mode", "x y"}});
  if (!written) return false;
  // Every byte of the CIF keeps its place before or after the one inserted stretch; a last
  // line without its end gets the end the first line has.
  std::string kept(cif);
  if (!kept.empty() && kept.back() != '\n') {
    const std::size_t firstEnd = kept.find('\n');
    kept +=
        firstEnd != std::string::npos && firstEnd > 0 && kept[firstEnd - 1] == '\r' ? "\r\n" : "\n";
  }
  std::size_t before = 0;
  while (before < kept.size() && written->at(before) == kept[before]) ++before;
  std::size_t after = 0;
  while (after < kept.size() - before &&
         written->at(written->size() - 1 - after) == kept[kept.size() - 1 - after])
    ++after;
  if (before + after != kept.size() || written->size() <= kept.size()) __builtin_trap();
  return true;
}
