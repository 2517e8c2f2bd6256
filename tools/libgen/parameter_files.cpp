#include "tools/libgen/parameter_files.hpp"

#include "platform/path.hpp"
#include "tools/libgen/listed_files.hpp"

namespace libgen {

namespace {

std::vector<ProtocolGroup> OneFile(std::string name, std::string content) {
  return {{{std::move(name), "R", std::move(content)}}};
}

// The algorithm serving the type's assay type, else the library's first; empty without any.
std::string TypeAlgorithm(const LibrarySpec& spec, const ArrayType& type) {
  for (const Algorithm& algorithm : spec.algorithms)
    if (algorithm.type == type.assayType) return algorithm.name;
  return spec.algorithms.empty() ? std::string() : spec.algorithms.front().name;
}

}  // namespace

AnalysisDefinition StandardAnalysisDefinition(const std::string& algorithm) {
  AnalysisDefinition definition;
  definition.server = {{"Server", ""}};
  definition.grid = {{"Grid", algorithm}};
  definition.cell = {{"Cell", algorithm}};
  definition.chip = {{"Chip", algorithm}};
  definition.sections = {
      {"Server", {{"Algorithm Name", "", std::nullopt}}, {}, {}},
      {"Grid", {{"Spacing", "int", std::nullopt}}, {}, {}},
      {"Cell", {{"Edge", "int", std::nullopt}}, {}, {}},
      {"Chip", {{"Scale", "float", std::string("1.0")}}, {}, {}},
  };
  return definition;
}

std::vector<IniSection> StandardCifSections(const std::vector<std::string>& scanners) {
  std::vector<IniSection> sections = {{"Server", {{"Algorithm Name", "Type A"}}},
                                      {"Grid", {{"Spacing", "4"}}},
                                      {"Cell", {{"Edge", "2"}}},
                                      {"Chip", {{"Scale", "0.5"}, {"Pixel", "3"}}}};
  for (const std::string& scanner : scanners)
    sections.push_back({scanner, {{"Resolution", "1.5"}}});
  return sections;
}

std::string StandardScannerIniText(std::string_view type, const std::string& scanner) {
  return ScannerIniText(scanner, {{"Pixel", "", std::nullopt}},
                        {{"Resolution", "", std::nullopt}}) +
         IniText({ProtocolsSection(OneFile(ScanFileName(type, scanner), ""))});
}

std::string AnalysisLibraryFileName(std::string_view type) {
  return std::string(type) + ".PSI";
}

std::string ScanFileName(std::string_view type, std::string_view scanner) {
  return std::string(type) + "_" + std::string(scanner) + ".SCN";
}

std::string ScannerIniPath(const LibraryFolder& library, std::string_view type,
                           std::string_view scanner) {
  return platform::JoinPath(library.TypeFolder(type), std::string(scanner) + ".INI");
}

std::string CifPath(const LibraryFolder& library, std::string_view type) {
  return platform::JoinPath(library.LibFiles(type), std::string(type) + ".CIF");
}

bool WriteStandardParameterFiles(const LibraryFolder& library, std::string& error) {
  const LibrarySpec& spec = library.Spec();
  for (const ArrayType& type : spec.types) {
    std::vector<std::string> scanners;
    for (const Device& device : spec.devices)
      for (const std::string& served : device.arraySets)
        if (device.type == "Scanner" && served == type.name) scanners.push_back(device.name);
    const std::string definition =
        platform::JoinPath(library.TypeFolder(type.name), kAnalysisIniName);
    const std::vector<ProtocolGroup> analysisFiles =
        OneFile(AnalysisLibraryFileName(type.name), "probe sets of " + type.name + "\r\n");
    bool written =
        WriteTextFile(definition, AnalysisDefinitionText(
                                      StandardAnalysisDefinition(TypeAlgorithm(spec, type))) +
                                      IniText({ProtocolsSection(analysisFiles)})) &&
        WriteTextFile(CifPath(library, type.name), IniText(StandardCifSections(scanners))) &&
        WriteListedFiles(library, type.name, analysisFiles);
    for (const std::string& scanner : scanners)
      written = written &&
                WriteTextFile(ScannerIniPath(library, type.name, scanner),
                              StandardScannerIniText(type.name, scanner)) &&
                WriteListedFiles(library, type.name,
                                 OneFile(ScanFileName(type.name, scanner), scanner + "\r\n"));
    if (!written) {
      error = "The parameter files of " + type.name + " could not be written.";
      return false;
    }
  }
  return true;
}

}  // namespace libgen
