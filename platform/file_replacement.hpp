// Replacing a file whole: its new bytes are written, a piece at a time, into a file beside
// it that takes its place only once complete, so that a reader never sees a file that was
// only partly written, and a writer need not hold all of it in memory at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace platform {

class FileReplacement {
 public:
  FileReplacement() = default;
  // Removes the file being written unless it was committed.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts the new file beside path, with the permissions of the file it replaces; false
  // when it cannot be made, or when path is a folder (which no file can replace). Temporary files
  // for path left by writers that have ended (or whose process number another program now has) are
  // removed first.
  [[nodiscard]] bool Open(const std::string& path);
  // Appends bytes; false when they cannot be written (the replacement is then dropped).
  [[nodiscard]] bool Write(std::span<const std::uint8_t> bytes);
  // Puts the new file in the place of path; false when any write failed or it cannot be
  // put there (path is then left as it was).
  [[nodiscard]] bool Commit();
  // The system's error number of the first failure, for the message that reports it; 0
  // while nothing has failed.
  int Error() const { return mError; }

 private:
  // Keeps the first failure's error number and drops the replacement; always false.
  bool Fail(int error);
  void Drop();

  std::string mPath;
  std::string mTemporary;
  int mDescriptor = -1;
  int mError = 0;
};

}  // namespace platform
