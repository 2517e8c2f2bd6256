// Files that a power cut may take back: generated test data and scratch copies. They are
// replaced whole like any other file, without waiting for the disk.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace platform {

// Writes bytes to path, replacing it; false when it cannot be written completely, with the
// system's error number in errno.
[[nodiscard]] bool WriteScratchFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace platform
