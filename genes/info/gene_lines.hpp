// The lines of a gene information or annotation file's text, split at their first tabs
// as they are found, and the reading of the data lines into the genes.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <string>
#include <string_view>

#include "genes/info/gene_info.hpp"
#include "genes/info/text_scan.hpp"
#include "platform/line_reader.hpp"

// The fields of a data line that are read: the probe set, identifier, LocusLink, name,
// up to four term columns and the description.
constexpr std::size_t kMaxLineFields = 5 + kMaxTermColumns;

// One line of a file's text, split at its first tabs.
struct TextLine {
  std::string_view text;
  // Where the first tabs of the line lie, counted from its start; room for a block's more.
  std::array<std::size_t, kMaxLineFields + text_scan::kBlockSize> tabs{};
  std::size_t tabCount = 0;  // at most kMaxLineFields
  // Whether the line holds a double quote or a CR; without, the description is kept as
  // it stands.
  bool hasQuoteOrReturn = false;

  // The number of fields, where it is below kMaxLineFields + 1.
  std::size_t FieldCount() const { return tabCount + 1; }
  // Field i, for i up to tabCount.
  std::string_view Field(std::size_t i) const {
    const std::size_t start = i == 0 ? 0 : tabs[i - 1] + 1;
    const std::size_t end = i < tabCount ? tabs[i] : text.size();
    // The tabs lie inside the text, so no bounds are checked again.
    return {text.data() + start, end - start};
  }
};

// The lines of a file's text as platform::LineReader hands them out (LF or CRLF ends,
// a last line without its end, lines cut at kGeneInfoLineLength), each split at its
// tabs in the same pass over its bytes that finds its end: the files have tens of
// thousands of short lines, and two passes cost twice.
class TextLines {
 public:
  // firstLine is the number of the line before the text's first, in the whole file.
  explicit TextLines(std::string_view text, long long firstLine = 0)
      : mAt(text.data()), mEnd(text.data() + text.size()), mLineNumber(firstLine) {}

  // The next line into line; its views point into the text.
  platform::LineStatus Next(TextLine& line) {
    line.tabCount = 0;
    if (mAt == mEnd) {
      line.text = {};
      return platform::LineStatus::kEnd;
    }
    const char* const start = mAt;
    const char* firstQuoteOrReturn = mEnd;
    const char* end = mEnd;
    // The bytes past the end of the text read as a line end.
    for (const char* block = start;; block += text_scan::kBlockSize) {
      const text_scan::Block bytes = text_scan::LoadBlock(block, mEnd, '\n');
      const std::uint32_t newlines = bytes.Matches('\n');
      std::uint32_t tabs = bytes.Matches('\t');
      std::uint32_t quotesAndReturns = bytes.Matches('"') | bytes.Matches('\r');
      if (newlines != 0) {
        const std::uint32_t before = text_scan::FirstBits(std::countr_zero(newlines));
        tabs &= before;
        quotesAndReturns &= before;
        end = block + std::countr_zero(newlines);
      }
      if (line.tabCount < kMaxLineFields)
        text_scan::AppendPlaces(tabs, static_cast<std::size_t>(block - start), line.tabs.data(),
                                line.tabCount);
      if (quotesAndReturns != 0 && firstQuoteOrReturn == mEnd)
        firstQuoteOrReturn = block + std::countr_zero(quotesAndReturns);
      if (newlines != 0) break;
    }
    line.tabCount = std::min(line.tabCount, kMaxLineFields);
    mAt = end == mEnd ? mEnd : end + 1;
    if (end != start && end[-1] == '\r') --end;
    ++mLineNumber;
    auto length = static_cast<std::size_t>(end - start);
    platform::LineStatus status = platform::LineStatus::kWhole;
    if (length > kGeneInfoLineLength) {
      length = kGeneInfoLineLength;
      status = platform::LineStatus::kCut;
      while (line.tabCount > 0 && line.tabs[line.tabCount - 1] >= length) --line.tabCount;
    }
    line.text = std::string_view(start, length);
    line.hasQuoteOrReturn = firstQuoteOrReturn < start + length;
    return status;
  }

  // Number of lines handed out so far (1 after the first line).
  long long LineNumber() const { return mLineNumber; }
  // The text not yet handed out.
  std::string_view Rest() const { return {mAt, static_cast<std::size_t>(mEnd - mAt)}; }

 private:
  const char* mAt;
  const char* mEnd;
  long long mLineNumber;
};

// Reads the data lines of lines (up to the first empty one) into the genes, counting the
// known probe sets in genesRead. A rebuild replaces a gene's fields; a top-up keeps those
// the line leaves empty. On a rebuild of a long text up to threads threads read pieces of
// it side by side; the outcome is that of one reader. False on a user stop (reported,
// and a rebuild's genes cleared).
[[nodiscard]] bool ReadGeneLines(TextLines& lines, const std::string& path, int termColumns,
                                 bool rebuild, int threads, int& genesRead);
