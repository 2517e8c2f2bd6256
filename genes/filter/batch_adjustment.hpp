// Tools/Adjust Batch Effect: the sample groups of the sample grouping taken as batches,
// every probe set's values rescaled in place so that each batch has the mean of the
// first batch.
#pragma once

inline constexpr const char* kBatchAdjustStartMessage =
    "{Adjust batch effect so that for each gene, the mean of each batch is the same as the "
    "mean of the 1st batch...";
// Our own: a batch whose factor would be undefined keeps its values; printf form with the
// probe set's name, the batch's 1-based number and the reason.
inline constexpr const char* kBatchRefusedMessage = "    %s: batch %d left unadjusted, %s";
inline constexpr const char* kBatchMeanZeroReason = "its mean is 0";
inline constexpr const char* kBatchMeanMissingReason = "it has no value";
inline constexpr const char* kFirstBatchUnusableReason = "the 1st batch has no usable mean";
// Our own: after this many refusal lines only their total is logged.
inline constexpr int kMaxBatchRefusalLines = 20;
inline constexpr const char* kBatchRefusalTotalMessage =
    "    %d batches of probe sets left unadjusted in all";

// Multiplies the value and standard error of every replicate array of every sample of
// batch k (from the second) by the ratio of the first batch's mean to batch k's mean,
// per probe set; missing values stay missing. A batch whose mean is 0 or missing, or any
// batch when the first batch's mean is, is left alone with a red line. Sets the group's
// Adjusted state. Always true.
bool AdjustBatchEffect();
