// Fuzz target: gene lists.
#include "engine/group/gene_list.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadGeneList(data, size);
  return 0;
}
