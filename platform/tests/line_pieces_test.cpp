// platform::LinePieces: the lines of all pieces, in order, are those a LineReader gives
// for the whole file, whatever the piece size, line endings and line lengths; a file
// shorter than the size it was cut for is told.
#include "platform/line_pieces.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "platform/byte_writer.hpp"
#include "platform/line_reader.hpp"
#include "platform/tests/temp_folder.hpp"
#include "platform/text_bytes.hpp"

namespace platform {
namespace {

using platform::testing::TempFolder;

// A line and its status, as one text.
std::string Describe(LineStatus status, std::string_view line) {
  return (status == LineStatus::kCut ? "cut:" : "whole:") + std::string(line);
}

std::vector<std::string> ByLineReader(const std::string& path, std::size_t maxLength) {
  LineReader reader;
  EXPECT_TRUE(reader.Open(path, maxLength));
  std::vector<std::string> lines;
  std::string_view line;
  for (LineStatus status; (status = reader.Next(line)) != LineStatus::kEnd;) {
    EXPECT_NE(status, LineStatus::kError);
    if (status == LineStatus::kError) break;
    lines.push_back(Describe(status, line));
  }
  return lines;
}

std::vector<std::string> ByPieces(const ChunkReader& file, std::uint64_t size,
                                  std::size_t pieceBytes, std::size_t maxLength) {
  const LinePieces pieces(file, size, pieceBytes, maxLength);
  std::vector<std::string> lines;
  std::vector<char> buffer;  // reused from piece to piece, as a reader would
  for (std::size_t n = 0; n < pieces.Count(); ++n) {
    const std::optional<std::string_view> text = pieces.Read(n, buffer);
    EXPECT_TRUE(text.has_value());
    if (!text) break;
    TextLines piece(*text, maxLength);
    std::string_view line;
    for (LineStatus status; (status = piece.Next(line)) != LineStatus::kEnd;)
      lines.push_back(Describe(status, line));
  }
  return lines;
}

// Short and long lines, empty ones, LF and CRLF ends, a CR before the cut, with or
// without a last line end.
std::string MixedText(unsigned seed, bool lastLineEnd) {
  std::mt19937 random(seed);
  std::string text;
  for (int line = 0; line < 60; ++line) {
    const std::size_t length = random() % 4 == 0 ? random() % 40 : random() % 6;
    for (std::size_t i = 0; i < length; ++i)
      text += random() % 9 == 0 ? '\r' : static_cast<char>('a' + random() % 26);
    text += random() % 3 == 0 ? "\r\n" : "\n";
  }
  if (!lastLineEnd) text += "tail";
  return text;
}

TEST(LinePieces, PiecesOfAnySizeGiveTheLinesOfTheWholeFile) {
  TempFolder folder;
  const std::string path = folder.File("text.txt");
  for (const unsigned seed : {1u, 2u, 3u}) {
    for (const bool lastLineEnd : {true, false}) {
      const std::string text = MixedText(seed, lastLineEnd);
      ASSERT_TRUE(WriteWholeFile(path, TextBytes(text)));
      ChunkReader file;
      ASSERT_TRUE(file.Open(path));
      for (const std::size_t maxLength : {std::size_t{4}, std::size_t{10}, std::size_t{1000}}) {
        const std::vector<std::string> expected = ByLineReader(path, maxLength);
        ASSERT_GT(expected.size(), 50u);
        for (std::size_t pieceBytes = 1; pieceBytes <= text.size() + 1;
             pieceBytes += 1 + pieceBytes / 3) {
          SCOPED_TRACE(::testing::Message() << "seed " << seed << ", line end " << lastLineEnd
                                            << ", max " << maxLength << ", piece " << pieceBytes);
          ASSERT_EQ(ByPieces(file, text.size(), pieceBytes, maxLength), expected);
        }
      }
    }
  }
}

TEST(LinePieces, AnEmptyFileHasNoPieces) {
  TempFolder folder;
  const std::string path = folder.File("empty.txt");
  ASSERT_TRUE(WriteWholeFile(path, std::span<const std::uint8_t>()));
  ChunkReader file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_EQ(LinePieces(file, 0, 16, 100).Count(), 0u);
}

TEST(LinePieces, AFileShorterThanItsSizeIsTold) {
  TempFolder folder;
  const std::string path = folder.File("short.txt");
  const std::string text = "one\ntwo\nthree\n";
  ASSERT_TRUE(WriteWholeFile(path, TextBytes(text)));
  ChunkReader file;
  ASSERT_TRUE(file.Open(path));
  const LinePieces pieces(file, text.size() + 10, 8, 100);
  ASSERT_EQ(pieces.Count(), 3u);
  std::vector<char> buffer;
  // The first piece reads as far as the slack takes it, past the file's end.
  EXPECT_FALSE(pieces.Read(0, buffer).has_value());
  EXPECT_FALSE(pieces.Read(2, buffer).has_value());
}

}  // namespace
}  // namespace platform
