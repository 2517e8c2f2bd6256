#include "tools/libgen/library_folder.hpp"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/system_error.hpp"
#include "platform/text_bytes.hpp"

namespace libgen {

namespace {

std::string Numbered(const char* prefix, std::size_t n, const char* suffix) {
  return std::string(prefix) + std::to_string(n) + suffix;
}

}  // namespace

std::string IniText(const std::vector<IniSection>& sections) {
  std::string text;
  for (const IniSection& section : sections) {
    text += "[" + section.name + "]\r\n";
    for (const auto& [key, value] : section.keys) text += key + "=" + value + "\r\n";
  }
  return text;
}

bool WriteTextFile(const std::string& path, std::string_view text) {
  std::error_code error;
  const std::string parent = platform::ParentFolder(path);
  if (!parent.empty()) std::filesystem::create_directories(parent, error);
  // A folder that cannot be made gives its own reason, not the missing folder's.
  if (error) {
    errno = error.value();
    return false;
  }
  return platform::WriteWholeFile(path, platform::TextBytes(text));
}

std::string TypeIniText(const std::vector<ArrayType>& types) {
  std::vector<IniSection> sections;
  for (const ArrayType& type : types) {
    IniSection section{type.name, {}};
    if (!type.folder.empty()) section.keys.emplace_back("Path", type.folder);
    if (!type.assayType.empty()) section.keys.emplace_back("Type", type.assayType);
    if (type.sequences) section.keys.emplace_back("Sequences", "1");
    sections.push_back(std::move(section));
  }
  return IniText(sections);
}

std::string DevicesIniText(const std::vector<Device>& devices) {
  std::vector<IniSection> sections(1, IniSection{"Devices", {}});
  for (std::size_t n = 0; n < devices.size(); ++n) {
    const Device& device = devices[n];
    sections[0].keys.emplace_back(Numbered("Device", n + 1, ""), device.name);
    IniSection section{device.name,
                       {{"DeviceType", device.type},
                        {"DeviceDesc", device.description},
                        {"DeviceAnnoID", device.annotationId},
                        {"DevicePrefix", device.prefix}}};
    for (std::size_t set = 0; set < device.arraySets.size(); ++set)
      section.keys.emplace_back(Numbered("ArraySet", set + 1, ""), device.arraySets[set]);
    sections.push_back(std::move(section));
  }
  return IniText(sections);
}

std::string AlgorithmIniText(const std::vector<Algorithm>& algorithms) {
  IniSection section{"Algorithms", {{"NumAlgorithms", std::to_string(algorithms.size())}}};
  for (std::size_t n = 0; n < algorithms.size(); ++n) {
    const Algorithm& algorithm = algorithms[n];
    section.keys.emplace_back(Numbered("Alg", n + 1, "Name"), algorithm.name);
    section.keys.emplace_back(Numbered("Alg", n + 1, "ID"), algorithm.id);
    section.keys.emplace_back(Numbered("Alg", n + 1, "Type"), algorithm.type);
    section.keys.emplace_back(Numbered("Alg", n + 1, "ProgID"), algorithm.progId);
    section.keys.emplace_back(Numbered("Alg", n + 1, "CifName"), algorithm.cifName);
    if (!algorithm.usersetFlag.empty())
      section.keys.emplace_back(Numbered("Alg", n + 1, "UsersetFlag"), algorithm.usersetFlag);
  }
  return IniText({section});
}

LibrarySpec StandardLibrary() {
  LibrarySpec spec;
  spec.types = {{"Chip_A", "ChipA_Files", "Expression", true},
                {"Chip_B", "ChipB_Files", "Genotyping", false}};
  spec.devices = {{"Scan3000", "Scanner", "Array scanner", "SC3000", "S3K", {"Chip_A", "Chip_B"}},
                  {"Wash450", "Fluidics", "Fluidics station", "FS450", "F45", {"Chip_A"}}};
  spec.algorithms = {{"Stat", "1", "Expression", "Kand.Stat.1", "Stat.CIF", "1"},
                     {"Geno", "2", "Genotyping", "Kand.Geno.1", "Geno.CIF", ""}};
  return spec;
}

LibraryFolder::LibraryFolder(std::string sourceFolder, LibrarySpec spec)
    : mSource(std::move(sourceFolder)), mSpec(std::move(spec)) {}

std::string LibraryFolder::TypeFolder(std::string_view type) const {
  for (const ArrayType& known : mSpec.types)
    if (known.name == type && !known.folder.empty()) return File(known.folder);
  return File(type);
}

std::string LibraryFolder::LibFiles(std::string_view type) const {
  return platform::JoinPath(TypeFolder(type), kLibFilesFolderName);
}

std::string LibraryFolder::File(std::string_view name) const {
  return platform::JoinPath(mSource, name);
}

bool LibraryFolder::Write(std::string& error) const {
  auto write = [&](std::string_view name, const std::string& text) {
    if (WriteTextFile(File(name), text)) return true;
    error = platform::WithSystemReason("cannot write " + File(name), errno);
    return false;
  };
  if (!write(kTypeIniName, TypeIniText(mSpec.types))) return false;
  if (mSpec.devicesFile && !write(kDevicesIniName, DevicesIniText(mSpec.devices))) return false;
  if (mSpec.algorithmFile && !write(kAlgorithmIniName, AlgorithmIniText(mSpec.algorithms)))
    return false;
  for (const ArrayType& type : mSpec.types) {
    std::error_code failure;
    std::filesystem::create_directories(LibFiles(type.name), failure);
    if (failure) {
      error = "cannot make " + LibFiles(type.name) + ": " + failure.message();
      return false;
    }
  }
  return true;
}

}  // namespace libgen
