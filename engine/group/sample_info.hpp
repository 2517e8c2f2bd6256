// What the user knows about each array's sample (tissue, sex, batch, age ...), read from
// the tab-separated sample information file: categorical columns whose distinct texts are
// coloured categories, and numeric columns kept raw and standardised.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/base/colour.hpp"

namespace platform {
class LineReader;
}

// A file holds at most kMaxSampleInfoColumns - 1 information columns: reaching the limit
// fails the read.
inline constexpr int kMaxSampleInfoColumns = 100;
inline constexpr const char* kTooManySampleColumnsMessage =
    "    Error: Number of sample information columns exceeds limit";
inline constexpr int kMaxCategories = 150;

// Lines of the sample information file are read up to this length; longer ones are cut.
inline constexpr std::size_t kSampleInfoLineLength = 20000;
// Column titles and category texts are kept up to these lengths; longer ones are cut.
inline constexpr std::size_t kMaxColumnTitleLength = 254;
inline constexpr std::size_t kMaxCategoryTextLength = 254;

inline constexpr const char* kNumericMarker = "(numeric)";

struct SampleCategory {
  std::string name;
  COLORREF colour = 0;
  int sampleCount = 0;  // arrays of this category
};

struct SampleInfoColumn {
  std::string name;  // the title as read, "(numeric)" included
  bool numeric = false;
  int sampleTotal = 0;                     // arrays with a category in this column
  std::vector<SampleCategory> categories;  // at most kMaxCategories

  int CategoryCount() const { return static_cast<int>(categories.size()); }
};

// One array's cells, one per column.
struct SampleInfoRow {
  std::array<std::int16_t, kMaxSampleInfoColumns> category;  // -1 when none
  std::array<float, kMaxSampleInfoColumns> raw;              // kMissingValueFloat when none
  std::array<float, kMaxSampleInfoColumns> standardized;     // kMissingValueFloat when none
};

class SAMPLE_INFO {
 public:
  SAMPLE_INFO();

  // Columns and rows gone, both selected columns -1.
  void Clear();

  // Reads the file for the arrays of the open group (TheGroup()). An empty or "None" path
  // gives false without a message; every failure is logged in red and leaves the object
  // cleared. A line whose first field names an array and whose second is not empty renames
  // that array in the group.
  [[nodiscard]] bool ReadSampleInfoFile(const std::string& path);

  // The category index of text in the column, added when new: -1 for an empty text, -2
  // (logged in red) when the column already holds kMaxCategories. Counts the sample.
  int AddCategory(int column, std::string_view text);

  // Upper-tail hypergeometric probability of at least hits members of the category among
  // selected samples drawn from the column's sample total. 1.0 for a column or category
  // that does not exist.
  double CategoryEnrichmentPValue(int column, int category, int selected, int hits) const;

  bool HasCategory(int array, int column, int category) const;
  // -1 when the array or column has none.
  int CategoryOf(int array, int column) const;
  // MISSING_VALUE when the array or column has none.
  double NumericValue(int array, int column) const;
  double StandardizedValue(int array, int column) const;

  // The first column whose name equals name without regard to case, logged in black;
  // -1 with a red line when none.
  int FindSampleInfoColumn(std::string_view name) const;

  // The class file for outside classifiers: the selected samples of SampleGrouping
  // labelled by their first array's category in the column.
  [[nodiscard]] bool WriteClassFile(const std::string& path, int column) const;

  int ColumnCount() const { return static_cast<int>(mColumns.size()); }
  // column in [0, ColumnCount()).
  const SampleInfoColumn& Column(int column) const;
  // The colour the pictures draw a category in; nothing for one that does not exist.
  void SetCategoryColour(int column, int category, COLORREF colour);
  // Arrays that have a row (the group's array count after a successful read, else 0).
  int RowCount() const { return static_cast<int>(mRows.size()); }

  // The columns a view shows, -1 when none.
  int SelectedColumn(int which) const {
    return mSelectedColumns[static_cast<std::size_t>(which & 1)];
  }
  void SetSelectedColumn(int which, int column) {
    mSelectedColumns[static_cast<std::size_t>(which & 1)] = column;
  }

 private:
  bool ReadTitles(std::string_view line);
  bool ReadRows(platform::LineReader& reader, const std::string& path, int& matched);
  void StandardizeNumericColumns();
  const SampleInfoRow* Row(int array, int column) const;

  std::vector<SampleInfoColumn> mColumns;
  std::vector<SampleInfoRow> mRows;
  std::array<int, 2> mSelectedColumns{-1, -1};
};

// The sample information of the open group.
extern SAMPLE_INFO SampleInfo;

// Fuzz entry: ReadSampleInfoFile on the bytes (through a scratch file) into an object of
// its own, for the arrays of the started group.
bool FuzzReadSampleInfoFile(const std::uint8_t* data, std::size_t size);
