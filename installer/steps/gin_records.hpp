// The records of a GIN file's header lines and rows: each "Index" line gives a header
// record and names the classifications of the rows after it; each row gives one
// description record per filled classification (at least one). A stretch of lines is
// converted on its own into buffers of whole records, so that stretches can be converted
// side by side and written in file order.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "installer/steps/gin_reader.hpp"

namespace quellbrook {

using GinTitles = std::array<std::string, kGinClassifications>;
using GinColumns = std::array<std::string_view, kGinColumnsVersion2>;

// The classification titles before a file's first "Index" line.
const GinTitles& DefaultGinTitles();
// The titles of the default header record, "Index" to "Classification 10".
GinColumns DefaultGinHeader();
// Whether a line of the rows' part is an "Index" line.
bool IsGinIndexLine(std::string_view line);

// Bytes gathered for a load file. It grows without clearing, so only the pages written
// are touched, and keeps its memory from one use to the next.
class RecordBuffer {
 public:
  // Room for count more bytes at the end; where they go.
  char* Extend(std::size_t count) {
    if (count > mCapacity - mSize) Grow(count);
    char* at = mData.get() + mSize;
    mSize += count;
    return at;
  }
  void Append(std::string_view text);
  void Clear() { mSize = 0; }
  std::string_view View() const { return {mData.get(), mSize}; }
  std::size_t Capacity() const { return mCapacity; }
  // Gives the memory back.
  void Release();

 private:
  void Grow(std::size_t count);

  std::unique_ptr<char[]> mData;
  std::size_t mSize = 0;
  std::size_t mCapacity = 0;
};

// What every stretch of one file shares.
struct GinLayout {
  std::string_view type;  // first field of every record
  int columnCount = kGinColumnsVersion2;
  std::string_view identifierSource;  // version 1: the value of its missing column
};

struct GinCounts {
  int rows = 0;
  int headers = 0;
  int descriptions = 0;
  int populated = 0;
  bool headerLineSeen = false;

  void Add(const GinCounts& more);
};

class GinRecords {
 public:
  // Starts a stretch whose rows begin under `titles` (kept alive by the caller), its
  // buffers emptied.
  void Start(const GinLayout& layout, std::shared_ptr<const GinTitles> titles);

  // One line of the rows' part: skipped when empty, else an "Index" line or a row. False
  // when it holds what can't be loaded safely; the stretch ends there.
  bool Line(std::string_view line);

  // Records in load file layout.
  const RecordBuffer& Descriptions() const { return mDescriptions; }
  const RecordBuffer& Headers() const { return mHeaders; }
  const GinCounts& Counts() const { return mCounts; }
  // The titles the stretch began with, and those in force at its end.
  const std::shared_ptr<const GinTitles>& StartTitles() const { return mStartTitles; }
  std::shared_ptr<const GinTitles> EndTitles() const;

  // Why the stretch was refused: a row with a line break, whose number among the file's
  // rows is the caller's to give (Counts().rows rows came before it in the stretch), or a
  // title with a separator, told in RefusalText().
  bool RefusedRow() const { return mRefusedRow; }
  const std::string& RefusalText() const { return mRefusal; }

  // Drops buffers grown past `keep` bytes, so that one odd file holds no memory after it.
  void Trim(std::size_t keep);

 private:
  bool IndexLine(std::string_view line);
  bool DataRow(std::string_view line);

  GinLayout mLayout;
  std::shared_ptr<const GinTitles> mStartTitles;
  const GinTitles* mTitles = nullptr;  // the start titles, or mOwnTitles after an "Index" line
  GinTitles mOwnTitles;
  bool mOwnTitlesUsed = false;
  RecordBuffer mDescriptions;
  RecordBuffer mHeaders;
  GinCounts mCounts;
  bool mRefusedRow = false;
  std::string mRefusal;
};

// Appends the header record of these titles ("Chip Type" first) to out; false, with the
// refusal's text in refusal, when a title holds a load file separator or a line break.
bool AppendGinHeader(const GinColumns& titles, RecordBuffer& out, std::string& refusal);

}  // namespace quellbrook
