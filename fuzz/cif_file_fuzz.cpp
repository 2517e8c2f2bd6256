// Fuzz target: array types' CIF files.
#include "fuzz/installer_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzConvertCif(data, size);
  return 0;
}
