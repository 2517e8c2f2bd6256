// Reading a whole file on several threads: the bytes of files of every size come back
// exactly, the work alongside runs once whatever happens, and a missing file or a pipe is
// refused.
#include "platform/side_by_side_read.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/tests/temp_folder.hpp"

namespace {

std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = 12345;
  for (std::uint8_t& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

void Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

TEST(SideBySideRead, GivesEveryByteOfFilesOfAnySize) {
  platform::testing::TempFolder folder;
  const std::size_t stretch = platform::kMinSideBySideStretch;
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{1}, stretch - 1, 3 * stretch + 7, 9 * stretch + 5}) {
    const std::vector<std::uint8_t> bytes = Pattern(size);
    const std::string path = folder.File("file" + std::to_string(size));
    Write(path, bytes);
    for (const int threads : {1, 4, 8}) {
      std::atomic<int> alongside{0};
      const auto file = platform::ReadWholeFileSideBySide(path, threads, [&] { ++alongside; });
      ASSERT_TRUE(file.has_value()) << size;
      ASSERT_EQ(file->size, size);
      EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), file->data.get()))
          << size << " bytes on " << threads << " threads";
      EXPECT_EQ(alongside.load(), 1);
    }
  }
}

TEST(SideBySideRead, MissingFilesAndPipes) {
  platform::testing::TempFolder folder;
  int alongside = 0;
  EXPECT_FALSE(platform::ReadWholeFileSideBySide(folder.File("missing"), 4, [&] { ++alongside; }));
  EXPECT_EQ(alongside, 1);
  EXPECT_FALSE(platform::ReadWholeFileSideBySide(folder.File("missing"), 4, {}));

  // A pipe is no file to share out or to read in turn: it is refused at once, without
  // waiting for a writer, and the work alongside still runs.
  const std::string fifo = folder.File("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  platform::ReadFailure failure;
  EXPECT_FALSE(platform::ReadWholeFileSideBySide(
      fifo, 4, [&] { ++alongside; }, &failure));
  EXPECT_EQ(alongside, 2);
  EXPECT_EQ(failure.Reason(), "a named pipe, not a regular file");
}

}  // namespace
