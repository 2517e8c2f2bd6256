// Tools/Percentile Filtering: the probe sets whose high percentile across the samples
// is at least a fold of their low percentile, written with every sample's value rescaled
// so that the low percentile becomes -DISPLAY_RANGE and the high one +DISPLAY_RANGE, as
// a table that reads back as external data.
#pragma once

// printf form with the count and the path.
inline constexpr const char* kPercentileDoneMessage =
    "    %d probe sets satisfied the criteria; gene list and percentile-standardized data "
    "exported to '%s' and can be viewed in clustering.";
inline constexpr const char* kPercentileViewingMessage =
    "\n    To view the percentile-standardized data, first do 'Get external data' to read in "
    "this exported data file, and then do 'Analysis/Clustering' with 'Options/Standardize "
    "rows' unchecked";

// Runs the filter with the group's percentile options (GroupRunOptions) on the values of
// each sample's first array. Missing values take no part in the percentiles and are
// written as empty fields; a probe set whose two percentiles are equal, or not both
// above 0, has no meaningful fold and is left out. False when the file cannot be written.
bool PercentileFilter();
