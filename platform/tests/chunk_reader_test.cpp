// platform::ChunkReader: pieces of a file read in any sizes match the file's bytes, the
// unconsumed rest is kept across fills, and the end, the capacity and misuse are told.
#include "platform/chunk_reader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "platform/byte_writer.hpp"
#include "platform/tests/temp_folder.hpp"

namespace platform {
namespace {

using platform::testing::TempFolder;

std::vector<std::uint8_t> PatternBytes(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  std::mt19937 random(5);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

TEST(ChunkReader, PiecesOfAnySizeGiveTheFileInOrder) {
  TempFolder folder;
  const std::string path = folder.File("bytes.bin");
  const std::vector<std::uint8_t> bytes = PatternBytes(100000);
  ASSERT_TRUE(WriteWholeFile(path, bytes));

  for (const std::size_t capacity : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
    SCOPED_TRACE(capacity);
    ChunkReader reader;
    ASSERT_TRUE(reader.Open(path));
    ASSERT_EQ(reader.RegularFileSize(), bytes.size());
    ASSERT_TRUE(reader.Allocate(capacity));
    std::mt19937 random(11);
    std::size_t position = 0;  // of reader.Data() in the file
    while (position < bytes.size()) {
      const std::size_t want = 1 + random() % capacity;
      const std::size_t left = bytes.size() - position;
      const std::size_t kept = reader.Available();
      ASSERT_EQ(reader.Fill(want), want <= left);
      // No more is read than asked for, and what is there is the file's next bytes.
      ASSERT_EQ(reader.Available(), std::max(kept, std::min(want, left)));
      ASSERT_TRUE(std::equal(reader.Data(), reader.Data() + reader.Available(),
                             bytes.begin() + static_cast<std::ptrdiff_t>(position)))
          << "at " << position;
      // Part of it is consumed; the rest must still be there on the next fill.
      const std::size_t used = random() % (reader.Available() + 1);
      reader.Consume(used);
      position += used;
    }
    EXPECT_FALSE(reader.Failed());
  }
}

TEST(ChunkReader, TheEndAndTheCapacityAreTold) {
  TempFolder folder;
  const std::string path = folder.File("short.bin");
  const std::vector<std::uint8_t> bytes = PatternBytes(10);
  ASSERT_TRUE(WriteWholeFile(path, bytes));
  ChunkReader reader;
  ASSERT_TRUE(reader.Open(path));
  ASSERT_TRUE(reader.Allocate(16));
  EXPECT_FALSE(reader.Fill(17));  // beyond the capacity: nothing is read
  EXPECT_EQ(reader.Available(), 0u);
  EXPECT_FALSE(reader.Fill(12));  // beyond the end: what there is stays
  EXPECT_EQ(reader.Available(), 10u);
  EXPECT_TRUE(reader.Fill(10));
  reader.Consume(100);  // more than there is drops what there is
  EXPECT_EQ(reader.Available(), 0u);
  EXPECT_FALSE(reader.Fill(1));
  EXPECT_FALSE(reader.Failed());

  ChunkReader empty;
  const std::string emptyPath = folder.File("empty.bin");
  ASSERT_TRUE(WriteWholeFile(emptyPath, std::span<const std::uint8_t>()));
  ASSERT_TRUE(empty.Open(emptyPath));
  EXPECT_EQ(empty.RegularFileSize(), 0u);
  ASSERT_TRUE(empty.Allocate(4));
  EXPECT_TRUE(empty.Fill(0));
  EXPECT_FALSE(empty.Fill(1));
}

TEST(ChunkReader, MisuseIsRefused) {
  TempFolder folder;
  ChunkReader absent;
  EXPECT_FALSE(absent.Open(folder.File("absent.bin")));
  EXPECT_FALSE(absent.Allocate(8));  // not open
  EXPECT_FALSE(absent.Fill(1));

  const std::string path = folder.File("some.bin");
  ASSERT_TRUE(WriteWholeFile(path, PatternBytes(8)));
  ChunkReader reader;
  ASSERT_TRUE(reader.Open(path));
  EXPECT_FALSE(reader.Open(path));  // already open
  EXPECT_FALSE(reader.Fill(1));     // no buffer yet
  EXPECT_FALSE(reader.Allocate(0));
  ASSERT_TRUE(reader.Allocate(8));
  EXPECT_FALSE(reader.Allocate(8));  // once only
  EXPECT_TRUE(reader.Fill(8));

  // A folder is no regular file: it does not open, and nothing can be read from it.
  ChunkReader folderReader;
  EXPECT_FALSE(folderReader.Open(folder.Path().string()));
  EXPECT_EQ(folderReader.OpenFailure().Reason(), "a folder, not a regular file");
  EXPECT_FALSE(folderReader.RegularFileSize().has_value());
  EXPECT_FALSE(folderReader.Allocate(8));
  EXPECT_FALSE(folderReader.Fill(1));
}

}  // namespace
}  // namespace platform
