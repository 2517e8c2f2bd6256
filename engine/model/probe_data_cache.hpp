// The probe-level values of a block of consecutive probe sets on every array, read from
// the arrays' QVF files, for the model-expression job of a group that does not hold its
// intensity planes in memory. The model takes one probe set after another from the block
// through a running offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The whole cache: 512 MB of 32-bit values, shared evenly by the arrays.
inline constexpr std::size_t kProbeCacheBytes = 512000000;
inline constexpr const char* kProbeCacheAllocationMessage =
    "  Cannot allocate the needed 512MB memory; you may restart Zelko and try again";
// printf forms: first and last probe set; array name; array name and QVF path.
inline constexpr const char* kProbeBlockMessage =
    "    Load probe data for probe set %d to %d from QVF files...";
inline constexpr const char* kProbeBlockArrayMessage = "      Array %s";
inline constexpr const char* kProbeBlockReadFailedMessage =
    "      Reading probe data of array %s from '%s' failed";
// printf forms: probe set and its probe count, the capacity; the probe set past the end.
inline constexpr const char* kProbeBlockTooSmallMessage =
    "      Probe set %d has %d probes, more than the %d a cache row holds";
inline constexpr const char* kProbeBlockPastEndMessage =
    "      No probe set left to load after probe set %d";

class ProbeDataCache {
 public:
  // Sets the capacity per array from budgetBytes and the group's array count and
  // allocates the rows. False with kProbeCacheAllocationMessage in red when that fails.
  [[nodiscard]] bool AllocProbeCache(std::size_t budgetBytes = kProbeCacheBytes);
  // Loads the probe sets that follow the current block, as many as fit a row, from every
  // array's QVF file. False, with a red line, when an array cannot be read (the block is
  // then dropped, never served half filled) or no probe set is left.
  [[nodiscard]] bool LoadProbeBlock();
  void FreeProbeCache();

  bool Allocated() const { return mValues != nullptr; }
  // Values per array.
  int Capacity() const { return mCapacity; }
  int FirstUnit() const { return mFirstUnit; }
  int LastUnit() const { return mLastUnit; }
  // The loaded block holds the probe set.
  bool Holds(int unit) const { return mLoaded && unit >= mFirstUnit && unit <= mLastUnit; }

  // Value number offset + probe of the array's row; 0 outside the row.
  int Value(int array, int probe) const;
  int Offset() const { return mOffset; }
  // After each probe set the model moves the offset past its probes.
  void Advance(int probes) { mOffset += probes; }

 private:
  std::unique_ptr<std::int32_t[]> mValues;
  int mArrays = 0;
  int mCapacity = 0;
  int mFirstUnit = 0;
  int mLastUnit = -1;
  int mOffset = 0;
  bool mLoaded = false;
};

// The cache of the model-expression job.
extern ProbeDataCache ProbeCache;
