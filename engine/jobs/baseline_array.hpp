// The baseline array every other array of the group is normalised against.
#pragma once

// A normalised group keeps the baseline its arrays were normalised against (named in the
// working array's data, the last one read) when that array is in the group; otherwise
// the array of the upper median of the median intensities (ties by array order). Stores
// the choice as the group's baseline and returns it (0 for an empty group).
int ChooseBaselineArray();
