#include "platform/system_error.hpp"

#include <cstring>

namespace platform {

std::string SystemErrorText(int error) {
  if (error == kNotRegularFileError) return "not a regular file";
  return std::strerror(error);
}

std::string WithSystemReason(std::string_view message, int error) {
  std::string text(message);
  if (error == 0) return text;
  // Before the message's closing line breaks, so the reason stays on its last line.
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == '\n') --end;
  text.insert(end, " (" + SystemErrorText(error) + ")");
  return text;
}

}  // namespace platform
