// The chip-type names of the array kinds. They are configuration: the rows, their order
// and their match rules are fixed, the names are what the array maker calls its chips.
#include "engine/chip/array_kind_table.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "platform/path.hpp"

namespace {

constexpr std::array<std::string_view, 1> kRow1Names = {"GenoScan10"};
constexpr std::array<std::string_view, 1> kRow2Names = {"GenoScan100"};
constexpr std::array<std::string_view, 1> kRow2Fragments = {"Geno100Sty"};
constexpr std::array<std::string_view, 2> kRow3Names = {"GenoScan500", "GenoScan500B"};
constexpr std::array<std::string_view, 2> kRow3Fragments = {"Geno500Nsp", "Geno500Sty"};
constexpr std::array<std::string_view, 4> kRow4Names = {"GenoScan5", "GenoScan5B", "GenoScan6",
                                                        "GenoScan6B"};
constexpr std::array<std::string_view, 2> kRow4Fragments = {"Geno6Full", "Geno6Cnv"};
constexpr std::array<std::string_view, 1> kExonFragments = {"ExonScan"};

constexpr std::array<ArrayKindRow, 5> kRows = {{
    {kRow1Names, {}, false, 1, 0, 0},
    {kRow2Names, kRow2Fragments, false, 2, 0, 0},
    {kRow3Names, kRow3Fragments, true, 3, 0, 0},
    {kRow4Names, kRow4Fragments, false, 3, 1, 0},
    {{}, kExonFragments, false, 0, 1, 1},
}};

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return lower;
}

bool Matches(const ArrayKindRow& row, std::string_view chipType) {
  for (std::string_view name : row.names)
    if (platform::EqualsNoCase(chipType, name)) return true;
  for (std::string_view fragment : row.fragments) {
    if (chipType.find(fragment) != std::string_view::npos) return true;
    if (row.lowerCaseFragmentsToo && chipType.find(LowerCase(fragment)) != std::string_view::npos)
      return true;
  }
  return false;
}

}  // namespace

std::span<const ArrayKindRow> ArrayKindTable() {
  return kRows;
}

std::string_view TrailingBaseChipType() {
  return kRow2Fragments[0];
}

ArrayKind ClassifyChipType(std::string_view chipType) {
  for (std::size_t i = 0; i < kRows.size(); ++i) {
    const ArrayKindRow& row = kRows[i];
    if (!Matches(row, chipType)) continue;
    return {static_cast<int>(i), row.arrayType, row.rotatedLayout, row.exonArray};
  }
  return {};
}
