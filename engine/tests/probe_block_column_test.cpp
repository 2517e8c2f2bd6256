// The mini-block places of SNP probes: the strands and alleles of the layouts each SNP
// kind writes, and that no two probes of a probe set share a place.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "engine/chip/probe_block_column.hpp"

namespace {

struct Expected {
  int pairs;
  int centre;
  int arrayType;
  int pair;
  int column;
  int row;  // of the perfect-match probe; the mismatch takes the row beside it
};

int MismatchRow(int perfectRow) {
  return perfectRow == kBlockRowPerfectA ? kBlockRowMismatchA : kBlockRowMismatchB;
}

TEST(ProbeBlockColumnTest, PlacesStrandsAllelesAndCentrePairs) {
  const Expected cases[] = {
      // 20 pairs in four blocks of 5: strand 1 A, strand 1 B, strand 2 A, strand 2 B.
      {20, 0, 1, 0, 0, kBlockRowPerfectA},
      {20, 0, 1, 4, 4, kBlockRowPerfectA},
      {20, 0, 2, 5, 0, kBlockRowPerfectB},
      {20, 0, 2, 9, 4, kBlockRowPerfectB},
      {20, 0, 1, 10, 5, kBlockRowPerfectA},
      {20, 0, 1, 15, 5, kBlockRowPerfectB},
      {20, 0, 1, 19, 9, kBlockRowPerfectB},
      // Kind 3 with 3 centre pairs: flanks of 7 per allele, then the centre blocks of 3.
      {20, 3, 3, 6, 6, kBlockRowPerfectA},
      {20, 3, 3, 7, 0, kBlockRowPerfectB},
      {20, 3, 3, 13, 6, kBlockRowPerfectB},
      {20, 3, 3, 14, 7, kBlockRowPerfectA},
      {20, 3, 3, 16, 9, kBlockRowPerfectA},
      {20, 3, 3, 17, 7, kBlockRowPerfectB},
      {20, 3, 3, 19, 9, kBlockRowPerfectB},
      // The centre count is only read on kind 3.
      {20, 3, 1, 14, 9, kBlockRowPerfectA},
      // Ten pairs or fewer, or centre pairs taking half or more: one strand.
      {10, 0, 1, 4, 4, kBlockRowPerfectA},
      {10, 0, 1, 5, 0, kBlockRowPerfectB},
      {12, 6, 3, 7, 1, kBlockRowPerfectB},
      // A single pair cannot divide by a half of 0.
      {1, 0, 1, 0, 0, kBlockRowPerfectA},
  };
  for (const Expected& c : cases) {
    const BlockPlace pm = MapProbeToBlockColumn(c.pairs, c.pair, true, c.centre, c.arrayType);
    const BlockPlace mm = MapProbeToBlockColumn(c.pairs, c.pair, false, c.centre, c.arrayType);
    EXPECT_EQ(pm.column, c.column) << c.pairs << " " << c.centre << " " << c.pair;
    EXPECT_EQ(pm.row, c.row) << c.pairs << " " << c.centre << " " << c.pair;
    EXPECT_EQ(mm.column, c.column);
    EXPECT_EQ(mm.row, MismatchRow(c.row));
  }
  EXPECT_STREQ(kBlockRowLabels[kBlockRowMismatchA], "mmA");
  EXPECT_STREQ(kBlockRowLabels[kBlockRowMismatchB], "mmB");
}

TEST(ProbeBlockColumnTest, NoTwoProbesShareAPlaceWhenTheBlocksAreEven) {
  // Probe sets the SNP kinds are built of: four equal blocks, or (kind 3) two equal
  // flanks per allele and the centre pairs of each allele.
  for (int quarter = 1; quarter <= 10; ++quarter) {
    std::set<std::pair<int, int>> taken;
    const int pairs = 4 * quarter;
    for (int pair = 0; pair < pairs; ++pair)
      for (const bool pm : {true, false}) {
        const BlockPlace place = MapProbeToBlockColumn(pairs, pair, pm, 0, 2);
        EXPECT_TRUE(taken.insert({place.column, place.row}).second) << pairs << " " << pair;
        EXPECT_LT(place.column, pairs / 2);
      }
  }
  for (int flank = 3; flank <= 8; ++flank)
    for (int centre = 1; centre <= 4; ++centre) {
      std::set<std::pair<int, int>> taken;
      const int pairs = 2 * flank + 2 * centre;
      for (int pair = 0; pair < pairs; ++pair)
        for (const bool pm : {true, false}) {
          const BlockPlace place = MapProbeToBlockColumn(pairs, pair, pm, centre, 3);
          EXPECT_TRUE(taken.insert({place.column, place.row}).second) << pairs << " " << pair;
          EXPECT_LT(place.column, pairs / 2);
        }
    }
}

}  // namespace
