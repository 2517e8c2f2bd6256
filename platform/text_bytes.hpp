// A text's characters as the bytes that the file writers and readers take.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace platform {

inline std::span<const std::uint8_t> TextBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace platform
