// Fuzz target: chromosome region files.
#include "fuzz/fuzz_state.hpp"
#include "genome/files/chromosome_region.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kGenome);
  FuzzReadRegionFile(data, size);
  return 0;
}
