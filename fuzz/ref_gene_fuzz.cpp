// Fuzz target: refGene transcript tables.
#include "fuzz/fuzz_state.hpp"
#include "genome/info/genome_info.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadRefGene(data, size);
  return 0;
}
