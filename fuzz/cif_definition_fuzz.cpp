// Fuzz target: the CIF converter's definition INIs.
#include "fuzz/installer_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzConvertCifDefinition(data, size);
  return 0;
}
