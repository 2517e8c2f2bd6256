// Fuzz target: the library's devices file.
#include "fuzz/installer_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzReadDevices(data, size);
  return 0;
}
