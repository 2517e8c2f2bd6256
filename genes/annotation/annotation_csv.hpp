// The items of one line of the array maker's annotation CSV file and the 13 columns the
// import knows: a line is cut at the double quotes that open and close its fields, so
// that the quoted fields and the "," between them are items, a comma inside a field stays
// in the field and a doubled quote inside it is one quote character; the header's items
// are mapped to the known columns once, and each data line's values are taken through
// that map into buffers that stay in use from line to line.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// The known columns, in the order the import uses them.
inline constexpr int kAnnotationColumns = 13;
enum AnnotationColumn {
  kColumnProbeSet = 0,
  kColumnIdentifier = 1,
  kColumnDescription = 2,
  kColumnName = 3,
  kColumnChromosome = 4,
  kColumnUniGene = 5,
  kColumnLocusLink = 6,
  kColumnProcess = 7,
  kColumnComponent = 8,
  kColumnFunction = 9,
  kColumnPathway = 10,
  kColumnDomain = 11,
  kColumnAlignment = 12,
};
// The older and the newer header name of each known column.
extern const std::array<std::array<std::string_view, 2>, kAnnotationColumns> kAnnotationColumnNames;

// Items a line may hold (quoted fields and separators together): the size of the column map.
inline constexpr int kMaxCsvItems = 100;
// Lines of the annotation and ortholog files are read whole up to this length.
inline constexpr std::size_t kAnnotationLineLength = 500000;
// What an empty quoted field is read as, so that items stay aligned with the header.
inline constexpr std::string_view kNoValue = "---";
// Separates the values of a multi-valued field.
inline constexpr std::string_view kMultiValueSeparator = " /// ";

// The known column a header item names (either name, any case), or -1.
int FindAnnotationColumn(std::string_view item);

// The next value of a multi-valued text: the text before the first " /// ", the rest after
// it staying pending; without a separator the whole text, and nothing stays pending.
std::string_view NextMultiValue(std::string_view& pending);

class CsvItems {
 public:
  enum class Cut { kDone, kTooMany, kUnbalanced };
  // Cuts the line into its non-empty items: the text outside the fields and each quoted
  // field without its quotes, views valid while the line is and until the next Split.
  // Inside a field two double quotes in a row are one quote character of its text, as
  // spreadsheet programs write a quote. An empty quoted field between commas (or at
  // either end) is the item "---". A line that ends inside a field (it has an odd number
  // of double quotes), or with more than kMaxCsvItems items, is not cut.
  Cut Split(std::string_view line);
  std::span<const std::string_view> Items() const {
    return {mItems.data(), static_cast<std::size_t>(mCount)};
  }

 private:
  bool Push(std::string_view item);

  std::array<std::string_view, kMaxCsvItems> mItems{};
  int mCount = 0;
  // The texts of the fields that hold doubled quotes, each pair made one quote; reserved
  // to the line's length before the first is written, so the views into it stay valid.
  std::string mUnquoted;
};

// For each header item the known column it names, or -1.
struct CsvColumnMap {
  std::array<int, kMaxCsvItems> column{};
  int items = 0;
  // Distinct known columns among the items.
  int Known() const;
  void Map(std::span<const std::string_view> header);
};

// The current line's value of each known column, with every "---" in it removed.
class AnnotationValues {
 public:
  // Takes the items within the header's item count that the map names; further items
  // are ignored. Known columns the line does not reach stay empty.
  void Take(std::span<const std::string_view> items, const CsvColumnMap& map);
  void Clear();
  std::string_view Value(int column) const { return mValues[static_cast<std::size_t>(column)]; }

 private:
  std::array<std::string, kAnnotationColumns> mValues;
};

// Replaces every occurrence of `from` in text by `to`, in place, scanning left to right
// (a replacement is not searched again). Allocates only when text must grow.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to);
