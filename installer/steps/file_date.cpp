#include "installer/steps/file_date.hpp"

#include <sys/stat.h>

#include <ctime>

namespace quellbrook {

std::string FileDateText(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return {};
  std::tm local{};
  if (::localtime_r(&status.st_mtime, &local) == nullptr) return {};
  char text[64];
  const std::size_t length = std::strftime(text, sizeof text, "%b %d %Y %I:%M%p", &local);
  return std::string(text, length);
}

}  // namespace quellbrook
