// Loading the chip description of a group's array type: from the cache beside the chip
// description file when it is usable, else by converting a text or binary CDF file or a
// probe group file (and writing the cache). Also decides the array kind.
#pragma once

#include <string>

// The group settings LoadCdf reads and changes, passed in until the group object holds
// them.
struct CdfLoadSettings {
  int LOAD_PROBE_DATA = 1;      // keep probe-level data in memory
  bool probeLevelFlag = false;  // the group's probe-level flag, raised for a command's run
  int MODEL_METHOD = 0;         // set to 1 (the perfect-match-only model) for exon arrays

  bool ProbeDataNeeded() const { return LOAD_PROBE_DATA != 0 || probeLevelFlag; }
};

// The marker of a custom chip description in its chip type.
inline constexpr const char* kCustomCdfMarker = "_zelko_";

// The cache of a chip description: its path with ".bin" appended. A path that already
// names a cache (its file name ends in ".bin") is its own cache.
std::string CachePathFor(const std::string& cdfPath);

// Loads the layout of cdfPath (a text or binary CDF file, a probe group file, or the
// cache of one). rebuild converts even when the cache is usable; maskFile (empty for
// none) is applied during conversion. False with a red line when the load fails.
[[nodiscard]] bool LoadCdf(const std::string& cdfPath, bool rebuild, const std::string& maskFile,
                           CdfLoadSettings& settings);
