// Scratch files for the fuzz entries: one private folder per thread, kept for the thread's
// life, with the input rewritten in place. Making and removing a folder and a file for
// every input costs a fresh inode each time, which on a busy file system took most of a
// run's time.
#include "engine/base/fuzz_support.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <span>
#include <system_error>
#include <utility>

#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/scratch_file.hpp"

namespace {

std::string NewFolder() {
  static std::atomic<unsigned> counter{0};
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path(error) /
      ("zelko-fuzz-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  if (error) return {};
  std::filesystem::create_directories(folder, error);
  return error ? std::string() : folder.string();
}

// The thread's folder, removed with the thread (the main thread's at exit).
class ThreadFolder {
 public:
  ThreadFolder() = default;
  ThreadFolder(const ThreadFolder&) = delete;
  ThreadFolder& operator=(const ThreadFolder&) = delete;
  ~ThreadFolder() {
    std::error_code ignored;
    if (!mPath.empty()) std::filesystem::remove_all(mPath, ignored);
  }
  // Made again when it has gone: a test may have removed the temporary folder it lay in.
  const std::string& Path() {
    std::error_code error;
    if (mPath.empty() || !std::filesystem::is_directory(mPath, error)) mPath = NewFolder();
    return mPath;
  }

 private:
  std::string mPath;
};

// Truncating keeps the file's inode, where a replacement would take a new one.
bool WriteInPlace(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (file < 0) return false;
  std::size_t done = 0;
  bool written = true;
  while (written && done < size) {
    const ssize_t count = ::write(file, data + done, size - done);
    if (count < 0 && errno == EINTR) continue;
    written = count > 0;
    if (written) done += static_cast<std::size_t>(count);
  }
  return ::close(file) == 0 && written;
}

// What the read left beside its input (caches, load files) must not reach the next input.
void RemoveAllBut(const std::string& folder, const std::string& keep) {
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (entry->path().string() == keep) continue;
    std::error_code ignored;
    std::filesystem::remove_all(entry->path(), ignored);
  }
}

std::function<void(const std::string& path)>& ScratchFileSwap() {
  static std::function<void(const std::string& path)> swap;
  return swap;
}

}  // namespace

void SetScratchFileSwap(std::function<void(const std::string& path)> swap) {
  ScratchFileSwap() = std::move(swap);
}

bool WithScratchFile(const std::uint8_t* data, std::size_t size, std::string_view fileName,
                     const std::function<bool(const std::string& path)>& read) {
  thread_local ThreadFolder threadFolder;
  thread_local bool busy = false;
  if (busy) {
    // A read that itself needs a scratch file gets a folder of its own for that call.
    const std::string folder = NewFolder();
    if (folder.empty()) return false;
    const std::string path = platform::JoinPath(folder, fileName);
    const bool result =
        platform::WriteScratchFile(path, std::span<const std::uint8_t>(data, size)) && read(path);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
  }
  const std::string& folder = threadFolder.Path();
  if (folder.empty()) return false;
  const std::string path = platform::JoinPath(folder, fileName);
  // The input alone in the folder: a reader that looks beside it finds no earlier input.
  RemoveAllBut(folder, path);
  // Whatever a swap put in the file's place goes first, so that the input is written to a
  // file again.
  if (ScratchFileSwap()) RemoveAllBut(folder, std::string());
  if (!WriteInPlace(path, data, size)) return false;
  if (ScratchFileSwap()) ScratchFileSwap()(path);
  struct Busy {
    bool& flag;
    explicit Busy(bool& f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
  };
  bool result = false;
  {
    const Busy during(busy);
    result = read(path);
  }
  RemoveAllBut(folder, ScratchFileSwap() ? std::string() : path);
  return result;
}
