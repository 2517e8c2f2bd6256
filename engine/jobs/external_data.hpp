// The external data file: a tab-separated table of expression values (with calls and
// standard errors) or SNP calls made elsewhere, read by Analysis/Get External Data into a
// group without array data files: one probe set per data line, one array per value
// column. Tables the expression export wrote are read back whole, in every form it writes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/group/group.hpp"

// A group holds at most this many arrays; further columns of the title line are left out.
inline constexpr int kMaxExternalArrays = MAX_ARRAY_NUM - 1;
inline constexpr const char* kExternalArrayLimitMessage =
    "    Exceeds Zelko array number limit; only %d columns are used";
// A line must be shorter than this.
inline constexpr std::size_t kMaxExternalLineLength = 499999;
inline constexpr const char* kExternalLineTooLongMessage = "    Line length exceeds limit";

inline constexpr const char* kExternalOpenFailedMessage = "  Reading data file '%s' failed";
inline constexpr const char* kExternalUnitAllocationMessage = "  Allocating 'Unit' for cdf failed";
inline constexpr const char* kExternalValueErrorMessage =
    "    Error when reading expression value of gene '%s', sample '%s'; make sure to delete the "
    "'gene,Accession,LocusLink,Description' columns in the external data file";
inline constexpr const char* kExternalAbsoluteCallMessage =
    "    Error: Absolute calls in expression data column; please check the 'Has absolute call' "
    "option";
inline constexpr const char* kExternalCallErrorMessage =
    "    Error when reading absolute call of gene %s, array %s";
inline constexpr const char* kExternalUnrecognizedCallMessage =
    "    Unrecognized call '%c' for gene %s, array %s; treat as 'A' from now on; If this is SNP "
    "data, redo this step but check 'SNP data' at 'Open group/Get external data'";
inline constexpr const char* kExternalStdErrorMessage =
    "    Error when reading standard error of gene %s, array %s";
inline constexpr const char* kExternalSnpCallErrorMessage =
    "    Error when reading SNP calls for marker %s, array %s";
// Our own: the file ends before its title line.
inline constexpr const char* kExternalNoTitlesMessage = "    No column titles in the data file";

// Reads EXTERNAL_DATA_FILE into the group: replaces the chip layout's probe sets by the
// file's, makes one array per value column and sets the group's flags, then reads the
// gene or SNP information, the sample information and the array list. False (with the
// reason, and the number of the bad line, in red) when the file is unset, cannot be read
// or holds a bad line; the group then has no arrays and the layout is left as it was.
[[nodiscard]] bool ReadExternalData();

// Each array's median value (missing ones left out; -1000000 when none is left), truncated,
// as its median intensity; then the baseline array is chosen again.
void ComputeValueMedians();

// Fuzz entry: ReadExternalData on the bytes (through a scratch file) for the started group.
bool FuzzReadExternalData(const std::uint8_t* data, std::size_t size);
