// Tests of little-endian reading and writing: byte patterns of each width in both
// directions, bounded and sticky-failing reads, and whole-file replacement.
#include <sys/stat.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/tests/file_size_limit.hpp"
#include "platform/tests/folder_entries.hpp"
#include "platform/tests/temp_folder.hpp"
#include "platform/text_bytes.hpp"

namespace platform {
namespace {

using platform::testing::FolderEntries;
using platform::testing::TempFolder;
using Bytes = std::vector<std::uint8_t>;

template <typename T>
struct Pattern {
  Bytes bytes;
  T value;
};

const std::vector<Pattern<std::uint16_t>> kU16 = {
    {{0x01, 0x00}, 0x0001}, {{0x00, 0x01}, 0x0100}, {{0x34, 0x12}, 0x1234},
    {{0x00, 0x80}, 0x8000}, {{0xFF, 0xFF}, 0xFFFF},
};
const std::vector<Pattern<std::uint32_t>> kU32 = {
    {{0x78, 0x56, 0x34, 0x12}, 0x12345678u},
    {{0x01, 0x00, 0x00, 0x00}, 1u},
    {{0x00, 0x00, 0x00, 0x80}, 0x80000000u},
    {{0xFE, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFEu},
};
const std::vector<Pattern<std::uint64_t>> kU64 = {
    {{0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}, 0x0102030405060708ull},
    {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}, 0x8000000000000000ull},
};
// IEEE 754 encodings of a few exact values.
const std::vector<Pattern<float>> kF32 = {
    {{0x00, 0x00, 0x80, 0x3F}, 1.0f},
    {{0x00, 0x00, 0x20, 0xC0}, -2.5f},
    {{0x00, 0x00, 0x00, 0x80}, -0.0f},
    {{0x00, 0x24, 0x74, 0x49}, 1000000.0f},
};
const std::vector<Pattern<double>> kF64 = {
    {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F}, 1.0},
    {{0x00, 0x00, 0x00, 0x00, 0x80, 0x84, 0x2E, 0xC1}, -1000000.0},
    {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x7F}, std::numeric_limits<double>::infinity()},
};

TEST(ByteIo, SixteenBitPatternsBothWays) {
  for (const auto& [bytes, value] : kU16) {
    EXPECT_EQ(LoadU16(bytes.data()), value);
    ByteReader reader(bytes);
    std::uint16_t unsignedValue = 0;
    ASSERT_TRUE(reader.ReadUInt16(unsignedValue));
    EXPECT_EQ(unsignedValue, value);
    ByteReader signedReader(bytes);
    std::int16_t signedValue = 0;
    ASSERT_TRUE(signedReader.ReadInt16(signedValue));
    EXPECT_EQ(signedValue, static_cast<std::int16_t>(value));

    ByteWriter writer;
    writer.WriteUInt16(value);
    writer.WriteInt16(static_cast<std::int16_t>(value));
    Bytes twice = bytes;
    twice.insert(twice.end(), bytes.begin(), bytes.end());
    EXPECT_EQ(writer.Bytes(), twice);
  }
  const Bytes lowestBytes = {0x00, 0x80};
  ByteReader reader(lowestBytes);
  std::int16_t lowest = 0;
  ASSERT_TRUE(reader.ReadInt16(lowest));
  EXPECT_EQ(lowest, -32768);
}

TEST(ByteIo, ThirtyTwoBitPatternsBothWays) {
  for (const auto& [bytes, value] : kU32) {
    EXPECT_EQ(LoadU32(bytes.data()), value);
    ByteReader reader(bytes);
    std::uint32_t unsignedValue = 0;
    ASSERT_TRUE(reader.ReadUInt32(unsignedValue));
    EXPECT_EQ(unsignedValue, value);

    ByteWriter writer;
    writer.WriteUInt32(value);
    writer.WriteInt32(static_cast<std::int32_t>(value));
    Bytes twice = bytes;
    twice.insert(twice.end(), bytes.begin(), bytes.end());
    EXPECT_EQ(writer.Bytes(), twice);
  }
  const Bytes signedBytes = {0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80};
  ByteReader reader(signedBytes);
  std::int32_t minusTwo = 0;
  std::int32_t lowest = 0;
  ASSERT_TRUE(reader.ReadInt32(minusTwo));
  ASSERT_TRUE(reader.ReadInt32(lowest));
  EXPECT_EQ(minusTwo, -2);
  EXPECT_EQ(lowest, std::numeric_limits<std::int32_t>::min());
}

TEST(ByteIo, EightBitAndSixtyFourBitPatterns) {
  for (const auto& [bytes, value] : kU64) EXPECT_EQ(LoadU64(bytes.data()), value);

  const Bytes data = {0x7F, 0x80, 0xFF};
  ByteReader reader(data);
  std::int8_t positive = 0;
  std::int8_t negative = 0;
  std::uint8_t high = 0;
  ASSERT_TRUE(reader.ReadInt8(positive));
  ASSERT_TRUE(reader.ReadInt8(negative));
  ASSERT_TRUE(reader.ReadUInt8(high));
  EXPECT_EQ(positive, 127);
  EXPECT_EQ(negative, -128);
  EXPECT_EQ(high, 255);

  ByteWriter writer;
  writer.WriteInt8(127);
  writer.WriteInt8(-128);
  writer.WriteUInt8(255);
  EXPECT_EQ(writer.Bytes(), data);
}

TEST(ByteIo, FloatingPointPatternsBothWays) {
  for (const auto& [bytes, value] : kF32) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(LoadF32(bytes.data())),
              std::bit_cast<std::uint32_t>(value));
    ByteWriter writer;
    writer.WriteFloat(value);
    EXPECT_EQ(writer.Bytes(), bytes);
  }
  for (const auto& [bytes, value] : kF64) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(LoadF64(bytes.data())),
              std::bit_cast<std::uint64_t>(value));
    ByteWriter writer;
    writer.WriteDouble(value);
    EXPECT_EQ(writer.Bytes(), bytes);
  }
}

// Every bit survives a write and a read, including NaN payloads, denormals and -0.
TEST(ByteIo, FloatingPointRoundTripsKeepEveryBit) {
  const std::vector<std::uint32_t> floatBits = {0x00000000u, 0x80000000u, 0x00000001u, 0x007FFFFFu,
                                                0x7F7FFFFFu, 0x7F800000u, 0xFF800000u, 0x7FC00001u,
                                                0x3EAAAAABu, 0xC2F6E979u};
  const std::vector<std::uint64_t> doubleBits = {0x0000000000000001ull, 0x8000000000000000ull,
                                                 0x7FF8000000000123ull, 0x3FD5555555555555ull,
                                                 0xC0FE240C9FBE76C9ull, 0x7FEFFFFFFFFFFFFFull};
  ByteWriter writer;
  for (std::uint32_t bits : floatBits) writer.WriteFloat(std::bit_cast<float>(bits));
  for (std::uint64_t bits : doubleBits) writer.WriteDouble(std::bit_cast<double>(bits));
  ASSERT_EQ(writer.Size(), floatBits.size() * 4 + doubleBits.size() * 8);

  ByteReader reader(writer.Bytes());
  for (std::uint32_t bits : floatBits) {
    float value = 0;
    ASSERT_TRUE(reader.ReadFloat(value));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(value), bits);
  }
  for (std::uint64_t bits : doubleBits) {
    double value = 0;
    ASSERT_TRUE(reader.ReadDouble(value));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(value), bits);
  }
  EXPECT_EQ(reader.Remaining(), 0u);
  EXPECT_FALSE(reader.Failed());
}

TEST(ByteIo, ReadPastTheEndFailsAndStaysFailed) {
  const Bytes data = {1, 2, 3};
  ByteReader reader(data);
  std::uint16_t word = 0;
  ASSERT_TRUE(reader.ReadUInt16(word));
  EXPECT_EQ(reader.Remaining(), 1u);
  std::uint32_t wide = 0xDEADBEEF;
  EXPECT_FALSE(reader.ReadUInt32(wide));
  EXPECT_EQ(wide, 0xDEADBEEFu);  // a failed read leaves its target alone
  EXPECT_TRUE(reader.Failed());
  EXPECT_EQ(reader.Remaining(), 0u);

  // The byte that is still there cannot be read any more, by any means.
  std::uint8_t byte = 0;
  EXPECT_FALSE(reader.ReadUInt8(byte));
  EXPECT_FALSE(reader.Skip(0));
  EXPECT_FALSE(reader.Seek(0));
  std::string text;
  EXPECT_FALSE(reader.ReadNonEmptyLine(text));
  EXPECT_TRUE(reader.Failed());
}

TEST(ByteIo, SkipSeekAndBytesAreBounded) {
  const Bytes data = {10, 11, 12, 13, 14};
  ByteReader reader(data);
  ASSERT_TRUE(reader.Skip(2));
  std::uint8_t out[3] = {};
  ASSERT_TRUE(reader.ReadBytes(3, out));
  EXPECT_EQ(out[0], 12);
  EXPECT_EQ(out[2], 14);
  ASSERT_TRUE(reader.Seek(5));  // the end itself is a valid position
  ASSERT_TRUE(reader.Seek(1));
  EXPECT_EQ(reader.Position(), 1u);
  EXPECT_EQ(reader.Rest().size(), 4u);
  EXPECT_FALSE(reader.Seek(6));
  EXPECT_TRUE(reader.Failed());

  ByteReader shortOut(data);
  std::uint8_t two[2] = {};
  EXPECT_FALSE(shortOut.ReadBytes(3, two));  // more than the destination holds

  ByteReader huge(data);
  EXPECT_FALSE(huge.Skip(std::numeric_limits<std::size_t>::max()));
}

TEST(ByteIo, CountedStringLengthIsChecked) {
  auto counted = [](std::int32_t length, std::string_view characters) {
    ByteWriter writer;
    writer.WriteInt32(length);
    writer.WriteText(characters);
    return writer.Bytes();
  };
  std::string text = "unchanged";

  const Bytes exact = counted(3, "abc");
  ByteReader fits(exact);
  ASSERT_TRUE(fits.ReadCountedString(text, 3));
  EXPECT_EQ(text, "abc");

  const Bytes empty = counted(0, "");
  ByteReader emptyReader(empty);
  ASSERT_TRUE(emptyReader.ReadCountedString(text));
  EXPECT_EQ(text, "");

  text = "unchanged";
  ByteReader tooLong(exact);
  EXPECT_FALSE(tooLong.ReadCountedString(text, 2));
  const Bytes negative = counted(-1, "abc");
  ByteReader negativeReader(negative);
  EXPECT_FALSE(negativeReader.ReadCountedString(text));
  const Bytes beyond = counted(4, "abc");
  ByteReader beyondReader(beyond);
  EXPECT_FALSE(beyondReader.ReadCountedString(text));
  const Bytes enormous = counted(std::numeric_limits<std::int32_t>::max(), "abc");
  ByteReader enormousReader(enormous);
  EXPECT_FALSE(enormousReader.ReadCountedString(text, std::numeric_limits<std::size_t>::max()));
  EXPECT_EQ(text, "unchanged");
  EXPECT_TRUE(negativeReader.Failed());
  EXPECT_TRUE(enormousReader.Failed());
}

TEST(ByteIo, CountedStringWriterPutsTheLengthFirst) {
  ByteWriter writer;
  writer.WriteCountedString("AB");
  writer.WriteCountedString("");
  EXPECT_EQ(writer.Bytes(), (Bytes{2, 0, 0, 0, 'A', 'B', 0, 0, 0, 0}));
  writer.Clear();
  EXPECT_EQ(writer.Size(), 0u);
  // Reserved room holds nothing yet; zeros follow what was written.
  writer.Reserve(64);
  EXPECT_EQ(writer.Size(), 0u);
  writer.WriteText("C");
  writer.WriteZeros(3);
  writer.WriteZeros(0);
  writer.WriteUInt8(7);
  EXPECT_EQ(writer.Bytes(), (Bytes{'C', 0, 0, 0, 7}));
}

TEST(ByteIo, NonEmptyLinesSkipBlankOnesAndAreBounded) {
  const std::string text = "\r\n\nfirst\r\n\n  \r\nlonger line\r\r\nlast";
  ByteReader reader(TextBytes(text));
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadNonEmptyLine(line, 6) && !line.empty()) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"first", "  ", "longer", "last"}));
  EXPECT_FALSE(reader.Failed());
  ASSERT_TRUE(reader.ReadNonEmptyLine(line));  // the end gives an empty text again
  EXPECT_EQ(line, "");
}

TEST(ByteIo, WholeFileRoundTripAndSizeLimit) {
  TempFolder temp;
  const std::string path = temp.File("data.bin");
  Bytes content(200000);
  for (std::size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  ASSERT_TRUE(WriteWholeFile(path, content));

  EXPECT_EQ(ReadWholeFile(path), content);
  EXPECT_EQ(ReadWholeFile(path, content.size()), content);
  EXPECT_FALSE(ReadWholeFile(path, content.size() - 1).has_value());
  EXPECT_FALSE(ReadWholeFile(temp.File("missing.bin")).has_value());
  EXPECT_FALSE(ReadWholeFile(temp.Path().string()).has_value());

  ASSERT_TRUE(WriteWholeFile(temp.File("empty.bin"), {}));
  const auto empty = ReadWholeFile(temp.File("empty.bin"), 0);
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());

  // The same bytes given as pieces, empty ones among them, replace the file in their order;
  // a file that cannot be made says why.
  const std::span<const std::uint8_t> all(content);
  const std::span<const std::uint8_t> pieces[] = {
      all.subspan(0, 3), {}, all.subspan(3, 70000), all.subspan(70003), {}};
  ASSERT_TRUE(WriteWholeFile(path, Bytes(10, 1)));
  ASSERT_TRUE(WriteWholeFileInPieces(path, pieces));
  EXPECT_EQ(ReadWholeFile(path), content);
  int error = 0;
  EXPECT_FALSE(WriteWholeFileInPieces(temp.File("no/such/folder.bin"), pieces, &error));
  EXPECT_EQ(error, ENOENT);
}

// Pieces overwritten in place leave every other byte; a piece reaching past the end, a
// missing file or a folder writes nothing at all.
TEST(ByteIo, PiecesOverwriteInPlaceOrNotAtAll) {
  TempFolder temp;
  const std::string path = temp.File("data.bin");
  Bytes content(5000);
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 13);
  ASSERT_TRUE(WriteWholeFile(path, content));

  const Bytes head{1, 2, 3};
  const Bytes tail(100, 0xEE);
  const FilePiece pieces[] = {{0, head}, {4900, tail}};
  ASSERT_TRUE(OverwritePieces(path, pieces));
  Bytes expected = content;
  std::copy(head.begin(), head.end(), expected.begin());
  std::copy(tail.begin(), tail.end(), expected.begin() + 4900);
  EXPECT_EQ(ReadWholeFile(path), expected);

  const FilePiece beyond[] = {{0, tail}, {4901, tail}};
  EXPECT_FALSE(OverwritePieces(path, beyond));
  EXPECT_EQ(ReadWholeFile(path), expected);
  EXPECT_FALSE(OverwritePieces(temp.File("missing.bin"), pieces));
  EXPECT_FALSE(FileExists(temp.File("missing.bin")));
  EXPECT_FALSE(OverwritePieces(temp.Path().string(), pieces));
}

// The size a file gives up front is only a first guess: the system's own files, one whose
// size says 0 and one whose size says a page, come back exactly.
TEST(ByteIo, WholeFileGivesExactlyItsBytesWhateverItsSizeSaid) {
  for (const char* path : {"/proc/self/cmdline", "/sys/kernel/mm/transparent_hugepage/enabled"}) {
    SCOPED_TRACE(path);
    std::ifstream in(path, std::ios::binary);
    struct stat info {};
    if (!in || stat(path, &info) != 0) continue;
    const Bytes expected{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_NE(static_cast<std::size_t>(info.st_size), expected.size());
    EXPECT_EQ(ReadWholeFile(path), expected);
  }
}

// A file whose size says 0 may hold any number of bytes; the limit must hold while reading.
TEST(ByteIo, WholeFileLimitHoldsWithoutAKnownSize) {
  const char* path = "/proc/self/maps";
  struct stat info {};
  ASSERT_EQ(stat(path, &info), 0);
  ASSERT_EQ(info.st_size, 0);
  ReadFailure failure;
  EXPECT_FALSE(ReadWholeFile(path, 99, &failure).has_value());
  EXPECT_EQ(failure.Error(), EFBIG);
  EXPECT_TRUE(ReadWholeFile(path, 1 << 20).has_value());
}

TEST(ByteIo, WriterReplacesTheWholeFileAndKeepsItsPermissions) {
  TempFolder temp;
  const std::string path = temp.File("out.bin");
  ASSERT_TRUE(WriteWholeFile(path, Bytes(1000, 0xAA)));
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);

  ByteWriter writer;
  writer.WriteUInt32(0x01020304);
  writer.WriteText("xy");
  ASSERT_TRUE(writer.SaveTo(path));
  EXPECT_EQ(ReadWholeFile(path), (Bytes{4, 3, 2, 1, 'x', 'y'}));
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{"out.bin"});
}

TEST(ByteIo, WriterFailsCleanlyWhenTheTargetCannotBeReplaced) {
  TempFolder temp;
  EXPECT_FALSE(WriteWholeFile(temp.File("missing/out.bin"), Bytes{1}));
  std::filesystem::create_directory(temp.Path() / "folder");
  EXPECT_FALSE(WriteWholeFile(temp.File("folder"), Bytes{1}));
  EXPECT_FALSE(WriteWholeFile("", Bytes{1}));
  EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{"folder"});
}

// A write cut short (here by a file size limit, as a full disk would) leaves the old
// file untouched and no temporary file behind.
TEST(ByteIo, ShortWriteKeepsTheOldFile) {
  TempFolder temp;
  const std::string path = temp.File("keep.bin");
  const Bytes original = {9, 8, 7};
  ASSERT_TRUE(WriteWholeFile(path, original));

  bool written = false;
  {
    const testing::FileSizeLimit limit(4096);
    written = WriteWholeFile(path, Bytes(100000, 1));
  }

  EXPECT_FALSE(written);
  EXPECT_EQ(ReadWholeFile(path), original);
  EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{"keep.bin"});
}

}  // namespace
}  // namespace platform
