// LoadCdf: the chip type and array kind from the file name, then the cache or a
// conversion (the cache read or write builds the probe positions), then their check.
#include "engine/chip/load_cdf.hpp"

#include <filesystem>

#include <string_view>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/array_kind_table.hpp"
#include "engine/chip/binary_cdf_reader.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/layout_cache.hpp"
#include "engine/chip/pgf_reader.hpp"
#include "engine/chip/text_cdf_reader.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/path.hpp"

namespace {

constexpr std::string_view kCacheSuffix = ".bin";

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         platform::EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// The chip type and array kind; false with a red line when the file name gives none.
bool TakeChipType(const std::string& cdfPath, CdfLoadSettings& settings) {
  const std::string fileName = platform::FileName(cdfPath);
  const std::size_t dot = fileName.find('.');
  if (dot == std::string::npos) {
    LogMessage(MessageBuffer("    No CDF file specified in \"Open group/Other information\" "
                             "dialog, or wrong CDF file name: %s",
                             cdfPath.c_str()),
               0, kLogRed);
    return false;
  }
  // The chip type must fit the cache's fixed field.
  if (dot < 2 || dot >= kChipTypeSize) {
    LogMessage(MessageBuffer("    Incorrect length of 'ChipType' when parsing %s", cdfPath.c_str()),
               0, kLogRed);
    return false;
  }
  std::string chipType = fileName.substr(0, dot);

  ArrayType = 0;
  RotatedLayout = 0;
  ExonArray = 0;
  const ArrayKind kind = ClassifyChipType(chipType);
  ArrayType = kind.arrayType;
  RotatedLayout = kind.rotatedLayout;
  ExonArray = kind.exonArray;
  if (kind.exonArray != 0) {
    PmOnly = 1;
    settings.MODEL_METHOD = 1;
    LogMessage("  Found this array type as exon array");
  } else if (kind.row >= 0) {
    LogMessage("  Found this array type as SNP array");
  }

  const std::size_t marker = chipType.find(kCustomCdfMarker);
  CustomCdf = marker != std::string::npos ? 1 : 0;
  if (CustomCdf != 0) {
    LogMessage("  This is a Zelko custom CDF file");
    chipType.erase(marker);
  }
  ProbesPerPair = PmOnly != 0 ? 1 : 2;
  Layout.chipType = chipType;
  return true;
}

enum class DescriptionKind { kChipDescription, kProbeGroupFile, kUnknown };

DescriptionKind KindOfDescription(const std::string& workingPath) {
  const std::string fileName = platform::FileName(workingPath);
  if (Contains(fileName, ".cdf") || Contains(fileName, ".CDF"))
    return DescriptionKind::kChipDescription;
  if (Contains(fileName, ".pgf") || Contains(fileName, ".PGF"))
    return DescriptionKind::kProbeGroupFile;
  return DescriptionKind::kUnknown;
}

bool Convert(const std::string& workingPath, const std::string& maskFile) {
  switch (KindOfDescription(workingPath)) {
    case DescriptionKind::kChipDescription:
      if (ReadTextCdf(workingPath, maskFile)) return true;
      if (!CdfFileNotText) return false;
      return ExtractBinaryCDF(workingPath, maskFile);
    case DescriptionKind::kProbeGroupFile:
      return ReadPgfFile(workingPath);
    case DescriptionKind::kUnknown:
      break;
  }
  LogMessage("    Cannot recoganize file type", 0, kLogRed);
  return false;
}

}  // namespace

std::string CachePathFor(const std::string& cdfPath) {
  if (EndsWithNoCase(platform::FileName(cdfPath), kCacheSuffix)) return cdfPath;
  return cdfPath + std::string(kCacheSuffix);
}

bool LoadCdf(const std::string& cdfPath, bool rebuild, const std::string& maskFile,
             CdfLoadSettings& settings) {
  const LayoutWriting writing;
  if (!TakeChipType(cdfPath, settings)) return false;
  const std::string chipType = Layout.chipType;
  const std::string cachePath = CachePathFor(cdfPath);
  const std::string workingPath =
      cachePath == cdfPath ? cdfPath.substr(0, cdfPath.size() - kCacheSuffix.size()) : cdfPath;
  Layout.cachePath = cachePath;
  // A probe group file lists one cell a probe, whatever the chip type: its converter
  // counts one cell a pair, and the layout read back from its cache must count the same.
  if (KindOfDescription(workingPath) == DescriptionKind::kProbeGroupFile) ProbesPerPair = 1;

  // The cache read builds the probe positions as it goes.
  if (!rebuild && ReadCdfCache(cachePath, settings.ProbeDataNeeded(), true)) {
    Layout.chipType = chipType;
    return true;
  }
  Layout.cachePath = cachePath;
  Layout.chipType = chipType;
  if (!Convert(workingPath, maskFile)) {
    ClearLayout();  // no half-converted layout outlives a failed load
    return false;
  }
  // Every converter ends with the cache write, which builds the probe positions.
  if (CheckCellPos()) return true;
  // The converter has cached the layout already; a cache of a layout that fails its check
  // would be taken without the check at the next load, so it goes.
  std::error_code ignored;
  std::filesystem::remove(cachePath, ignored);
  return false;
}
