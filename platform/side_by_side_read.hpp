// Reading a whole file with several threads at once, each a stretch of it, into one
// buffer that is not cleared first: fresh memory is then touched once, by the threads
// that fill it, and the copying from the system's cache is shared out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/readable_file.hpp"

namespace platform {

struct FileBytes {
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t size = 0;
};

// Each thread reads at least this much of a file.
inline constexpr std::size_t kMinSideBySideStretch = 1 << 20;

// The whole file at path, read on up to threads threads; alongside, when given, runs on
// one of them meanwhile (exactly once, whether the read succeeds or not). A file whose size
// changes while it is read is read again whole by one thread. nullopt when the file cannot
// be read or is no regular file, with failure (when given) telling why.
std::optional<FileBytes> ReadWholeFileSideBySide(const std::string& path, int threads,
                                                 const std::function<void()>& alongside,
                                                 ReadFailure* failure = nullptr);

}  // namespace platform
