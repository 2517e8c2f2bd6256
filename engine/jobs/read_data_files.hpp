// Offering one data file to the group being opened: its kind by extension, its chip type
// and scan time, then the array itself into the group's per-array tables.
#pragma once

#include <string>

// What the Open Group sheet decides for this open only.
struct OpenGroupOptions {
  // Read every DAT and CEL file again even where a fitting QVF file exists.
  bool ignoreExistingQvf = false;
};

// printf forms: the path; the time tag and the earlier array's path.
inline constexpr const char* kUnknownFileTypeMessage = "    Unknow file type, ignored: %s";
inline constexpr const char* kQvfReadFailedMessage =
    "      Reading QVF file failed; please check DAT or CEL files in the \"Open Group\" dialog";
inline constexpr const char* kFoundFileMessage = "  Found %s";
inline constexpr const char* kSameTimeTagMessage =
    "    Have the same time tag [%s] as '%s', ignored";
inline constexpr const char* kPlaneAllocationMessage = "  Memory allocation of NormInten[] failed.";
// Our own: a QVF file written for another chip layout (a changed mask, say).
inline constexpr const char* kStaleQvfMessage =
    "    '%s' was written for another chip layout; reading the data file again";
// Time tags are kept to this many characters.
inline constexpr std::size_t kTimeTagCapacity = 49;

// Reads the file into the next array of the group when it is of a kind the settings ask
// for (READ_QVF, READ_DAT, READ_CEL by its upper-cased extension) and of the loaded chip
// type, and no earlier array has its scan time. Files of other kinds (reported in red
// with reportUnknown), other chip types, unreadable headers or repeated scan times are
// skipped with true. False stops the open: a stop request, a QVF file or array that
// cannot be read, a plane that cannot be allocated, or the group is full.
[[nodiscard]] bool ReadDataFiles(const std::string& path, bool reportUnknown,
                                 const OpenGroupOptions& options = {});

// A file a folder search offers to ReadDataFiles.
struct OfferedFile {
  std::string path;
  bool reportUnknown = false;
};

// SearchDataDirectory's reading of a folder and its subfolders, with the same arrays,
// files and log lines; with several worker threads the arrays are read side by side when
// every file allows it.
[[nodiscard]] bool ReadDataFolder(const std::string& folder, const OpenGroupOptions& options = {});
