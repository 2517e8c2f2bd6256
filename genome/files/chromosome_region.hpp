// The user's list of genomic regions, read from the chromosome region file, each tied to
// the stretch of the chromosome's marker list that falls inside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kMaxRegionItems = 1000;
inline constexpr std::size_t kRegionNameLength = 50;
inline constexpr std::size_t kRegionLineLength = 1000;

inline constexpr const char* kRegionFileHeader = "Chromosome\tBegin\tEnd\tName";
inline constexpr const char* kRegionFileAllocationMessage =
    "    Memory allocation failed in CHRO_REGION";
inline constexpr const char* kNotRegionFileMessage =
    "    Not a chromosome region file. The first line: ";
inline constexpr const char* kRegionFileChromosomeMessage =
    "    Error in recognizing chromosome number";
inline constexpr const char* kRegionFileLimitMessage =
    "    More than 1000 regions in the chromosome region file; the regions after line %d "
    "are not read";
inline constexpr const char* kRegionFileFoundMessage =
    "    Found %d chromosome regions containing a total of %d markers";

struct CHRO_REGION_ITEM {
  int chromosomeIndex = -1;
  float begin = 0;  // bp, as read
  float end = 0;
  std::string name;  // at most kRegionNameLength characters
  // Places in the chromosome's marker list of the first and last marker inside
  // [begin, end]; -1 when none.
  int first = -1;
  int last = -1;
  int markerCount = 0;
  std::vector<float> groupMeans;  // one per sample group, filled by region clustering
};

class CHRO_REGION {
 public:
  std::vector<CHRO_REGION_ITEM> items;
  int count = 0;
  int totalMarkers = 0;

  // Reads the regions of the file on the chromosomes of genome_info, then assigns their
  // markers; each region gets a mean per sample group of the current grouping. Nothing
  // is read for an unset path (empty or "none"). False, with the reason in red, when the
  // file cannot be opened or read, or when no region holds a marker.
  bool ReadRegionFile(const std::string& path);
  // Ties each region to the markers of genome_info's position lists inside it and drops
  // the regions that hold none; true when one remains at least.
  bool AssignRegionMarkers();
  void Clear();
};

extern CHRO_REGION chro_region;

// A region file holding the regions (their chromosome index, begin, end and, as the
// label, their name): the header, then one line per region. Begin is rounded down and
// end up to whole bp, so the markers at both ends read back as inside. Tabs and line
// breaks of a label become blanks so that they cannot shift the columns.
std::string RegionFileText(const std::vector<CHRO_REGION_ITEM>& regions);
// The text above, replacing path only once complete; false, in red, when it cannot be
// written.
[[nodiscard]] bool WriteRegionFile(const std::string& path,
                                   const std::vector<CHRO_REGION_ITEM>& regions);

// Fuzz entry: the region reader on the bytes (through a scratch file).
bool FuzzReadRegionFile(const std::uint8_t* data, std::size_t size);
