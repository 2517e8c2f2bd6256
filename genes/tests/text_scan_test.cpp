// The sorting of a gene's short lists of term indices, against the library's sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>

#include "genes/text_scan.hpp"

namespace {

TEST(SortEightList, SortsEveryLengthAndLeavesThePlacesBehindTheList) {
  std::mt19937 random(7);
  // Small ranges give repeated values; the largest reaches the highest term index.
  for (const int highest : {1, 3, 12, text_scan::kMaxShortValue}) {
    std::uniform_int_distribution<int> value(0, highest);
    for (std::size_t count = 0; count <= text_scan::kEightList; ++count) {
      for (int round = 0; round < 200; ++round) {
        std::array<std::int16_t, text_scan::kEightList> places{};
        for (std::int16_t& place : places) place = static_cast<std::int16_t>(value(random));
        std::array<std::int16_t, text_scan::kEightList> expected = places;
        std::sort(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(count));
        text_scan::SortEightList(places.data(), count);
        ASSERT_EQ(places, expected) << "count " << count << " highest " << highest;
      }
    }
  }
}

TEST(SortEightList, SortsListsInReverseAndInOrder) {
  std::array<std::int16_t, 8> reverse = {7, 6, 5, 4, 3, 2, 1, 0};
  text_scan::SortEightList(reverse.data(), 8);
  EXPECT_EQ(reverse, (std::array<std::int16_t, 8>{0, 1, 2, 3, 4, 5, 6, 7}));
  std::array<std::int16_t, 8> ordered = {0, 0, 5, 9, 2000, -3, 1, 1};
  text_scan::SortEightList(ordered.data(), 5);
  EXPECT_EQ(ordered, (std::array<std::int16_t, 8>{0, 0, 5, 9, 2000, -3, 1, 1}));
}

}  // namespace
