// One data file into the group.
#include "engine/jobs/read_data_files.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <new>
#include <system_error>

#include "engine/array/chip_data.hpp"
#include "engine/array/dat_reader.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/path.hpp"

namespace {

enum class DataFileKind { kUnknown, kQvf, kDat, kCel };

DataFileKind KindOf(const std::string& path, const GroupSettings& settings) {
  std::string upper = path;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  while (!upper.empty() && (upper.back() == ' ' || upper.back() == '\t')) upper.pop_back();
  const std::string extension = platform::Extension(upper);
  if (extension == ".QVF" && settings.READ_QVF != 0) return DataFileKind::kQvf;
  if (extension == ".DAT" && settings.READ_DAT != 0) return DataFileKind::kDat;
  if (extension == ".CEL" && settings.READ_CEL != 0) return DataFileKind::kCel;
  return DataFileKind::kUnknown;
}

// Files without a scan time all carry the same tag, which tells nothing about the scan.
int ArrayOfSameScan(const Group& group, const std::string& timeTag) {
  if (timeTag == kNoTimeTag) return -1;
  for (int i = 0; i < group.NumArrays(); ++i)
    if (platform::EqualsNoCase(group.Array(i).timeTag, timeTag)) return i;
  return -1;
}

// Whether the array's QVF file exists but has not the size of one written for the loaded
// layout: its tables would not line up with the layout's cells and probe sets.
bool QvfFileIsStale(const std::string& dataPath) {
  ChipData.dataPath = dataPath;
  const std::string qvf = ChipData.QvfPath();
  std::error_code error;
  if (!std::filesystem::is_regular_file(qvf, error)) return false;
  const std::uintmax_t size = std::filesystem::file_size(qvf, error);
  if (error || size == QvfFileSize(Layout.dimension, Layout.unitCount)) return false;
  LogMessage(MessageBuffer(kStaleQvfMessage, qvf.c_str()));
  return true;
}

// Steps after the array was read: its summary numbers, calls, plane and values.
bool TakeArray(Group& group, ArraySlot& slot) {
  const GroupSettings& settings = group.Settings();
  slot.medianIntensity = ChipData.medianIntensity;
  slot.arrayOutlierFraction = ChipData.arrayOutlierPercent;
  slot.singleOutlierFraction = ChipData.singleOutlierPercent;
  slot.presentCallFraction = ChipData.callPercent;
  slot.calls = ChipData.calls;
  const bool raw = settings.USE_UNNORM != 0 || ChipData.normalised == 0;
  if (raw) group.Normalized = false;
  if (settings.LOAD_PROBE_DATA != 0) {
    try {
      slot.intensities = raw ? ChipData.plane1 : ChipData.plane2;
    } catch (const std::bad_alloc&) {
      LogMessage(kPlaneAllocationMessage, 0, kLogRed);
      return false;
    }
  } else {
    slot.intensities.clear();
  }
  if (ChipData.valuesPresent != 0) {
    slot.values = ChipData.triples;
  } else {
    slot.values.clear();
    group.Modelled = false;
  }
  return true;
}

}  // namespace

bool ReadDataFiles(const std::string& path, bool reportUnknown, const OpenGroupOptions& options) {
  JobProgress& progress = Progress();
  progress.Pump();
  if (progress.Stopped()) return false;

  Group& group = TheGroup();
  const DataFileKind kind = KindOf(path, group.Settings());
  if (kind == DataFileKind::kUnknown) {
    if (reportUnknown) LogMessage(MessageBuffer(kUnknownFileTypeMessage, path.c_str()), 0, kLogRed);
    return true;
  }
  if (kind == DataFileKind::kQvf && !ChipData.ReadExisting(path.c_str(), false, false)) {
    LogMessage(kQvfReadFailedMessage);
    return false;
  }

  std::string timeTag;
  if (!Dat.ReadDataFileHeader(path.c_str(), timeTag)) return true;

  ArraySlot& slot = group.NextArraySlot();
  slot.dataFile = path;
  slot.timeTag = timeTag.substr(0, kTimeTagCapacity);
  LogMessage(MessageBuffer(kFoundFileMessage, path.c_str()));
  const int earlier = ArrayOfSameScan(group, slot.timeTag);
  if (earlier >= 0) {
    LogMessage(MessageBuffer(kSameTimeTagMessage, slot.timeTag.c_str(),
                             group.Array(earlier).dataFile.c_str()),
               0, kLogRed);
    return true;
  }

  // A QVF file named directly is the array's only data.
  const bool ignoreQvf =
      kind != DataFileKind::kQvf && (options.ignoreExistingQvf || QvfFileIsStale(path));
  if (!ChipData.ReadArray(path.c_str(), ignoreQvf, true)) return false;
  if (!TakeArray(group, slot)) return false;
  if (!group.CountArray()) return false;
  progress.Pump();
  return true;
}
