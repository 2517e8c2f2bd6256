// Converting the rows' part of a GIN file ("Index" lines and rows) into load file records,
// in turn or in stretches side by side. Side by side, any thread converts a stretch of
// lines into buffers of its own, and whichever thread holds the writer's turn takes the
// stretches in file order: it checks that each began under the classification titles in
// force where it starts (converting it again when an "Index" line came in between), adds
// up the counts, and writes the records, so the load files, the counts and the first
// refusal are those of a reading from the start. The buffers are kept for the next file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "installer/steps/gin_records.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/source_lines.hpp"

namespace quellbrook {

struct GinOutputs {
  LoadFileOutput& descriptions;
  LoadFileOutput& headers;
};

enum class GinRowsOutcome {
  kWhole,
  kRefusedRow,   // a row held a line break: the row after counts.rows
  kRefused,      // a title held a separator: refusal tells
  kLineTooLong,  // a line longer than kGinLineLimit
};

struct GinRowsResult {
  GinRowsOutcome outcome = GinRowsOutcome::kWhole;
  GinCounts counts;  // of the records written
  std::string refusal;
  std::shared_ptr<const GinTitles> titles;  // in force after the last line converted
  // Reading in turn up to the first row: where that row starts, when there is one.
  bool stoppedAtRow = false;
  std::uint64_t rowOffset = 0;
};

// One stretch's memory, kept from one file to the next.
struct GinSlot {
  LineBuffer input;
  GinRecords records;
  std::size_t block = SIZE_MAX;  // the stretch whose records it holds, once converted
  GinRowsOutcome outcome = GinRowsOutcome::kWhole;
};

// Slots taken from those the process keeps (made when there are too few) and given back
// when the lease ends, with any grown far past a usual stretch's needs emptied.
class GinSlotLease {
 public:
  explicit GinSlotLease(std::size_t count);
  ~GinSlotLease();
  GinSlotLease(const GinSlotLease&) = delete;
  GinSlotLease& operator=(const GinSlotLease&) = delete;

  GinSlot& operator[](std::size_t i) { return *mSlots[i]; }

 private:
  std::vector<std::unique_ptr<GinSlot>> mSlots;
};

// Converts the lines from `lines` in turn until they end, one is refused or too long, or,
// when stopAtRow, the first row (left unconverted, its offset in the result), starting
// under `titles`. Records go to the outputs a megabyte or so at a time.
GinRowsResult ConvertGinLinesInTurn(SourceLines& lines, const GinLayout& layout,
                                    std::shared_ptr<const GinTitles> titles, GinOutputs outputs,
                                    bool stopAtRow, GinSlot& slot);

// Converts the lines that start in [begin, end) of a source whose size is known (begin a
// line start), in stretches of stretchBytes on up to `threads` threads.
GinRowsResult ConvertGinRowsSideBySide(ByteSource& source, std::uint64_t begin, std::uint64_t end,
                                       const GinLayout& layout,
                                       std::shared_ptr<const GinTitles> titles, GinOutputs outputs,
                                       std::size_t stretchBytes, int threads);

}  // namespace quellbrook
