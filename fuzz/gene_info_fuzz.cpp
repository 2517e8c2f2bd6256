// Fuzz target: gene information files.
#include "fuzz/fuzz_state.hpp"
#include "genes/info/gene_info.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadGeneInfoFile(data, size);
  return 0;
}
