// Fuzz target: array types' registry key files.
#include "fuzz/installer_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzReadRegistryIni(data, size);
  return 0;
}
