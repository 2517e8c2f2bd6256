// The sorting of a gene's short lists of term indices, against the library's sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>

#include "genes/info/text_scan.hpp"

namespace {

// Sorts random lists of every length up to places with sort, checking each against the
// library's sort: the list ascending and the places behind it as they were.
template <std::size_t kPlaces, typename Sort>
void CheckAgainstLibrarySort(Sort sort) {
  std::mt19937 random(7);
  // Small ranges give repeated values; the largest is above the highest term index.
  for (const int highest : {1, 3, 12, 2000}) {
    std::uniform_int_distribution<int> value(0, highest);
    for (std::size_t count = 0; count <= kPlaces; ++count) {
      for (int round = 0; round < 200; ++round) {
        std::array<std::int16_t, kPlaces> places{};
        for (std::int16_t& place : places) place = static_cast<std::int16_t>(value(random));
        std::array<std::int16_t, kPlaces> expected = places;
        std::sort(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(count));
        sort(places.data(), count);
        ASSERT_EQ(places, expected) << "count " << count << " highest " << highest;
      }
    }
  }
}

TEST(SortShortLists, SortEveryLengthAndLeaveThePlacesBehindTheList) {
  CheckAgainstLibrarySort<text_scan::kEightList>(text_scan::SortEightList);
  CheckAgainstLibrarySort<text_scan::kSixteenList>(text_scan::SortSixteenList);
}

TEST(SortShortLists, SortListsInReverseAndInOrder) {
  std::array<std::int16_t, 8> reverse = {7, 6, 5, 4, 3, 2, 1, 0};
  text_scan::SortEightList(reverse.data(), 8);
  EXPECT_EQ(reverse, (std::array<std::int16_t, 8>{0, 1, 2, 3, 4, 5, 6, 7}));
  std::array<std::int16_t, 8> ordered = {0, 0, 5, 9, 2000, -3, 1, 1};
  text_scan::SortEightList(ordered.data(), 5);
  EXPECT_EQ(ordered, (std::array<std::int16_t, 8>{0, 0, 5, 9, 2000, -3, 1, 1}));
  std::array<std::int16_t, 16> longReverse{};
  for (std::size_t i = 0; i < longReverse.size(); ++i)
    longReverse[i] = static_cast<std::int16_t>(100 - i);
  text_scan::SortSixteenList(longReverse.data(), 16);
  EXPECT_TRUE(std::is_sorted(longReverse.begin(), longReverse.end()));
  EXPECT_EQ(longReverse.front(), 85);
}

}  // namespace
