// Fuzz target: genotype call files.
#include "engine/array/chip_data.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadGenotypeCallFile(data, size);
  return 0;
}
