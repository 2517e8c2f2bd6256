// Scratch files for the fuzz entries: one private folder per call, so concurrent runs
// never share a file.
#include "engine/base/fuzz_support.hpp"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <span>
#include <system_error>

#include "platform/byte_writer.hpp"
#include "platform/path.hpp"

bool WithScratchFile(const std::uint8_t* data, std::size_t size, std::string_view fileName,
                     const std::function<bool(const std::string& path)>& read) {
  static std::atomic<unsigned> counter{0};
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path(error) /
      ("zelko-fuzz-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  if (error) return false;
  std::filesystem::create_directories(folder, error);
  if (error) return false;
  const std::string path = platform::JoinPath(folder.string(), fileName);
  bool result = false;
  if (platform::WriteWholeFile(path, std::span<const std::uint8_t>(data, size)))
    result = read(path);
  std::filesystem::remove_all(folder, error);
  return result;
}
