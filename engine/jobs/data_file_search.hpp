// Finding the data files of a group: a folder searched with all its subfolders, or a data
// file list naming files and folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/jobs/read_data_files.hpp"

// printf forms: the list's path; the chip type and the list's path.
inline constexpr const char* kDataFileListFailedMessage = "  Reading data file list %s failed\n";
inline constexpr const char* kLookingForDataFilesMessage =
    "  Looking for data files of chip type %s in %s...";
// Our own: a list line longer than a line may be.
inline constexpr const char* kDataFileListLineCutMessage =
    "    Line %lld of the data file list is longer than %zu characters; ignored";
inline constexpr std::size_t kDataFileListLineLength = 1000;
// Our own: a list entry that names a named pipe, socket or device.
inline constexpr const char* kNotARegularFileMessage = "    Not a regular file, ignored: %s";

// Whether DATA_PATH names a data file list rather than a folder.
bool IsDataFileList(std::string_view dataPath);

// The paths one line of a data file list names: its tab-separated entries, with either
// separator, trimmed of blanks; an entry that starts with a separator or a drive letter
// is a full path, any other lies in listFolder.
std::vector<std::string> DataFileListEntries(std::string_view line, std::string_view listFolder);

// Reads DATA_PATH as a data file list up to its first empty line: each entry that is a
// folder is searched, each other entry offered as a data file (unknown kinds reported).
// False when the list cannot be read or the open is to stop.
[[nodiscard]] bool ReadDataFileList(const OpenGroupOptions& options = {});

// Fuzz entry: ReadDataFileList on the bytes (through a scratch file) for the started
// group and loaded layout; DATA_PATH is put back afterwards.
bool FuzzReadDataFileList(const std::uint8_t* data, std::size_t size);

// Offers every file of the folder and searches its subfolders, to any depth, in the
// order of their names without regard to case. False when the open is to stop.
[[nodiscard]] bool SearchDataDirectory(const std::string& folder,
                                       const OpenGroupOptions& options = {});
