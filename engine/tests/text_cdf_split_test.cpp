// The text chip description reader read in pieces on helper threads: every split gives
// what one piece on the calling thread gives (the layout, the log lines and, for a file
// with a bad line, the first red line and the layout as the failure left it).
#include "engine/chip/text_cdf_reader.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/tests/chip_test_support.hpp"
#include "platform/byte_reader.hpp"

namespace {

class SplitScope {
 public:
  SplitScope(std::size_t pieceBytes, int helpers) : mSaved(TextCdfSplitting) {
    TextCdfSplitting = {pieceBytes, helpers};
  }
  ~SplitScope() { TextCdfSplitting = mSaved; }
  SplitScope(const SplitScope&) = delete;
  SplitScope& operator=(const SplitScope&) = delete;

 private:
  TextCdfSplit mSaved;
};

struct Split {
  std::size_t pieceBytes;
  int helpers;
};
// One piece on the calling thread first, as the reference; then pieces of one line, of a
// few lines and of many, on one to three helpers.
const Split kSplits[] = {{SIZE_MAX, 0}, {1, 3}, {97, 2}, {1000, 1}, {4096, 3}};

// Everything a reading leaves: the outcome, the log, the units and every cell's fields.
struct Reading {
  bool read = false;
  std::string log;
  std::string units;
  std::vector<std::int64_t> cells;

  bool operator==(const Reading&) const = default;
};

Reading Take(bool read, const CapturedLog& log) {
  Reading reading;
  reading.read = read;
  for (const CapturedLine& line : log.Lines())
    reading.log +=
        std::to_string(line.colour) + (line.replaceLastLine ? "^" : " ") + line.text + "\n";
  for (const UNIT_RECORD& unit : Layout.units)
    reading.units += std::string(unit.Name()) + ":" + std::to_string(unit.pairCount) + " ";
  for (const CELL_RECORD& cell : Layout.cells) {
    reading.cells.push_back(cell.unit);
    reading.cells.push_back(cell.pair);
    reading.cells.push_back(cell.value);
    reading.cells.push_back(cell.kind);
  }
  return reading;
}

}  // namespace

class TextCdfSplitTest : public ChipTest {
 protected:
  // Loads the file with every split, and with a bad file also converts it directly so
  // that the layout the failure leaves is seen; every split must match the first.
  void ExpectEverySplitReadsAsOne(const std::string& path, bool expectRead) {
    std::optional<Reading> first;
    std::optional<Reading> firstFailure;
    for (const Split& split : kSplits) {
      SCOPED_TRACE(testing::Message()
                   << "pieces of " << split.pieceBytes << ", " << split.helpers << " helpers");
      const SplitScope scope(split.pieceBytes, split.helpers);
      mLog.Clear();
      const bool loaded = Load(path, true);
      EXPECT_EQ(loaded, expectRead);
      const Reading reading = Take(loaded, mLog);
      if (!first) first = reading;
      EXPECT_TRUE(reading == *first) << reading.log << "\nfirst:\n" << first->log;
      if (expectRead) continue;
      // The array kind of the file name stays from the load.
      mLog.Clear();
      const Reading failure = Take(ReadTextCdf(path, ""), mLog);
      EXPECT_FALSE(failure.read);
      if (!firstFailure) firstFailure = failure;
      EXPECT_TRUE(failure == *firstFailure) << failure.log << "\nfirst:\n" << firstFailure->log;
    }
  }

  // Where the first cell line after `from` starts, and the last one before `before`.
  static std::size_t NextCellLine(const std::string& text, std::size_t from) {
    for (std::size_t at = text.find("\nCell", from); at != std::string::npos;
         at = text.find("\nCell", at + 1))
      if (std::isdigit(static_cast<unsigned char>(text[at + 5])) != 0) return at + 1;
    ADD_FAILURE() << "no cell line after " << from;
    return 0;
  }
  static std::size_t PreviousCellLine(const std::string& text, std::size_t before) {
    for (std::size_t at = text.rfind("\nCell", before - 2); at != std::string::npos && at > 0;
         at = text.rfind("\nCell", at - 1))
      if (std::isdigit(static_cast<unsigned char>(text[at + 5])) != 0) return at + 1;
    ADD_FAILURE() << "no cell line before " << before;
    return 0;
  }

  // The layout's cell of the cell line at `at` of the text.
  static const CELL_RECORD& CellOfLine(const std::string& text, std::size_t at) {
    int x = -1;
    int y = -1;
    EXPECT_EQ(std::sscanf(text.c_str() + text.find('=', at) + 1, "%d %d", &x, &y), 2);
    return Layout.Cell(x, y);
  }

  static std::string ReadBack(const std::string& path) {
    const std::vector<std::uint8_t> bytes = platform::ReadWholeFile(path).value();
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(TextCdfSplitTest, EveryKindOfChipReadsAsInOnePiece) {
  for (const synth::ChipKind kind : synth::AllChipKinds()) {
    for (const bool custom : {false, kind == synth::ChipKind::kExpression}) {
      SCOPED_TRACE(std::string(synth::ChipKindName(kind)) + (custom ? " custom" : ""));
      ResetChipGlobals();
      synth::ChipOptions options;
      options.kind = kind;
      options.dimension = 40;
      options.unitCount = 14;
      options.custom = custom;
      const auto chip = MakeChip(options);
      PmOnly = chip.pmOnly ? 1 : 0;
      const std::string path = Write(chip, synth::ChipForm::kTextCdf);
      ExpectEverySplitReadsAsOne(path, true);
      EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
    }
  }
}

TEST_F(TextCdfSplitTest, LineEndsOfTwoBytesReadAsInOnePiece) {
  const auto chip = MakeChip(synth::ChipKind::kSnp3, 30, 8);
  const std::string path = Write(chip, synth::ChipForm::kTextCdf);
  std::string text;
  for (const char ch : ReadBack(path))
    text += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  WriteText(platform::FileName(path), text);
  ExpectEverySplitReadsAsOne(path, true);
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
}

// A bad line stops the reading at once: its red line is the one of one piece, and no
// cell of a later line is placed, whichever thread parsed it.
TEST_F(TextCdfSplitTest, TheFirstBadLineEndsEverySplitAlike) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 40, 14);
  const std::string path = Write(chip, synth::ChipForm::kTextCdf);
  const std::string text = ReadBack(path);
  const std::size_t middle = NextCellLine(text, text.size() / 2);
  const std::size_t middleEnd = text.find('\n', middle);
  const std::size_t later = NextCellLine(text, text.size() * 3 / 4);
  const std::size_t laterEnd = text.find('\n', later);
  ASSERT_LT(middleEnd, later);

  struct Fault {
    const char* name;
    std::string line;  // put in place of the middle cell line
    const char* red;
  };
  const Fault faults[] = {
      {"incomplete", "Cell9=3\t", "    Error: incomplete cell line 'Cell9=3\t'"},
      {"outside", "Cell9=40\t2\tN\tf\tq\t1\t0\tA\tA\tT\t0", "    Error: cell (40, 2) of probe set"},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    // A second bad line later on must never be the one reported.
    const std::string bad = text.substr(0, middle) + fault.line +
                            text.substr(middleEnd, later - middleEnd) + "Cell9=x" +
                            text.substr(laterEnd);
    WriteText(platform::FileName(path), bad);
    ExpectEverySplitReadsAsOne(path, false);
    EXPECT_TRUE(mLog.ContainsRed(fault.red));
    EXPECT_FALSE(mLog.ContainsRed("Cell9=x"));
    // The cells of the lines before the bad one are placed, those after it are not.
    EXPECT_NE(CellOfLine(text, PreviousCellLine(text, middle)).kind, kCellNoUnit);
    EXPECT_EQ(CellOfLine(text, NextCellLine(text, text.find("[Unit", middleEnd))).kind,
              kCellNoUnit);
  }
}
