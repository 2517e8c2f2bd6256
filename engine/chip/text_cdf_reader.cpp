// Reading text chip descriptions. The file is walked once through three states: the
// header (dimension, unit count), a unit's description lines (its name) and its cell
// lines. Cell lines are the bulk of the file, so they are tested first and parsed in
// place.
#include "engine/chip/text_cdf_reader.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "engine/base/file_kind.hpp"
#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/array_kind_table.hpp"
#include "engine/chip/cdf_file_data.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/cell_line.hpp"
#include "engine/chip/description_size.hpp"
#include "engine/chip/layout_cache.hpp"
#include "engine/chip/probe_set_mask.hpp"
#include "engine/chip/probe_tab_reader.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

bool CdfFileNotText = false;

namespace {

enum class ReadState { kHeader, kUnit, kCells };

// The shortest probe set a text chip description can give: its "Name=x" line and the
// line end (lines of two characters or fewer are passed over).
constexpr std::uint64_t kFewestBytesPerTextUnit = 7;

bool IsCellLine(std::string_view line) {
  return line.size() >= 4 && line.compare(0, 4, "Cell") == 0 && (line.size() < 5 || line[4] != 'H');
}

class TextCdfConverter {
 public:
  // fileBytes: the size of the file, which bounds the layout its header may declare.
  explicit TextCdfConverter(std::uint64_t fileBytes) : mFileBytes(fileBytes) {}
  bool Run(platform::LineReader& reader);

 private:
  bool HeaderLine(std::string_view line);
  // Makes the tables the header declared, once: a header may repeat its lines, and only
  // the last of each counts.
  bool EndHeader();
  bool UnitLine(std::string_view line);
  bool CellsLine(std::string_view line);
  bool CloseUnit();
  int CurrentCells() const {
    return mUnit >= 0 ? Layout.units[static_cast<std::size_t>(mUnit)].pairCount : 0;
  }

  std::uint64_t mFileBytes;
  // What the header declared so far: the grid's side and the number of probe sets.
  std::optional<int> mDimension;
  std::optional<int> mDeclaredUnits;
  ReadState mState = ReadState::kHeader;
  int mUnit = -1;
  bool mUnitOpen = false;
  std::string mSavedName;
  PendingCells mPending;  // emptied before any other line is handled and at each pump
};

bool TextCdfConverter::Run(platform::LineReader& reader) {
  std::string_view line;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd) break;
    if (status == platform::LineStatus::kError) {
      if (!mPending.Place()) return false;
      LogMessage("    Error: reading the CDF file stopped before its end", 0, kLogRed);
      return false;
    }
    const std::int64_t lineNumber = reader.LineNumber();
    if (lineNumber % 100 == 0) {
      if (!mPending.Place()) return false;
      Progress().Pump();
      if (lineNumber % 10000 == 0)
        Progress().ShowProgress(MessageBuffer("    Line %d", static_cast<int>(lineNumber)));
    }
    if (line.size() <= 2) continue;
    bool ok = true;
    switch (mState) {
      case ReadState::kHeader:
        ok = HeaderLine(line);
        break;
      case ReadState::kUnit:
        ok = UnitLine(line);
        break;
      case ReadState::kCells:
        ok = CellsLine(line);
        break;
    }
    if (!ok) return false;
  }
  if (!mPending.Place()) return false;

  if (mState == ReadState::kHeader && !EndHeader()) return false;
  if (!Layout.HasCells()) {
    LogMessage("    Error: the CDF file gives no number of rows", 0, kLogRed);
    return false;
  }
  if (mUnitOpen && !CloseUnit()) return false;
  Layout.unitCount = mUnit + 1;
  Layout.units.resize(static_cast<std::size_t>(Layout.unitCount));
  return true;
}

bool TextCdfConverter::HeaderLine(std::string_view line) {
  if (Contains(line, "Rows")) {
    mDimension = ReadIntAfterEquals(line);
    return true;
  }
  if (Contains(line, "Cols")) {
    const int columns = ReadIntAfterEquals(line);
    if (columns <= mDimension.value_or(Layout.dimension)) return true;
    if (CustomCdf == 0) {
      LogMessage("    Number of columns is greater than number of rows", 0, kLogRed);
      return false;
    }
    mDimension = columns;
    return true;
  }
  if (Contains(line, "NumberOfUnits")) {
    mDeclaredUnits = ReadIntAfterEquals(line);
    return true;
  }
  if (Contains(line, "_Block")) {
    mState = ReadState::kUnit;
    return EndHeader();
  }
  return true;
}

bool TextCdfConverter::EndHeader() {
  constexpr const char* kAllocationFailed = "    Allocation failed in ReadTextCdf()";
  if (!DescriptionHoldsLayout(mFileBytes, mDimension.value_or(0), mDeclaredUnits.value_or(0),
                              kFewestBytesPerTextUnit))
    return false;
  if (mDimension && !AllocateCellTable(*mDimension, kAllocationFailed)) return false;
  return !mDeclaredUnits || AllocateUnitTable(*mDeclaredUnits, kAllocationFailed);
}

bool TextCdfConverter::UnitLine(std::string_view line) {
  if (Contains(line, "Name")) {
    if (mUnit + 1 >= static_cast<int>(Layout.units.size())) {
      LogMessage(MessageBuffer("    Error: more probe sets than NumberOfUnits (%d)",
                               static_cast<int>(Layout.units.size())),
                 0, kLogRed);
      return false;
    }
    std::string_view name = SkipPast(line, '=');
    if (name.size() >= static_cast<std::size_t>(kUnitNameSize)) {
      LogMessage("    Error: the length of probe set name exceeds limit", 0, kLogRed);
      return false;
    }
    if (name.size() == 1) name = mSavedName;
    ++mUnit;
    UNIT_RECORD& unit = Layout.units[static_cast<std::size_t>(mUnit)];
    unit.SetName(name);
    unit.pairCount = 0;
    mUnitOpen = true;
    return true;
  }
  if (Contains(line, "CellHeader")) mState = ReadState::kCells;
  return true;
}

bool TextCdfConverter::CellsLine(std::string_view line) {
  if (IsCellLine(line)) return mPending.Add(line, mUnit);
  if (!mPending.Place()) return false;
  if (ArrayType == 3) {
    if (Contains(line, "Name")) mSavedName = SkipPast(line, '=');
    if (Contains(line, "_Block1") || Contains(line, "_Block3")) {
      SnpBlockOffset = 0;
    } else if (Contains(line, "_Block2")) {
      SnpBlockOffset = SnpBlock2Start = CurrentCells() / CellsPerPair();
    } else if (Contains(line, "_Block4")) {
      SnpBlockOffset = CurrentCells() / CellsPerPair() - 2 * SnpBlock2Start;
    }
  }
  if (Contains(line, "_Block1")) {
    if (mUnitOpen && !CloseUnit()) return false;
    mState = ReadState::kUnit;
  }
  return true;
}

bool TextCdfConverter::CloseUnit() {
  mUnitOpen = false;
  if (mUnit < 0) return true;
  UNIT_RECORD& unit = Layout.units[static_cast<std::size_t>(mUnit)];
  if (!CloseUnitCells(unit)) return false;
  if (unit.pairCount == 0) --mUnit;
  return true;
}

}  // namespace

bool ReadTextCdf(const std::string& cdfPath, const std::string& maskFile) {
  CdfFileNotText = false;
  platform::LineReader reader;
  if (!reader.Open(cdfPath, kLineBufferLength)) {
    LogMessage(MessageBuffer("  Reading CDF file '%s' failed\n", cdfPath.c_str()), 0, kLogRed);
    return false;
  }
  LogMessage(
      MessageBuffer("  Converting CDF file '%s' into Zelko binary format for faster "
                    "access...",
                    cdfPath.c_str()));
  LogMessage("    Line 0");
  // A binary chip description opens with its magic number, whatever letters follow.
  if (SniffFileForm(cdfPath, kBinaryCdfMagic, "CDF", kLineBufferLength) != FileForm::kText) {
    LogMessage("    Not a CDF file or not in text format", 1, kLogRed);
    CdfFileNotText = true;
    return false;
  }
  ClearLayout();
  SnpBlockOffset = 0;
  SnpBlock2Start = 0;

  std::error_code sizeError;
  const std::uint64_t fileBytes = std::filesystem::file_size(cdfPath, sizeError);
  TextCdfConverter converter(sizeError ? UINT64_MAX : fileBytes);
  if (!converter.Run(reader)) return false;
  reader.Close();

  if (!maskFile.empty()) (void)ApplyProbeSetMask(maskFile);
  PumpMessages();
  (void)ReadProbeTabFile(cdfPath);
  if (ArrayType != 0 && platform::EqualsNoCase(Layout.chipType, TrailingBaseChipType())) {
    LogMessage(
        MessageBuffer("    Removing the last base letter from probe set names of %s "
                      "arrays",
                      Layout.chipType.c_str()));
    StripTrailingBase();
  }
  return SaveCdfCache();
}

void StripTrailingBase() {
  for (int u = 0; u < Layout.unitCount && u < static_cast<int>(Layout.units.size()); ++u) {
    UNIT_RECORD& unit = Layout.units[static_cast<std::size_t>(u)];
    const std::string_view name = unit.Name();
    if (name.empty()) continue;
    const char last = name.back();
    if (last == 'A' || last == 'T' || last == 'G' || last == 'C') unit.name[name.size() - 1] = '\0';
  }
}

bool FuzzReadTextCdf(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.cdf", [](const std::string& path) {
    Layout.cachePath = path + ".bin";
    return ReadTextCdf(path, "");
  });
}
