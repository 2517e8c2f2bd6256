// Letter case of ASCII text, the same under every locale: the bytes of other characters
// are left as they are.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The text with its ASCII letters upper-cased.
std::string UpperCase(std::string_view text);

}  // namespace platform
