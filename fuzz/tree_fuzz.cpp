// Fuzz target: cluster tree files.
#include "fuzz/fuzz_state.hpp"
#include "genes/cluster/cluster_tree_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadTreeFile(data, size);
  return 0;
}
