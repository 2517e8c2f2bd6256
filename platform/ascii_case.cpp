#include "platform/ascii_case.hpp"

namespace platform {

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& ch : upper)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return upper;
}

}  // namespace platform
