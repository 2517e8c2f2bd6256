// Fuzz target: a SNP's mini-blocks from held intensities.
#include "fuzz/fuzz_state.hpp"
#include "fuzz/reader_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kGenome);
  FuzzSnpBlockData(data, size);
  return 0;
}
