// The mini-block places of SNP probes: the strands and alleles of the layouts each SNP
// kind writes, and that no two probes of a probe set share a place.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// Every probe set of 2 to 41 pairs (up to twenty blocks), and some with centre pairs: the
// perfect-match place of each pair in turn, written as runs of columns per allele
// ("A0-2" is three pairs on columns 0, 1 and 2 of allele A). The mismatch shares the column.
struct TypedLayout {
  int pairs;
  int centre;
  int arrayType;
  const char* places;
};

// Runs of "A0-2 B0-2 B0" into (column, perfect-match row) per pair.
std::vector<BlockPlace> ReadRuns(const std::string& text) {
  std::vector<BlockPlace> places;
  std::istringstream runs(text);
  std::string run;
  while (runs >> run) {
    const int row = run[0] == 'A' ? kBlockRowPerfectA : kBlockRowPerfectB;
    const std::size_t dash = run.find('-');
    const int first =
        std::stoi(run.substr(1, dash == std::string::npos ? std::string::npos : dash - 1));
    const int last = dash == std::string::npos ? first : std::stoi(run.substr(dash + 1));
    for (int column = first; column <= last; ++column) places.push_back({column, row});
  }
  return places;
}

TEST(ProbeBlockColumnTest, EveryPairCountTheSnpViewTakesAgainstATypedTable) {
  const TypedLayout table[] = {
      {2, 0, 2, "A0 B0"},
      {3, 0, 2, "A0 B0 B0"},
      {4, 0, 2, "A0-1 B0-1"},
      {5, 0, 2, "A0-1 B0-1 B0"},
      {6, 0, 2, "A0-2 B0-2"},
      {7, 0, 2, "A0-2 B0-2 B0"},
      {8, 0, 2, "A0-3 B0-3"},
      {9, 0, 2, "A0-3 B0-3 B0"},
      {10, 0, 2, "A0-4 B0-4"},
      {11, 0, 2, "A0-1 B0-1 A2-3 B2-3 B2-3 B2"},
      {12, 0, 2, "A0-2 B0-2 A3-5 B3-5"},
      {13, 0, 2, "A0-2 B0-2 A3-5 B3-5 B3"},
      {14, 0, 2, "A0-2 B0-2 A3-5 B3-5 B3-4"},
      {15, 0, 2, "A0-2 B0-2 A3-5 B3-5 B3-5"},
      {16, 0, 2, "A0-3 B0-3 A4-7 B4-7"},
      {17, 0, 2, "A0-3 B0-3 A4-7 B4-7 B4"},
      {18, 0, 2, "A0-3 B0-3 A4-7 B4-7 B4-5"},
      {19, 0, 2, "A0-3 B0-3 A4-7 B4-7 B4-6"},
      {20, 0, 2, "A0-4 B0-4 A5-9 B5-9"},
      {21, 0, 2, "A0-4 B0-4 A5-9 B5-9 B5"},
      {22, 0, 2, "A0-4 B0-4 A5-9 B5-9 B5-6"},
      {23, 0, 2, "A0-4 B0-4 A5-9 B5-9 B5-7"},
      {24, 0, 2, "A0-5 B0-5 A6-11 B6-11"},
      {25, 0, 2, "A0-5 B0-5 A6-11 B6-11 B6"},
      {26, 0, 2, "A0-5 B0-5 A6-11 B6-11 B6-7"},
      {27, 0, 2, "A0-5 B0-5 A6-11 B6-11 B6-8"},
      {28, 0, 2, "A0-6 B0-6 A7-13 B7-13"},
      {29, 0, 2, "A0-6 B0-6 A7-13 B7-13 B7"},
      {30, 0, 2, "A0-6 B0-6 A7-13 B7-13 B7-8"},
      {31, 0, 2, "A0-6 B0-6 A7-13 B7-13 B7-9"},
      {32, 0, 2, "A0-7 B0-7 A8-15 B8-15"},
      {33, 0, 2, "A0-7 B0-7 A8-15 B8-15 B8"},
      {34, 0, 2, "A0-7 B0-7 A8-15 B8-15 B8-9"},
      {35, 0, 2, "A0-7 B0-7 A8-15 B8-15 B8-10"},
      {36, 0, 2, "A0-8 B0-8 A9-17 B9-17"},
      {37, 0, 2, "A0-8 B0-8 A9-17 B9-17 B9"},
      {38, 0, 2, "A0-8 B0-8 A9-17 B9-17 B9-10"},
      {39, 0, 2, "A0-8 B0-8 A9-17 B9-17 B9-11"},
      {40, 0, 2, "A0-9 B0-9 A10-19 B10-19"},
      {41, 0, 2, "A0-9 B0-9 A10-19 B10-19 B10"},
      // Kind 3: flanks of (pairs - 2 x centre) / 2 per allele, then the centre pairs.
      {10, 1, 3, "A0-4 B0-4"},
      {12, 6, 3, "A0-5 B0-5"},
      {16, 2, 3, "A0-5 B0-5 A6-7 B6-7"},
      {20, 3, 3, "A0-6 B0-6 A7-9 B7-9"},
      {24, 4, 3, "A0-7 B0-7 A8-11 B8-11"},
      {40, 10, 3, "A0-9 B0-9 A10-19 B10-19"},
  };
  for (const TypedLayout& layout : table) {
    const std::vector<BlockPlace> places = ReadRuns(layout.places);
    ASSERT_EQ(static_cast<int>(places.size()), layout.pairs) << layout.places;
    for (int pair = 0; pair < layout.pairs; ++pair) {
      const BlockPlace& want = places[static_cast<std::size_t>(pair)];
      const BlockPlace pm =
          MapProbeToBlockColumn(layout.pairs, pair, true, layout.centre, layout.arrayType);
      const BlockPlace mm =
          MapProbeToBlockColumn(layout.pairs, pair, false, layout.centre, layout.arrayType);
      EXPECT_EQ(pm.column, want.column) << layout.pairs << " pairs, pair " << pair;
      EXPECT_EQ(pm.row, want.row) << layout.pairs << " pairs, pair " << pair;
      EXPECT_EQ(mm.column, want.column);
      EXPECT_EQ(mm.row, MismatchRow(want.row));
      EXPECT_LT(pm.column, layout.pairs / 2) << "within the SNP's blocks";
    }
  }
}

}  // namespace
