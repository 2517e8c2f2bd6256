// Fuzz target: array list files.
#include "engine/group/sample_grouping.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadArrayListFile(data, size);
  return 0;
}
