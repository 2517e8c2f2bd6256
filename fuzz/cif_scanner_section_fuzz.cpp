// Fuzz target: a scanner's section written into a CIF.
#include "fuzz/fuzz_state.hpp"
#include "fuzz/installer_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  FuzzInsertScannerSection(data, size);
  return 0;
}
