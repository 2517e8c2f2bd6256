// Which kind of array a chip type names: the rows of chip-type names and fragments that
// make an array a SNP array of one of three kinds, or an exon array.
#pragma once

#include <span>
#include <string_view>

struct ArrayKindRow {
  std::span<const std::string_view> names;      // equal, ignoring letter case
  std::span<const std::string_view> fragments;  // contained, letter case kept
  bool lowerCaseFragmentsToo;                   // fragments also tried in lower case
  int arrayType;
  int rotatedLayout;
  int exonArray;
};

// The rows in the order they are tried; the first match decides.
std::span<const ArrayKindRow> ArrayKindTable();

// The chip type whose probe-set names lose a trailing base letter when its text chip
// description is converted (the fragment of the second row, compared whole).
std::string_view TrailingBaseChipType();

struct ArrayKind {
  int row = -1;  // index of the matching row; -1 for a plain expression array
  int arrayType = 0;
  int rotatedLayout = 0;
  int exonArray = 0;
};

ArrayKind ClassifyChipType(std::string_view chipType);
