// Filling the probe data cache block by block from the arrays' QVF files.
#include "engine/model/probe_data_cache.hpp"

#include <cstdint>
#include <new>
#include <string>

#include "engine/array/chip_data.hpp"
#include "engine/array/local_background.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/model/model.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"

ProbeDataCache ProbeCache;

namespace {

// Raises the group's probe-level flag for one QVF read, so the planes are read even
// though the group does not keep them.
class RaisedProbeLevelFlag {
 public:
  RaisedProbeLevelFlag() : mSaved(ProbeLevelFlag) { ProbeLevelFlag = true; }
  ~RaisedProbeLevelFlag() { ProbeLevelFlag = mSaved; }
  RaisedProbeLevelFlag(const RaisedProbeLevelFlag&) = delete;
  RaisedProbeLevelFlag& operator=(const RaisedProbeLevelFlag&) = delete;

 private:
  bool mSaved;
};

}  // namespace

bool ProbeDataCache::AllocProbeCache(std::size_t budgetBytes) {
  FreeProbeCache();
  const int arrays = TheGroup().NumArrays();
  // The budget shared by the arrays, in 4-byte values; a share beyond an int fails like
  // memory that cannot be had.
  const double share = arrays > 0 ? static_cast<double>(budgetBytes) / arrays * 0.25 : 0.0;
  const std::uint64_t total =
      static_cast<std::uint64_t>(share) * static_cast<std::uint64_t>(arrays);
  if (arrays < 1 || share < 1.0 || share > INT32_MAX || total > SIZE_MAX / sizeof(std::int32_t)) {
    LogMessage(kProbeCacheAllocationMessage, 0, kLogRed);
    return false;
  }
  mValues.reset(new (std::nothrow) std::int32_t[static_cast<std::size_t>(total)]);
  if (mValues == nullptr) {
    LogMessage(kProbeCacheAllocationMessage, 0, kLogRed);
    return false;
  }
  mArrays = arrays;
  mCapacity = static_cast<int>(share);
  mFirstUnit = 0;
  mLastUnit = -1;
  mOffset = 0;
  mLoaded = false;
  return true;
}

void ProbeDataCache::FreeProbeCache() {
  mValues.reset();
  mArrays = 0;
  mCapacity = 0;
  mFirstUnit = 0;
  mLastUnit = -1;
  mOffset = 0;
  mLoaded = false;
}

int ProbeDataCache::Value(int array, int probe) const {
  const int position = mOffset + probe;
  if (!mLoaded || array < 0 || array >= mArrays || position < 0 || position >= mCapacity) return 0;
  return mValues[static_cast<std::size_t>(array) * static_cast<std::size_t>(mCapacity) +
                 static_cast<std::size_t>(position)];
}

bool ProbeDataCache::LoadProbeBlock() {
  if (!Allocated()) {
    LogMessage(kProbeCacheAllocationMessage, 0, kLogRed);
    return false;
  }
  const int first = mLastUnit + 1;
  mLoaded = false;
  if (first >= Layout.unitCount) {
    LogMessage(MessageBuffer(kProbeBlockPastEndMessage, mLastUnit), 0, kLogRed);
    return false;
  }
  int last = first - 1;
  long long used = 0;
  for (int u = first; u < Layout.unitCount; ++u) {
    const int pairs = Layout.units[static_cast<std::size_t>(u)].pairCount;
    if (used + pairs > mCapacity) break;
    used += pairs;
    last = u;
  }
  // Each block must make progress, or the job would ask for the same block for ever.
  if (last < first) {
    LogMessage(
        MessageBuffer(kProbeBlockTooSmallMessage, first,
                      static_cast<int>(Layout.units[static_cast<std::size_t>(first)].pairCount),
                      mCapacity),
        0, kLogRed);
    return false;
  }
  mFirstUnit = first;
  mLastUnit = last;

  Group& group = TheGroup();
  const GroupSettings& settings = group.Settings();
  const int method = settings.MODEL_METHOD;
  LogMessage(MessageBuffer(kProbeBlockMessage, first, last));
  LogMessage("      Array");
  for (int a = 0; a < mArrays; ++a) {
    const ArraySlot& slot = group.Array(a);
    Progress().ShowProgress(MessageBuffer(kProbeBlockArrayMessage, slot.name.c_str()));
    ChipData.dataPath = slot.dataFile;
    const std::string qvfPath = ChipData.QvfPath();
    bool read = false;
    {
      RaisedProbeLevelFlag probeLevel;
      read = ChipData.ReadExisting(qvfPath.c_str(), false, false);
    }
    const std::size_t cells =
        static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
    if (!read || ChipData.plane1.size() != cells || ChipData.plane2.size() != cells) {
      LogMessage(MessageBuffer(kProbeBlockReadFailedMessage, slot.name.c_str(), qvfPath.c_str()), 0,
                 kLogRed);
      return false;
    }
    const bool normalised = ChipData.normalised != 0 && settings.USE_UNNORM == 0;
    const std::uint16_t* plane = normalised ? ChipData.plane2.data() : ChipData.plane1.data();
    ComputeBackground(a, plane);

    std::int32_t* row = &mValues[static_cast<std::size_t>(a) * static_cast<std::size_t>(mCapacity)];
    int position = 0;
    for (int u = first; u <= last; ++u) {
      // One value per pair whatever the positions hold, so the model's offsets stay aligned.
      const auto positions = Layout.Positions(u);
      const int pairs = Layout.units[static_cast<std::size_t>(u)].pairCount;
      for (int j = 0; j < pairs; ++j) {
        const PairPositions pair = static_cast<std::size_t>(j) < positions.size()
                                       ? positions[static_cast<std::size_t>(j)]
                                       : PairPositions{};
        double pm = 0.0;
        double mm = 0.0;
        double background = 0.0;
        if (pair[1].x >= 0) {
          pm = plane[Layout.CellIndex(pair[1].x, pair[1].y)];
          background = GetBackground(a, pair[1].x, pair[1].y);
        }
        if (pair[0].x >= 0) mm = plane[Layout.CellIndex(pair[0].x, pair[0].y)];
        row[position++] =
            static_cast<std::int32_t>(ProbeLevelValue(method, PmOnly != 0, pm, mm, background));
      }
    }
    Progress().Pump();
  }
  mOffset = 0;
  mLoaded = true;
  return true;
}
