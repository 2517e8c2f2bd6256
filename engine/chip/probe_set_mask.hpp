// The probe-set mask: probe pairs and whole probe sets left out of the layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The pairs (counting from 1) that a mask line's probe list names for a probe set of
// pairCount pairs: numbers and ranges ("3", "11-15", "7-" to the last pair) separated by
// '|', ',' or blanks. An empty list, or one that contains "all", names every pair.
// False when some item is neither a number nor a range.
[[nodiscard]] bool ParseProbeList(std::string_view list, int pairCount, std::vector<bool>& masked);

// Applies the mask file to the layout: masked pairs' cells become cells of no unit, the
// kept pairs of a probe set are numbered again from 0, and a probe set left with no pair
// is dropped. False with a red line when the file cannot be opened; a line naming an
// unknown probe set or an unreadable list is skipped with a red line.
[[nodiscard]] bool ApplyProbeSetMask(const std::string& maskPath);

// Runs ApplyProbeSetMask on the bytes (on the layout already loaded).
bool FuzzApplyProbeSetMask(const std::uint8_t* data, std::size_t size);
