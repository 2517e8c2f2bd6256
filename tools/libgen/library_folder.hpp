// The skeleton of an array maker's library source folder, written with known contents:
// "TWLib.ini" naming each array type's folder, the type folders with their "LibFiles"
// folder, "Devices.ini" and "Algorithm.ini". Content writers for the other kinds of
// library file sit beside this one and write into the folders it names.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace libgen {

inline constexpr std::string_view kTypeIniName = "TWLib.ini";
inline constexpr std::string_view kDevicesIniName = "Devices.ini";
inline constexpr std::string_view kAlgorithmIniName = "Algorithm.ini";
inline constexpr std::string_view kLibFilesFolderName = "LibFiles";

// An INI file's text as a maker ships it: sections and keys in the order given, CRLF lines.
struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> keys;
};
std::string IniText(const std::vector<IniSection>& sections);

// Writes the bytes as given, making the parent folders; false when it can't, with the
// system's error number in errno.
[[nodiscard]] bool WriteTextFile(const std::string& path, std::string_view text);

struct ArrayType {
  std::string name;
  // Relative to the source folder; empty writes no Path= key for the type.
  std::string folder;
  // The type's assay type (Type=, such as "Expression"); empty writes no key.
  std::string assayType = {};
  // Sequences=1 when the type ships sequence files.
  bool sequences = false;
};

struct Device {
  std::string name;
  std::string type;  // "Scanner" or "Fluidics"
  std::string description;
  std::string annotationId;
  std::string prefix;
  // The array types the device serves (ArraySet1, ArraySet2, ...).
  std::vector<std::string> arraySets = {};
};

struct Algorithm {
  std::string name;
  std::string id;
  std::string type;
  std::string progId;
  std::string cifName;
  std::string usersetFlag;  // empty writes no key (the reader's default is "0")
};

struct LibrarySpec {
  std::vector<ArrayType> types;
  std::vector<Device> devices;
  std::vector<Algorithm> algorithms;
  bool devicesFile = true;
  bool algorithmFile = true;
};

// A small library with every kind of skeleton content: types "Chip_A" (expression, with
// sequences) and "Chip_B" (genotyping), in folders of other names; a scanner serving both
// and a fluidics station serving Chip_A; two algorithms.
LibrarySpec StandardLibrary();

// The folders of one written library source folder.
class LibraryFolder {
 public:
  LibraryFolder(std::string sourceFolder, LibrarySpec spec);

  const std::string& Source() const { return mSource; }
  const LibrarySpec& Spec() const { return mSpec; }
  // The type's folder and its "LibFiles" folder; the type's name when it has no folder.
  std::string TypeFolder(std::string_view type) const;
  std::string LibFiles(std::string_view type) const;
  std::string File(std::string_view name) const;

  // Writes TWLib.ini, Devices.ini and Algorithm.ini (as its LibrarySpec asks) and makes every
  // type folder with its LibFiles folder. False with a reason when a file can't be written.
  [[nodiscard]] bool Write(std::string& error) const;

 private:
  std::string mSource;
  LibrarySpec mSpec;
};

std::string TypeIniText(const std::vector<ArrayType>& types);
std::string DevicesIniText(const std::vector<Device>& devices);
std::string AlgorithmIniText(const std::vector<Algorithm>& algorithms);

}  // namespace libgen
