#include "installer/framework/library_names.hpp"

namespace quellbrook {

bool IsPlainLibraryName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '/' || c == '\\' || c == '*' || c == '?' || c == ':') return false;
  }
  return true;
}

bool IsRelativeLibraryPath(std::string_view path) {
  if (path.empty()) return false;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = path.find_first_of("/\\", start);
    const std::string_view part =
        path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!IsPlainLibraryName(part)) return false;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return true;
}

}  // namespace quellbrook
