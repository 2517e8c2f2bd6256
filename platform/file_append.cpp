#include "platform/file_append.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/write_fault.hpp"

namespace platform {

bool AppendToFile(const std::string& path, std::string_view text, int* error) {
  int failure = InjectedWriteFault(WriteStep::kOpen, path);
  const int descriptor =
      failure != 0 ? -1 : open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (descriptor < 0 && failure == 0) failure = errno;
  if (descriptor >= 0) failure = InjectedWriteFault(WriteStep::kWrite, path);
  while (descriptor >= 0 && failure == 0 && !text.empty()) {
    const ssize_t count = write(descriptor, text.data(), text.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) failure = count < 0 ? errno : ENOSPC;
    if (count > 0) text.remove_prefix(static_cast<std::size_t>(count));
  }
  if (descriptor >= 0 && close(descriptor) != 0 && failure == 0) failure = errno;
  if (error != nullptr) *error = failure;
  if (failure != 0) errno = failure;
  return failure == 0;
}

}  // namespace platform
