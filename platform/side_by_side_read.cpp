#include "platform/side_by_side_read.hpp"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/chunk_reader.hpp"
#include "platform/parallel_tasks.hpp"

namespace platform {

namespace {

// The file read by one thread, as ReadWholeFile reads it (to its end, however long).
std::optional<FileBytes> ReadInTurn(const std::string& path, ReadFailure* failure) {
  std::optional<ByteBuffer> bytes = ReadWholeFile(path, UINT64_MAX, failure);
  if (!bytes) return std::nullopt;
  FileBytes file;
  file.size = bytes->size();
  file.data = std::make_unique_for_overwrite<std::uint8_t[]>(std::max<std::size_t>(file.size, 1));
  std::copy(bytes->begin(), bytes->end(), file.data.get());
  return file;
}

}  // namespace

std::optional<FileBytes> ReadWholeFileSideBySide(const std::string& path, int threads,
                                                 const std::function<void()>& alongside,
                                                 ReadFailure* failure) {
  const int extra = alongside ? 1 : 0;
  // A file that does not open is no file for several threads either; the reading in turn
  // refuses it too, with the work alongside done all the same.
  ChunkReader reader;
  const std::optional<std::uint64_t> size =
      reader.Open(path) ? reader.RegularFileSize() : std::nullopt;
  if (!size || *size > SIZE_MAX / 2) {
    std::optional<FileBytes> file;
    RunTasks(1 + extra, threads, [&](int task, bool) {
      if (task < extra)
        alongside();
      else
        file = ReadInTurn(path, failure);
    });
    return file;
  }

  FileBytes file;
  file.size = static_cast<std::size_t>(*size);
  file.data = std::make_unique_for_overwrite<std::uint8_t[]>(std::max<std::size_t>(file.size, 1));
  const auto stretches = static_cast<int>(std::clamp<std::size_t>(
      file.size / kMinSideBySideStretch, 1, static_cast<std::size_t>(std::max(threads, 1))));
  std::atomic<bool> whole{true};
  RunTasks(stretches + extra, threads, [&](int task, bool) {
    if (task < extra) {
      alongside();
      return;
    }
    const auto k = static_cast<std::size_t>(task - extra);
    const std::size_t begin = file.size / static_cast<std::size_t>(stretches) * k;
    const std::size_t end = k + 1 == static_cast<std::size_t>(stretches)
                                ? file.size
                                : file.size / static_cast<std::size_t>(stretches) * (k + 1);
    if (reader.ReadAt(begin, file.data.get() + begin, end - begin) != end - begin) whole = false;
  });
  // A file that grew meanwhile has more to give past the size it had.
  std::uint8_t beyond = 0;
  if (!whole || reader.ReadAt(file.size, &beyond, 1) != 0) return ReadInTurn(path, failure);
  return file;
}

}  // namespace platform
