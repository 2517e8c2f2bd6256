// Fuzz target: assay protocol and template files, copied line by line.
#include "fuzz/installer_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzCopyDataLines(data, size);
  return 0;
}
