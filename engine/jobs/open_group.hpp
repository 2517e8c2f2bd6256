// Opening a group from its data files, once the chip description is loaded: every data
// file found read into the group, then what the analyses need prepared.
#pragma once

#include "engine/jobs/read_data_files.hpp"

inline constexpr const char* kSearchDataMessage =
    "  Search and extract PM/MM data from '%s' files of chip type '%s' in\n      %s...\n";
inline constexpr const char* kFoundNoFilesMessage =
    "  Found no files of this type; are the correct data directory, data file type or CDF "
    "file specified?\n";
inline constexpr const char* kUnnormalizedNoteMessage =
    "  Note: non-normalized probe data will be used\n";

// Reads the files of DATA_PATH (a data file list or a folder searched with its
// subfolders) into the group, then: background (with LOAD_PROBE_DATA), log transform,
// array names and sample information, the array summary, the array list, gene or SNP
// information, the baseline array, WORKING_DIR made current, the current array and
// probe set kept in range, the probe-together maps, the probe sensitivity index file
// (PSI_MODE 1; a failure only switches it off) and the gene list's table. False when
// nothing was read or the reading stopped; the arrays read so far stay in the tables.
[[nodiscard]] bool SearchDataFiles(const OpenGroupOptions& options = {});
