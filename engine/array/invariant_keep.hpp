// Whether members of an invariant-set round keep their place: a member with ranks first and
// second among count members keeps it when the threshold, which goes from low at the
// bottom of the ranks to high at the top, lies above the rank difference as a share of
// count. Every flag is the one this exact formula gives in double arithmetic:
//   height = (first + second) / (2 * count)
//   keep   = low * (1 - height) + high * height > |first - second| / count
#pragma once

#include <cstddef>
#include <cstdint>

// The flag of one member, computed as above.
bool KeepsInvariantPlace(int first, int second, double count, double low, double high);

// The flags of n members (1 keeps, 0 drops), ranks between 0 and count - 1, count at most
// 2^31 and low and high between 0 and 1.
void InvariantKeepFlags(const int* first, const int* second, std::uint8_t* keep, std::size_t n,
                        double count, double low, double high);
