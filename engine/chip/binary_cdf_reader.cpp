// Converting a binary chip description: every cell of the parsed tree goes through the
// same placing routine as a text cell line, with the kind taken from its bases.
#include "engine/chip/binary_cdf_reader.hpp"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

#include "engine/base/fuzz_support.hpp"
#include "engine/chip/cdf_file_data.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/cell_line.hpp"
#include "engine/chip/description_size.hpp"
#include "engine/chip/layout_cache.hpp"
#include "engine/chip/probe_set_mask.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"

namespace {

constexpr const char* kAllocationFailed = "    Allocation failed in ExtractBinaryCDF()";

bool ConvertUnits(const CDF_FILE_DATA& file) {
  int secondBlockHalf = 0;
  for (std::size_t u = 0; u < file.units.size(); ++u) {
    const int unitIndex = static_cast<int>(u);
    UNIT_RECORD& unit = Layout.units[u];
    unit.SetName(file.unitNames[u]);
    unit.pairCount = 0;
    const CdfUnit& source = file.units[u];
    for (std::size_t b = 0; b < source.blocks.size(); ++b) {
      const CdfBlock& block = source.blocks[b];
      if (ArrayType == 3) {
        // Blocks 2 and 4 hold the second allele; their cells carry the pair offset of
        // the block before them.
        if (b == 0 || b == 2) {
          SnpBlockOffset = 0;
          secondBlockHalf = static_cast<int>(block.cells.size() / 2);
        } else if (b == 1 || b == 3) {
          SnpBlockOffset = secondBlockHalf;
        }
      }
      for (const CdfCell& cell : block.cells) {
        CellFields fields;
        fields.x = cell.x;
        fields.y = cell.y;
        fields.position = cell.indexPosition;
        fields.kindFlag = cell.probeBase != cell.targetBase ? 1 : 0;
        if (!PlaceCell(unitIndex, fields, true)) return false;
      }
    }
    if (!CloseUnitCells(unit)) return false;
    if ((u + 1) % 500 == 0) {
      Progress().Pump();
      Progress().ShowProgress(MessageBuffer("      Unit %d", unitIndex + 1));
    }
  }
  return true;
}

}  // namespace

bool ExtractBinaryCDF(const std::string& cdfPath, const std::string& maskFile) {
  const LayoutWriting writing;
  LogMessage("    Read binary CDF file...");
  std::unique_ptr<CDF_FILE_DATA> file(new (std::nothrow) CDF_FILE_DATA);
  if (!file) {
    LogMessage("      Allocate memeory failed in ExtractBinaryCDF()", 0, kLogRed);
    return false;
  }
  file->SetFileName(cdfPath);
  if (!file->Read(false)) {
    LogMessage("      Failed to read Binary CDF file", 0, kLogRed);
    return false;
  }
  LogMessage("      Unit 0");
  ClearLayout();
  SnpBlockOffset = 0;
  SnpBlock2Start = 0;
  const int dimension = std::max<int>(file->header.cols, file->header.rows);
  std::error_code sizeError;
  const std::uint64_t fileBytes = std::filesystem::file_size(cdfPath, sizeError);
  if (!DescriptionHoldsLayout(sizeError ? UINT64_MAX : fileBytes, dimension,
                              static_cast<int>(file->units.size()), kBinaryCdfNameSize))
    return false;
  if (!AllocateCellTable(dimension, kAllocationFailed) ||
      !AllocateUnitTable(static_cast<int>(file->units.size()), kAllocationFailed))
    return false;
  const bool converted = ConvertUnits(*file);
  SnpBlockOffset = 0;
  if (!converted) return false;
  Layout.unitCount = static_cast<int>(file->units.size());
  file.reset();
  if (!maskFile.empty()) (void)ApplyProbeSetMask(maskFile);
  return SaveCdfCache();
}

bool FuzzExtractBinaryCDF(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.cdf", [](const std::string& path) {
    Layout.cachePath = path + ".bin";
    return ExtractBinaryCDF(path, "");
  });
}
