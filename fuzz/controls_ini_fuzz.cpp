// Fuzz target: the library's control sets.
#include "fuzz/installer_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzReadControlsIni(data, size);
  return 0;
}
