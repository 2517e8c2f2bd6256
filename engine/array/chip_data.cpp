// The working array object and ReadArray, the one way an array gets in: its QVF file
// when that fits the loaded layout, else its DAT or CEL file followed by its calls.
#include "engine/array/chip_data.hpp"

#include <algorithm>

#include "engine/array/array_messages.hpp"
#include "engine/array/chip_data_internal.hpp"
#include "engine/array/dat_reader.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/settings_chip.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/path.hpp"

CHIP_DATA ChipData;
bool ProbeLevelFlag = false;

GroupSettings& ArraySettings() {
  if (GroupStarted()) return TheGroup().Settings();
  static GroupSettings defaults = [] {
    GroupSettings settings;
    SetGroupSettingDefaults(settings, ".");
    return settings;
  }();
  return defaults;
}

std::uint64_t QvfFileSize(int dimension, int unitCount) {
  const auto side = static_cast<std::uint64_t>(std::max(dimension, 0));
  return static_cast<std::uint64_t>(kQvfHeaderSize) + kQvfBytesPerCell * side * side +
         kQvfBytesPerUnit * static_cast<std::uint64_t>(std::max(unitCount, 0));
}

void CHIP_DATA::AllocateUnitTables() {
  const auto units = static_cast<std::size_t>(std::max(Layout.unitCount, 0));
  calls.assign(units, 0);
  triples.assign(units, VALUE_TRIPLE{});
}

std::string CHIP_DATA::QvfPath() const {
  return QvfPathFor(dataPath);
}

std::string QvfPathFor(std::string_view dataPath) {
  const std::string path = ChangeExtension(dataPath, ".qvf");
  const GroupSettings& settings = ArraySettings();
  if (settings.QVF_IN_WORKING == 0) return path;
  return platform::JoinPath(settings.WORKING_DIR, platform::FileName(path));
}

namespace {

// Loads the chip description with its cell table when only probe-set data are held.
bool EnsureProbeLevelLayout() {
  GroupSettings& settings = ArraySettings();
  if (settings.LOAD_PROBE_DATA != 0 || Layout.HasCells()) return true;
  ProbeLevelFlag = true;
  const bool loaded = LoadSettingsChip(settings, false, true);
  ProbeLevelFlag = false;
  return loaded;
}

// Fills both planes from the DAT or CEL file; false (with its red line) when the file is
// of neither kind or cannot be read.
bool ReadDataFile(CHIP_DATA& chip, const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::string_view extension =
      dot == std::string::npos ? std::string_view() : std::string_view(path).substr(dot);
  // A CEL file's reader clears the planes first and a DAT file's replaces them; a file of
  // neither kind leaves them cleared.
  if (!platform::EqualsNoCase(extension, ".CEL")) chip.AllocatePlanes(Layout.dimension);
  if (dot == std::string::npos) {
    ArrayMessage("      No '.' found in file name", 0, kLogRed);
    return false;
  }
  if (platform::EqualsNoCase(extension, ".DAT")) {
    if (!Dat.ExtractDat(path.c_str())) return false;
    chip.plane1 = Dat.cellValues;
    chip.plane2 = Dat.cellErrors;
    return true;
  }
  if (platform::EqualsNoCase(extension, ".CEL")) return chip.ReadTextCel(path.c_str());
  ArrayMessage(MessageBuffer("    File '%s' not found; please select CEL or DAT file types in the "
                             "'Open Group' dialog, or uncheck 'Analysis/Open group/Options/Serach "
                             "and save QVF file in the working directory'",
                             chip.QvfPath().c_str()),
               0, kLogRed);
  return false;
}

}  // namespace

bool CHIP_DATA::ReadArray(const char* path, bool ignoreExisting, bool logAccess,
                          const std::string* dataHeaderText) {
  const std::string givenPath = path;
  dataPath = givenPath;
  if (!ignoreExisting) {
    const bool existing = ReadExisting(QvfPath().c_str(), false, logAccess);
    // ReadExisting names the QVF file; the array stays known by its data file.
    dataPath = givenPath;
    if (existing) return true;
  }

  if (!EnsureProbeLevelLayout()) return false;
  dimension = Layout.dimension;
  AllocateUnitTables();

  // The readers size and clear the planes themselves.
  if (!ReadDataFile(*this, givenPath)) return false;

  // Without a text given, the group's check of this file, run just before, recorded it.
  headerText = dataHeaderText != nullptr ? *dataHeaderText : Dat.headerText;
  normalised = 0;
  valuesPresent = 0;
  const double median = GetQuantile(0.5, false);
  medianIntensity = IsMissing(median) ? 0 : static_cast<std::int32_t>(median);

  if (ArrayType == 0) {
    ReadResultTextFile(givenPath.c_str());
  } else if (!ReadGenotypeCallFile(givenPath.c_str())) {
    ArrayMessage("      Set genotypes to No Call when not found in genotype call file");
    std::fill(calls.begin(), calls.end(), static_cast<char>(kSnpCallNoCall));
  }
  return WriteQvf();
}
