// Writing, reading and filling the probe sensitivity index file.
#include "engine/model/psi_file.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <new>

#include "engine/base/fuzz_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/model/model.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/system_error.hpp"

PSI_FILE Psi;

namespace {

std::size_t CellCount(std::int32_t width) {
  const auto side = static_cast<std::size_t>(std::max(width, 0));
  return side * side;
}

std::uint64_t FileSize(std::int32_t width, std::int32_t units) {
  return kPsiHeaderSize + 9ULL * CellCount(width) +
         4ULL * static_cast<std::uint64_t>(std::max(units, 0));
}

// The cell of probe j of the unit: its perfect-match cell, or with the full model the
// mismatch cell of pair j - pairs for the second half. -1 when the cell is not known.
std::ptrdiff_t ProbeCell(std::span<const PairPositions> positions, int probe, int width) {
  const int pairs = static_cast<int>(positions.size());
  const bool secondHalf = probe >= pairs;
  const int pair = secondHalf ? probe - pairs : probe;
  if (pair < 0 || pair >= pairs) return -1;
  const ProbePosition cell = positions[static_cast<std::size_t>(pair)][secondHalf ? 0 : 1];
  if (cell.x < 0 || cell.y < 0 || cell.x >= width || cell.y >= width) return -1;
  return static_cast<std::ptrdiff_t>(cell.x) * width + cell.y;
}

}  // namespace

bool PSI_FILE::AllocPsiPlanes() {
  FreePsiPlanes();
  try {
    const std::size_t cells = CellCount(Layout.dimension);
    mPhi.assign(cells, 0.0f);
    mStdErr.assign(cells, 0.0f);
    mOutlier.assign(cells, 0);
    mPresent.assign(static_cast<std::size_t>(std::max(Layout.unitCount, 0)), 0.0f);
  } catch (const std::bad_alloc&) {
    FreePsiPlanes();
    LogMessage(kPsiAllocationMessage, 0, kLogRed);
    return false;
  }
  chipType = Layout.chipType;
  width = Layout.dimension;
  unitCount = Layout.unitCount;
  return true;
}

void PSI_FILE::FreePsiPlanes() {
  std::vector<float>().swap(mPhi);
  std::vector<float>().swap(mStdErr);
  std::vector<std::uint8_t>().swap(mOutlier);
  std::vector<float>().swap(mPresent);
}

bool PSI_FILE::WritePsiFile(const std::string& path) {
  if (!HasPlanes()) {
    LogMessage(MessageBuffer(kPsiNoPlanesMessage, path.c_str()), 0, kLogRed);
    return false;
  }
  // A longer chip type would be cut, and the file would then belong to no chip.
  if (Layout.chipType.size() > static_cast<std::size_t>(kPsiMaxChipTypeLength)) {
    LogMessage(MessageBuffer(kPsiChipTypeTooLongMessage, Layout.chipType.c_str()), 0, kLogRed);
    return false;
  }
  chipType = Layout.chipType;
  format = kPsiFormat;
  method = TheGroup().Settings().MODEL_METHOD;

  platform::ByteWriter writer;
  writer.WriteText(chipType);
  for (std::size_t k = chipType.size(); k < static_cast<std::size_t>(kPsiChipTypeSize); ++k)
    writer.WriteUInt8(0);
  writer.WriteUInt8(format);
  writer.WriteUInt16(0);
  writer.WriteInt32(width);
  writer.WriteInt32(unitCount);
  writer.WriteInt32(method);
  for (int k = 0; k < kPsiReservedSize + kPsiPointerSlotsSize; ++k) writer.WriteUInt8(0);
  for (const float value : mPhi) writer.WriteFloat(value);
  for (const float value : mStdErr) writer.WriteFloat(value);
  writer.WriteBytes(mOutlier);
  for (const float value : mPresent) writer.WriteFloat(value);

  struct stat info {};
  if (stat(path.c_str(), &info) == 0) (void)chmod(path.c_str(), info.st_mode | S_IWUSR);
  int error = 0;
  if (!writer.SaveTo(path, &error)) {
    LogMessage(
        platform::WithSystemReason(MessageBuffer(kPsiWriteFailedMessage, path.c_str()), error), 0,
        kLogRed);
    return false;
  }
  LogMessage(MessageBuffer(kPsiWritingMessage, path.c_str()));
  return true;
}

bool PSI_FILE::ReadPsiFile(const std::string& path) {
  const auto bytes = platform::ReadWholeFile(path);
  if (!bytes) {
    LogMessage(MessageBuffer(kPsiReadFailedMessage, path.c_str()), 0, kLogRed);
    return false;
  }
  LogMessage(MessageBuffer(kPsiReadingMessage, path.c_str()));
  if (bytes->size() < static_cast<std::size_t>(kPsiHeaderSize)) {
    LogMessage(MessageBuffer(kPsiTruncatedMessage, path.c_str(), bytes->size(),
                             static_cast<unsigned long long>(kPsiHeaderSize)),
               0, kLogRed);
    return false;
  }
  const std::uint8_t* header = bytes->data();
  const auto typeEnd = std::find(header, header + kPsiChipTypeSize, std::uint8_t{0});
  const std::string storedType(header, typeEnd);
  const std::uint8_t storedFormat = header[kPsiFormatOffset];
  const auto storedWidth = static_cast<std::int32_t>(platform::LoadU32(header + kPsiWidthOffset));
  const auto storedUnits =
      static_cast<std::int32_t>(platform::LoadU32(header + kPsiUnitCountOffset));
  const auto storedMethod = static_cast<std::int32_t>(platform::LoadU32(header + kPsiMethodOffset));

  if (!platform::EqualsNoCase(storedType, Layout.chipType)) {
    LogMessage(
        MessageBuffer(kPsiChipTypeMismatchMessage, storedType.c_str(), Layout.chipType.c_str()), 0,
        kLogRed);
    return false;
  }
  if (storedFormat <= 2) {
    LogMessage(kPsiOldFormatMessage, 0, kLogRed);
    return false;
  }
  if (storedWidth != Layout.dimension || storedUnits != Layout.unitCount) {
    LogMessage(kPsiDimensionMismatchMessage, 0, kLogRed);
    return false;
  }
  if (storedMethod < kModelPmMmDifference || storedMethod > kModelAverageDifference) {
    LogMessage(kPsiUnknownMethodMessage, 0, kLogRed);
    return false;
  }
  const std::uint64_t expected = FileSize(storedWidth, storedUnits);
  if (bytes->size() < expected) {
    LogMessage(MessageBuffer(kPsiTruncatedMessage, path.c_str(), bytes->size(),
                             static_cast<unsigned long long>(expected)),
               0, kLogRed);
    return false;
  }

  LogMessage(MessageBuffer(kPsiMethodMessage, std::string(ModelMethodName(storedMethod)).c_str()));
  TheGroup().Settings().MODEL_METHOD = storedMethod;
  if (!AllocPsiPlanes()) return false;
  chipType = storedType;
  format = storedFormat;
  method = storedMethod;
  // The size was checked above, so every read below has its bytes.
  platform::ByteReader reader{std::span<const std::uint8_t>(*bytes).subspan(kPsiHeaderSize)};
  bool read = true;
  for (float& value : mPhi) read = read && reader.ReadFloat(value);
  for (float& value : mStdErr) read = read && reader.ReadFloat(value);
  read = read && reader.ReadBytes(mOutlier.size(), mOutlier);
  for (float& value : mPresent) read = read && reader.ReadFloat(value);
  if (!read) {
    FreePsiPlanes();
    LogMessage(MessageBuffer(kPsiReadFailedMessage, path.c_str()), 0, kLogRed);
    return false;
  }
  return true;
}

void PSI_FILE::StorePsi(int unit, const MODEL& model) {
  if (!HasPlanes() || unit < 0 || unit >= Layout.unitCount) return;
  const auto positions = Layout.Positions(unit);
  for (int j = 0; j < model.ProbeCount(); ++j) {
    const std::ptrdiff_t cell = ProbeCell(positions, j, width);
    if (cell < 0) continue;
    const auto at = static_cast<std::size_t>(cell);
    mPhi[at] = static_cast<float>(model.ResultPhi(j));
    mStdErr[at] = static_cast<float>(model.PhiStdErr(j));
    mOutlier[at] = model.IsProbeOutlier(j) ? 1 : 0;
  }
}

bool PSI_FILE::LoadPsi(int unit, MODEL& model) const {
  if (!HasPlanes() || unit < 0 || unit >= Layout.unitCount) return false;
  const auto positions = Layout.Positions(unit);
  if (positions.empty() && model.ProbeCount() > 0) return false;
  for (int j = 0; j < model.ProbeCount(); ++j) {
    const std::ptrdiff_t cell = ProbeCell(positions, j, width);
    if (cell < 0) return false;
    const auto at = static_cast<std::size_t>(cell);
    model.SetFixedProbe(j, mPhi[at], mStdErr[at], mOutlier[at] != 0);
  }
  return true;
}

void PSI_FILE::SetPresentFraction(int unit, float fraction) {
  if (unit >= 0 && static_cast<std::size_t>(unit) < mPresent.size())
    mPresent[static_cast<std::size_t>(unit)] = fraction;
}

float PSI_FILE::PresentFraction(int unit) const {
  if (unit < 0 || static_cast<std::size_t>(unit) >= mPresent.size()) return 0.0f;
  return mPresent[static_cast<std::size_t>(unit)];
}

bool FuzzReadPsiFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.psi", [](const std::string& path) {
    PSI_FILE psi;
    return psi.ReadPsiFile(path);
  });
}
