#include "platform/scratch_file.hpp"

#include <cerrno>

#include "platform/file_replacement.hpp"

namespace platform {

bool WriteScratchFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  FileReplacement file;
  const bool written = file.Open(path, Durability::kScratch) && file.Write(bytes) && file.Commit();
  if (!written && file.Error() != 0) errno = file.Error();
  return written;
}

}  // namespace platform
