// Fuzz target: reference genotype files.
#include "fuzz/fuzz_state.hpp"
#include "fuzz/reader_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadRefGenotypeFile(data, size);
  return 0;
}
