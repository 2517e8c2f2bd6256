// Tests of line reading from files and from memory: line endings, cut lines, the last
// line without an ending, and lines that straddle the reader's buffer refills.
#include "platform/line_reader.hpp"

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/tests/temp_folder.hpp"

namespace platform {
namespace {

using platform::testing::TempFolder;

struct Line {
  LineStatus status;
  std::string text;
  bool operator==(const Line&) const = default;
};

void PrintTo(const Line& line, std::ostream* out) {
  *out << static_cast<int>(line.status) << ":\"" << line.text << "\"";
}

Line Whole(std::string text) {
  return {LineStatus::kWhole, std::move(text)};
}
Line Cut(std::string text) {
  return {LineStatus::kCut, std::move(text)};
}

// Every line up to the end (or an error), which is left out of the list.
std::vector<Line> ReadAll(LineReader& reader) {
  std::vector<Line> lines;
  std::string_view text;
  for (LineStatus status;
       (status = reader.Next(text)) == LineStatus::kWhole || status == LineStatus::kCut;) {
    lines.push_back({status, std::string(text)});
  }
  return lines;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// Reads the content from memory and from a file, which must give the same lines.
std::vector<Line> ReadBoth(const std::string& content, std::size_t maxLength) {
  LineReader memory;
  memory.OpenBuffer(content, maxLength);
  std::vector<Line> fromMemory = ReadAll(memory);

  TempFolder temp;
  WriteFile(temp.File("in.txt"), content);
  LineReader file;
  EXPECT_TRUE(file.Open(temp.File("in.txt"), maxLength));
  EXPECT_EQ(ReadAll(file), fromMemory);
  std::string_view text;
  EXPECT_EQ(file.Next(text), LineStatus::kEnd);
  return fromMemory;
}

TEST(LineReader, AcceptsLfAndCrlfAndCutsOneCarriageReturn) {
  EXPECT_EQ(ReadBoth("a\nb\r\nc\r\r\nd\re\n", 1000),
            (std::vector<Line>{Whole("a"), Whole("b"), Whole("c\r"), Whole("d\re")}));
}

TEST(LineReader, EmptyLinesAndTheLastLineWithoutEnding) {
  EXPECT_TRUE(ReadBoth("", 1000).empty());
  EXPECT_EQ(ReadBoth("\n", 1000), std::vector<Line>{Whole("")});
  EXPECT_EQ(ReadBoth("\r\n\n", 1000), (std::vector<Line>{Whole(""), Whole("")}));
  EXPECT_EQ(ReadBoth("one\ntwo", 1000), (std::vector<Line>{Whole("one"), Whole("two")}));
  EXPECT_EQ(ReadBoth("one\ntwo\r", 1000), (std::vector<Line>{Whole("one"), Whole("two")}));
}

TEST(LineReader, LongLinesAreCutAndTheirRestSkipped) {
  EXPECT_EQ(ReadBoth("abcdefgh\nxy\nabcde\nabcde\r\nabcdef\r\nabcdefg", 5),
            (std::vector<Line>{Cut("abcde"), Whole("xy"), Whole("abcde"), Whole("abcde"),
                               Cut("abcde"), Cut("abcde")}));
  EXPECT_EQ(ReadBoth("abc\n", 0), (std::vector<Line>{Cut("")}));
}

TEST(LineReader, CountsLinesAndStaysAtTheEnd) {
  LineReader reader;
  reader.OpenBuffer("a\nb\n");
  std::string_view text;
  EXPECT_EQ(reader.LineNumber(), 0);
  ASSERT_EQ(reader.Next(text), LineStatus::kWhole);
  EXPECT_EQ(reader.LineNumber(), 1);
  ASSERT_EQ(reader.Next(text), LineStatus::kWhole);
  EXPECT_EQ(reader.LineNumber(), 2);
  EXPECT_EQ(reader.Next(text), LineStatus::kEnd);
  EXPECT_EQ(reader.Next(text), LineStatus::kEnd);
  EXPECT_EQ(reader.LineNumber(), 2);
}

TEST(TextLines, HandsOutViewsIntoTheTextAndTellsWhatIsLeft) {
  const std::string_view text = "ab\r\ncdefgh\nlast";
  TextLines lines(text, 3);
  std::string_view line;
  ASSERT_EQ(lines.Next(line), LineStatus::kWhole);
  EXPECT_EQ(line, "ab");
  EXPECT_EQ(line.data(), text.data());
  EXPECT_EQ(lines.Rest(), "cdefgh\nlast");
  ASSERT_EQ(lines.Next(line), LineStatus::kCut);
  EXPECT_EQ(line, "cde");
  EXPECT_EQ(lines.Rest(), "last");
  ASSERT_EQ(lines.Next(line), LineStatus::kCut);
  EXPECT_EQ(line.data(), text.data() + 11);
  EXPECT_EQ(lines.Next(line), LineStatus::kEnd);
  EXPECT_TRUE(line.empty());
  EXPECT_EQ(lines.LineNumber(), 3);
}

TEST(LineReader, OpenAndClose) {
  TempFolder temp;
  LineReader reader;
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_FALSE(reader.Open(temp.File("missing.txt")));
  EXPECT_FALSE(reader.IsOpen());

  reader.OpenBuffer("");
  EXPECT_TRUE(reader.IsOpen());
  WriteFile(temp.File("f.txt"), "x\ny\n");
  ASSERT_TRUE(reader.Open(temp.File("f.txt")));
  std::string_view text;
  ASSERT_EQ(reader.Next(text), LineStatus::kWhole);
  EXPECT_EQ(text, "x");

  // Reopening starts over, with the count reset.
  ASSERT_TRUE(reader.Open(temp.File("f.txt")));
  EXPECT_EQ(reader.LineNumber(), 0);
  EXPECT_EQ(ReadAll(reader), (std::vector<Line>{Whole("x"), Whole("y")}));

  reader.Close();
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.Next(text), LineStatus::kEnd);
}

// A folder is no file of lines: it is refused when opened, with its reason, and a reader
// that was reading a file goes on reading it.
TEST(LineReader, AFolderIsRefusedWhenOpened) {
  TempFolder temp;
  LineReader reader;
  ASSERT_TRUE(reader.Open(temp.Write("lines.txt", "one\ntwo\n")));
  std::string_view text;
  ASSERT_EQ(reader.Next(text), LineStatus::kWhole);
  EXPECT_FALSE(reader.Open(temp.Path().string()));
  EXPECT_EQ(reader.OpenFailure().Reason(), "a folder, not a regular file");
  ASSERT_EQ(reader.Next(text), LineStatus::kWhole);
  EXPECT_EQ(text, "two");

  LineReader fresh;
  EXPECT_FALSE(fresh.Open(temp.Path().string()));
  EXPECT_FALSE(fresh.IsOpen());
  EXPECT_EQ(fresh.Next(text), LineStatus::kEnd);
}

// Lines of every length up to several buffer fills, with CR LF split across a refill,
// long lines cut across refills and many short ones, checked against a plain split.
TEST(LineReader, LinesStraddlingRefillsMatchAPlainSplit) {
  constexpr std::size_t kMaxLength = 70000;
  constexpr std::size_t kChunk = 64 * 1024;
  std::string content;
  std::vector<Line> expected;
  auto add = [&](std::size_t length, bool crlf) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
      text += static_cast<char>('a' + (content.size() + i) % 26);
    content += text + (crlf ? "\r\n" : "\n");
    if (length > kMaxLength) {
      expected.push_back(Cut(text.substr(0, kMaxLength)));
    } else {
      expected.push_back(Whole(text));
    }
  };
  // The CR of this line is the last byte of the first fill, its LF the first of the next.
  add(kChunk - 1, true);
  add(kMaxLength, true);      // whole, straddles the second refill
  add(kMaxLength + 1, true);  // one past the limit, cut
  add(3 * kChunk, false);     // longer than a whole fill
  for (std::size_t i = 0; i < 40000; ++i) add(i % 37, i % 3 == 0);
  // A line ending exactly at a fill boundary, then an unterminated last line.
  add(kChunk - content.size() % kChunk - 1, false);
  content += "tail";
  expected.push_back(Whole("tail"));

  const std::vector<Line> lines = ReadBoth(content, kMaxLength);
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(lines[i], expected[i]) << "line " << i;
}

// A carriage return near the limit must be judged the same wherever a refill splits the
// line: a CR cut from a line of the limit's length, a CR inside a longer line.
TEST(LineReader, CarriageReturnsNearTheLimitAcrossARefill) {
  constexpr std::size_t kChunk = 64 * 1024;
  const std::string tricky = "abc\r\nabcd\r\nabc\rx\nab\r\r\n";
  for (std::size_t shift = 0; shift <= tricky.size(); ++shift) {
    const std::string content = std::string(kChunk - 1 - shift, 'h') + "\n" + tricky;
    EXPECT_EQ(ReadBoth(content, 3),
              (std::vector<Line>{Cut("hhh"), Whole("abc"), Cut("abc"), Cut("abc"), Whole("ab\r")}))
        << "refill " << shift << " characters into the tricky lines";
  }
}

}  // namespace
}  // namespace platform
