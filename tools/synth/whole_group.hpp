// A whole synthetic group as it sits in its folder: the arrays of an array group in cell
// files of several forms or scanner images, each with its calls, and the side files a
// group is opened with (chip description, sample information, array list, gene
// information, a list of the data files), with the truth every file was made from.
//
// MakeWholeGroup gives the truth without writing anything, so tests rebuild it from the
// options a run of 'zelko-synth group' was given; WriteWholeGroup writes the files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/synth/array_group.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace synth {

// The form one array's data file is written in.
enum class ArrayFileForm { kText, kOldText, kBinary, kImage };

// The scan time every array of a plain group carries.
inline constexpr const char* kSharedScanTime = "01/02/03 04:05:06";
// What the group's open takes as the time tag of a header without a scan time.
inline constexpr const char* kUndatedTimeTag = "No time";

struct WholeGroupOptions {
  ChipOptions chip;
  ArrayGroupOptions group;  // group.badArray plants the bad array
  std::string name = "group";
  // Taken in turn, array by array.
  std::vector<ArrayFileForm> forms = {ArrayFileForm::kText};
  bool calls = true;  // the result (or genotype-call) text file beside each array
  // Every array its own scan time, one second apart; otherwise all share kSharedScanTime.
  bool distinctScanTimes = false;
  // An array (index from 0, at least 1) that takes the scan time of the array before it,
  // so that opening the group sets it aside; -1 for none.
  int duplicateTag = -1;
  std::vector<int> undated;  // arrays whose header carries no scan time
  // The chip description, sample information, array list, gene information, data file
  // list and the listing of the planted expression.
  bool sideFiles = false;
};

struct GroupArrayFile {
  std::string name;      // the array's name: its data file's stem
  std::string dataFile;  // the file's name in the group's folder
  ArrayFileForm form = ArrayFileForm::kText;
  std::string scanTime;   // empty when undated
  std::string timeTag;    // the scan time, or kUndatedTimeTag
  int sameTagAs = -1;     // the first earlier array with the same time tag
  std::string callsFile;  // empty without calls
};

// The sample information file: a title line "Array", "Sample" and the columns, then a
// line per array (the "Sample" field left empty, so no array is renamed).
struct SampleInfoTruth {
  std::vector<std::string> columns;              // the titles after the first two
  std::vector<std::vector<std::string>> values;  // per array, per column; empty: no value
};

// The array list file: arrays in pairs of replicates (each sample closed by "Replicate"),
// the samples in two sample groups split by a "Standardize" line.
struct ArrayListTruth {
  std::vector<std::vector<int>> samples;  // the arrays of each sample, in list order
  std::vector<int> groupSizes;            // samples per sample group
};

struct WholeGroupTruth {
  ChipTruth chip;
  ArrayGroupTruth group;
  std::string name;
  std::uint64_t seed = 1;  // the group's; array a's genotype calls come from seed + a
  std::vector<GroupArrayFile> arrays;
  std::string curvesFile;  // the brightness curves, changed probe sets and bad array
  // Side files' names in the folder; empty when not written.
  std::string chipFile;
  std::string sampleInfoFile;
  std::string arrayListFile;
  std::string geneInfoFile;  // expression chips only
  std::string dataFileList;
  std::string thetaFile;
  SampleInfoTruth sampleInfo;
  ArrayListTruth arrayList;
  GeneInfoTruth geneInfo;

  // The arrays an open of the group reads, in array order: all but those whose time tag
  // an earlier array has (undated files never repeat each other).
  std::vector<int> OpenedArrays() const;
  // The data file list for the group in absoluteFolder: the arrays' data files in order,
  // three to a line separated by tabs, the lines in turn absolute paths and file names
  // relative to the list's folder.
  std::string DataFileListText(const std::string& absoluteFolder) const;
};

// The folder as an absolute path without a separator at its end; empty when the
// current folder cannot be found.
std::optional<std::string> AbsoluteFolder(const std::string& folder);

// The truth; empty, with the reason in error, when the options make no sense.
std::optional<WholeGroupTruth> MakeWholeGroup(const WholeGroupOptions& options,
                                              std::string* error = nullptr);

// Writes every file of the group into folder, appending each path written to written
// in order: per array its data file and calls, then the curve listing, then the side
// files. False, with the reason in error, when a file cannot be written.
[[nodiscard]] bool WriteWholeGroup(const WholeGroupTruth& truth, const std::string& folder,
                                   std::vector<std::string>& written, std::string* error = nullptr);

}  // namespace synth
