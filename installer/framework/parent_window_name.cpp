#include "installer/framework/parent_window_name.hpp"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace quellbrook {

namespace {

std::string& NameBuffer() {
  static std::string name = kInitialParentWindowName;
  return name;
}

}  // namespace

const std::string& ParentWindowName() {
  return NameBuffer();
}

void SetParentWindowName(const char* name) {
  if (name == nullptr) {
    NameBuffer().clear();
    return;
  }
  NameBuffer().assign(name, strnlen(name, kParentWindowNameSize - 1));
}

std::optional<std::string> FindTopLevelWindow(const std::string& name) {
  const char* windows = std::getenv(kHostWindowsVariable);
  if (windows == nullptr) return std::nullopt;
  std::string_view rest = windows;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view window = rest.substr(0, end);
    if (window == name) return std::string(window);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return std::nullopt;
}

}  // namespace quellbrook
