// Data files into the group: one at a time, or the files of a folder read side by side.
// A helper reads an array's data (its QVF file, or its cell file followed by its median,
// calls and QVF file) with its lines kept; the headers, the group's tables, the log and
// the user stay with the calling thread, which takes the arrays in the folder's order.
#include "engine/jobs/read_data_files.hpp"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

#include "engine/array/array_messages.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/array/dat_reader.hpp"
#include "engine/base/ordered_jobs.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/data_file_search.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/commit_behind.hpp"
#include "platform/folder_sync_batch.hpp"
#include "platform/parallel_tasks.hpp"
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
bool SameScan(const std::string& timeTag, const std::string& earlier) {
  return timeTag != kNoTimeTag && platform::EqualsNoCase(earlier, timeTag);
}

int ArrayOfSameScan(const Group& group, const std::string& timeTag) {
  for (int i = 0; i < group.NumArrays(); ++i)
    if (SameScan(timeTag, group.Array(i).timeTag)) return i;
  return -1;
}

// Whether the array's QVF file exists but has not the size of one written for the loaded
// layout: its tables would not line up with the layout's cells and probe sets.
bool QvfFileIsStale(const std::string& dataPath) {
  const std::string qvf = QvfPathFor(dataPath);
  // Its own commit may still be on its way when the group names one data file twice.
  platform::WaitForPendingCommit(qvf);
  std::error_code error;
  if (!std::filesystem::is_regular_file(qvf, error)) return false;
  const std::uintmax_t size = std::filesystem::file_size(qvf, error);
  if (error || size == QvfFileSize(Layout.dimension, Layout.unitCount)) return false;
  ArrayMessage(MessageBuffer(kStaleQvfMessage, qvf.c_str()));
  return true;
}

// Steps after the array was read: its summary numbers, calls, plane and values. With
// handOver the plane and values move out of chip, which is read again before its next use.
bool TakeArray(Group& group, ArraySlot& slot, CHIP_DATA& chip, bool handOver) {
  const GroupSettings& settings = group.Settings();
  slot.medianIntensity = chip.medianIntensity;
  slot.arrayOutlierFraction = chip.arrayOutlierPercent;
  slot.singleOutlierFraction = chip.singleOutlierPercent;
  slot.presentCallFraction = chip.callPercent;
  slot.calls = chip.calls;
  const bool raw = settings.USE_UNNORM != 0 || chip.normalised == 0;
  if (raw) group.Normalized = false;
  if (settings.LOAD_PROBE_DATA != 0) {
    std::vector<std::uint16_t>& plane = raw ? chip.plane1 : chip.plane2;
    try {
      if (handOver)
        slot.intensities.swap(plane);
      else
        slot.intensities = plane;
    } catch (const std::bad_alloc&) {
      LogMessage(kPlaneAllocationMessage, 0, kLogRed);
      return false;
    }
  } else {
    slot.intensities.clear();
  }
  if (chip.valuesPresent != 0) {
    if (handOver)
      slot.values.swap(chip.triples);
    else
      slot.values = chip.triples;
  } else {
    slot.values.clear();
    group.Modelled = false;
  }
  return true;
}

// The files a folder search offers while a collection runs on the thread.
thread_local std::vector<OfferedFile>* tCollected = nullptr;

class CollectOfferedFiles {
 public:
  explicit CollectOfferedFiles(std::vector<OfferedFile>& files) : mPrevious(tCollected) {
    tCollected = &files;
  }
  ~CollectOfferedFiles() { tCollected = mPrevious; }
  CollectOfferedFiles(const CollectOfferedFiles&) = delete;
  CollectOfferedFiles& operator=(const CollectOfferedFiles&) = delete;

 private:
  std::vector<OfferedFile>* mPrevious;
};

// Whether a helper could read every file offered as the calling thread would: cell files
// only, of an expression chip whose cells are known, and no result text file beside any
// (its reader changes the group's settings for the arrays after it).
bool FilesFitHelpers(const std::vector<OfferedFile>& files, const GroupSettings& settings) {
  if (files.size() < 2 || ArrayType != 0 || (settings.LOAD_PROBE_DATA == 0 && !Layout.HasCells()))
    return false;
  for (const OfferedFile& file : files) {
    const DataFileKind kind = KindOf(file.path, settings);
    if (kind == DataFileKind::kUnknown) continue;
    if (kind != DataFileKind::kCel || file.path.find('.') == std::string::npos) return false;
    std::error_code error;
    if (std::filesystem::exists(ChangeExtension(file.path, ".txt"), error) || error) return false;
  }
  return true;
}

// What the calling thread learns of a file before its array is read: its kind, its
// header's scan time and text, and its lines so far.
struct FileCheck {
  DataFileKind kind = DataFileKind::kUnknown;
  bool accepted = false;      // of the group's chip type
  bool textRecorded = false;  // the header reader recorded a header text
  bool sameScan = false;      // an earlier array has its scan time
  std::string timeTag;
  std::string headerText;
  std::vector<KeptMessage> lines;
};

FileCheck CheckFile(const OfferedFile& file, const GroupSettings& settings, DAT& header) {
  FileCheck check;
  const KeepArrayMessages keep(check.lines);
  check.kind = KindOf(file.path, settings);
  if (check.kind == DataFileKind::kUnknown) {
    if (file.reportUnknown)
      ArrayMessage(MessageBuffer(kUnknownFileTypeMessage, file.path.c_str()), 0, kLogRed);
    return check;
  }
  header.headerText.clear();
  std::string timeTag;
  check.accepted = header.ReadDataFileHeader(file.path.c_str(), timeTag);
  check.textRecorded = !header.headerText.empty();
  check.headerText = header.headerText;
  check.timeTag = timeTag.substr(0, kTimeTagCapacity);
  return check;
}

// The helpers' working arrays, kept from one open to the next, so that their planes take
// memory that is mapped already rather than fresh pages for every array of every open.
class SpareArrays {
 public:
  std::unique_ptr<CHIP_DATA> Take() {
    {
      const std::lock_guard<std::mutex> lock(mMutex);
      if (!mSpare.empty()) {
        std::unique_ptr<CHIP_DATA> chip = std::move(mSpare.back());
        mSpare.pop_back();
        return chip;
      }
    }
    return std::unique_ptr<CHIP_DATA>(new (std::nothrow) CHIP_DATA);
  }
  void Give(std::unique_ptr<CHIP_DATA> chip) {
    const std::lock_guard<std::mutex> lock(mMutex);
    try {
      mSpare.push_back(std::move(chip));
    } catch (const std::bad_alloc&) {
      // Not kept: the next open maps its own.
    }
  }

 private:
  std::mutex mMutex;
  std::vector<std::unique_ptr<CHIP_DATA>> mSpare;
};

SpareArrays& Spares() {
  static SpareArrays spares;
  return spares;
}

struct ReadArrayResult {
  ReadArrayResult() = default;
  ReadArrayResult(const ReadArrayResult&) = delete;
  ReadArrayResult& operator=(const ReadArrayResult&) = delete;
  ~ReadArrayResult() {
    if (chip) Spares().Give(std::move(chip));
  }

  std::unique_ptr<CHIP_DATA> chip;
  std::vector<KeptMessage> lines;
  bool read = false;
};

class ArrayReading {
 public:
  using Result = ReadArrayResult;
  struct Context {};

  ArrayReading(const std::vector<OfferedFile>& files, const std::vector<FileCheck>& checks,
               const std::vector<std::size_t>& reads, const OpenGroupOptions& options)
      : mFiles(files),
        mChecks(checks),
        mReads(reads),
        mOptions(options),
        mFolderSyncs(platform::ThreadFolderSyncBatch()),
        mBehind(platform::ThreadCommitBehind()) {}

  Context MakeContext() const { return {}; }

  void Run(std::size_t number, Result& result, Context&) const {
    result.lines.clear();
    result.read = false;
    if (!result.chip) result.chip = Spares().Take();
    const KeepArrayMessages keep(result.lines);
    // The QVF file is flushed behind, and its folder with the calling thread's.
    const platform::DeferFolderSyncs defer(mFolderSyncs);
    const platform::ShareCommitBehind behind(mBehind);
    if (!result.chip) {
      ArrayMessage(kPlaneAllocationMessage, 0, kLogRed);
      return;
    }
    const std::size_t file = mReads[number];
    const std::string& path = mFiles[file].path;
    try {
      const bool ignoreQvf = mOptions.ignoreExistingQvf || QvfFileIsStale(path);
      result.read =
          result.chip->ReadArray(path.c_str(), ignoreQvf, true, &mChecks[file].headerText);
    } catch (const std::bad_alloc&) {
      ArrayMessage(kPlaneAllocationMessage, 0, kLogRed);
      result.read = false;
    }
  }

 private:
  const std::vector<OfferedFile>& mFiles;
  const std::vector<FileCheck>& mChecks;
  const std::vector<std::size_t>& mReads;
  const OpenGroupOptions& mOptions;
  platform::FolderSyncBatch* mFolderSyncs;
  platform::CommitBehind* mBehind;
};

// The files in turn, as ReadDataFiles would take them one by one, their arrays read side
// by side a few ahead.
bool ReadFilesOnThreads(const std::vector<OfferedFile>& files, const OpenGroupOptions& options) {
  Group& group = TheGroup();
  // The headers first, side by side, for the scan times that decide which arrays are read
  // at all; each reader only reads its file and keeps its lines.
  std::vector<FileCheck> checks(files.size());
  const GroupSettings& settings = group.Settings();
  platform::RunTasks(static_cast<int>(files.size()), platform::WorkerThreadCount(),
                     [&](int f, bool) {
                       DAT header;
                       const auto file = static_cast<std::size_t>(f);
                       checks[file] = CheckFile(files[file], settings, header);
                     });
  std::vector<std::size_t> reads;
  std::vector<std::string> scans;
  for (int i = 0; i < group.NumArrays(); ++i) scans.push_back(group.Array(i).timeTag);
  for (std::size_t f = 0; f < files.size(); ++f) {
    FileCheck& check = checks[f];
    if (!check.accepted) continue;
    check.sameScan = std::any_of(scans.begin(), scans.end(), [&](const std::string& earlier) {
      return SameScan(check.timeTag, earlier);
    });
    if (check.sameScan) continue;
    reads.push_back(f);
    scans.push_back(check.timeTag);
  }
  const ArrayReading job(files, checks, reads, options);
  OrderedJobs<ArrayReading> arrays(job, reads.size(), HelperThreadsFor(reads.size(), 7));
  JobProgress& progress = Progress();
  std::size_t next = 0;
  for (std::size_t f = 0; f < files.size(); ++f) {
    progress.Pump();
    if (progress.Stopped()) return false;
    const FileCheck& check = checks[f];
    WriteKeptMessages(check.lines);
    if (check.textRecorded) Dat.headerText = check.headerText;
    if (!check.accepted) continue;
    ArraySlot& slot = group.NextArraySlot();
    slot.dataFile = files[f].path;
    slot.timeTag = check.timeTag;
    LogMessage(MessageBuffer(kFoundFileMessage, slot.dataFile.c_str()));
    const int earlier = ArrayOfSameScan(group, slot.timeTag);
    assert((earlier >= 0) == check.sameScan && "the scan times were judged before");
    if (earlier >= 0) {
      LogMessage(MessageBuffer(kSameTimeTagMessage, slot.timeTag.c_str(),
                               group.Array(earlier).dataFile.c_str()),
                 0, kLogRed);
      continue;
    }
    const ReadArrayResult& result = arrays.Take(next);
    WriteKeptMessages(result.lines);
    if (!result.read) return false;
    // The working array ends as one thread leaves it: holding the last array read.
    const bool last = next + 1 == reads.size();
    if (!TakeArray(group, slot, *result.chip, !last)) return false;
    if (!group.CountArray()) return false;
    if (last) ChipData = std::move(*result.chip);
    arrays.Done(next);
    ++next;
    progress.Pump();
  }
  return true;
}

}  // namespace

bool ReadDataFiles(const std::string& path, bool reportUnknown, const OpenGroupOptions& options) {
  if (tCollected != nullptr) {
    tCollected->push_back({path, reportUnknown});
    return true;
  }
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
  if (!TakeArray(group, slot, ChipData, false)) return false;
  if (!group.CountArray()) return false;
  progress.Pump();
  return true;
}

bool ReadDataFolder(const std::string& folder, const OpenGroupOptions& options) {
  if (platform::WorkerThreadCount() < 2) return SearchDataDirectory(folder, options);
  std::vector<OfferedFile> files;
  {
    const CollectOfferedFiles collect(files);
    // Only offered, nothing read: the search cannot fail.
    static_cast<void>(SearchDataDirectory(folder, options));
  }
  if (FilesFitHelpers(files, TheGroup().Settings())) return ReadFilesOnThreads(files, options);
  for (const OfferedFile& file : files)
    if (!ReadDataFiles(file.path, file.reportUnknown, options)) return false;
  return true;
}
