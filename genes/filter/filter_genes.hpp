// Analysis/Filter Genes: the probe sets that pass the active gene filters, optionally
// only those of an input gene list or only those not in it, become the group's gene
// list and are written as a gene list file headed by the criteria used.
#pragma once

// printf forms with the path.
inline constexpr const char* kFilterListUnreadableMessage =
    "  Reading gene list file %s  failed, filtering on all genes\n";
// The percentile filter's too.
inline constexpr const char* kFilterWriteFailedMessage =
    "  Writing file '%s' failed, possibly the file is open in Excel or wrong directory name\n";
inline constexpr const char* kFilterSavedMessage = "  Filtered gene lists saved in %s\n";
// printf form with the kept count, the probe-set count and the input-list text.
inline constexpr const char* kFilterSatisfiedMessage =
    "    %d of %d probe sets %ssatisfied the filtering criteria:";
inline constexpr const char* kNothingFilteredMessage =
    "      No probe set filtered. You may uncheck 'Tools/Array list file/Use standardize "
    "separator' and retry";
// The gene filters log every this many probe sets.
inline constexpr int kFilterProgressStep = 300;

// Runs the filters over every probe set of the layout under the group settings. The
// list flags afterwards mark the kept probe sets, in probe-set order. A gene list file
// that cannot be written is reported in red; the filtering still counts as done, so the
// result is true whenever it ran.
bool FilterGenes();
