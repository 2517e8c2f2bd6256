// Fuzz target: the library's array type INI.
#include "fuzz/installer_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzReadTypeIni(data, size);
  return 0;
}
