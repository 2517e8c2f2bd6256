// Normalising every array of the group onto its baseline array: the cell intensities when
// the group holds probe-level data, else the expression values.
#pragma once

class CHIP_DATA;
class InvariantBaseline;

inline constexpr const char* kBaselineAllocationMessage = "  Allocating baseline data failed";
inline constexpr const char* kNextArrayPrompt = "Press OK to normalize next array...";
inline constexpr const char* kViewPlotsMessage = "\n  View normalization plots for details...\n";
inline constexpr const char* kInvariantSetMessage =
    "  Normalize expression values using the Invariant Set method...\n";
inline constexpr const char* kRPlotPrompt =
    "View the normalization plot in R; \nPress Enter key to continue...";
// Both waits of the review offer Cancel beside OK; Cancel ends the review, and this line
// says so.
inline constexpr const char* kReviewEndedMessage =
    "  Review ended; the remaining arrays are normalized without it";
// Our own: the group's baseline is no array of it; printf form with the array's name.
inline constexpr const char* kNoBaselineMessage = "  No baseline array to normalize against";
inline constexpr const char* kArrayNotNormalizedMessage =
    "  Normalizing array %s failed; the expression values are left as they were";

// Normalises the arrays (force renormalises arrays already normalised against the
// baseline), marks the group normalised and logs the closing line. With VIEW_NORM_PLOT the
// user reviews each array and may end the review at any wait: the remaining arrays are
// then normalised without it, and the setting is the group's again afterwards. False when an array
// cannot be read or normalised, or the user stops; the group is then not normalised.
[[nodiscard]] bool NormalizeArrays(bool force);

// The expression values of every array normalised onto the baseline's through their
// invariant set, standard errors scaled alike; with VIEW_NORM_PLOT each array is plotted
// against the baseline in R. All arrays or none: when one cannot be normalised (logged
// in red) every value stays as it was and the result is false.
[[nodiscard]] bool NormalizeInvariantSet();

// One array of a group with probe-level data normalised against the baseline (read
// into the working array, normalised, its QVF file written, its plane taken into the
// group), with the baseline's ranking for the invariant set when prepared is given.
// False when that fails.
[[nodiscard]] bool NormalizeProbeArray(int array, const CHIP_DATA& baseline,
                                       const InvariantBaseline* prepared, bool force);
