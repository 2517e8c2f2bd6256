// Whether members of an invariant-set round keep their place: a member with ranks first and
// second among count members keeps it when the threshold, which goes from low at the
// bottom of the ranks to high at the top, lies above the rank difference as a share of
// count. Every flag is the one this exact formula gives in double arithmetic:
//   height = (first + second) / (2 * count)
//   keep   = low * (1 - height) + high * height > |first - second| / count
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The flag of one member, computed as above.
bool KeepsInvariantPlace(int first, int second, double count, double low, double high);

// The flags of n members (1 keeps, 0 drops), ranks between 0 and count - 1, count at most
// 2^31 and low and high between 0 and 1.
void InvariantKeepFlags(const int* first, const int* second, std::uint8_t* keep, std::size_t n,
                        double count, double low, double high);

// Places of the baseline's order per entry of a round's rank table.
inline constexpr std::size_t kRankEntryPlaces = 32;

// One round of the search. The members lie in the array's order, so that a member's first
// rank is its index; each is held as its place in the baseline's order at the start. The
// rank table holds, for each kRankEntryPlaces places, one bit per place in its low 32 bits,
// set while that place's member stays; the round writes into the high 32 bits the count of
// members of the entries before, so that a member's second rank is that count plus the
// bits set below its own. The kept members move down in order, the others are listed in
// dropped (room for count + kDroppedRoom) and their bits cleared once every rank of the
// round is taken.
inline constexpr std::size_t kDroppedRoom = 16;
struct InvariantRound {
  int* members = nullptr;
  std::size_t count = 0;  // at most 2^30
  std::uint64_t* ranks = nullptr;
  std::size_t rankEntries = 0;
  int* dropped = nullptr;
  double low = 0.0;
  double high = 0.0;
};

// The builds of the round: for any processor, for one with AVX2, for one with AVX-512
// (with its double-word and bit-count instructions). All keep and drop the same members.
enum class KeepBuild { kPlain, kAvx2, kAvx512 };
// Those this processor can run, widest first; the search takes the first.
std::vector<KeepBuild> KeepBuildsOfProcessor();
// The round in the build given, which the processor must be able to run. Returns how many
// members stay.
std::size_t KeepInvariantRoundOf(KeepBuild build, const InvariantRound& round);
std::size_t KeepInvariantRound(const InvariantRound& round);
