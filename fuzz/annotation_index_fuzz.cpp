// Fuzz target: annotation indexes.
#include "fuzz/fuzz_state.hpp"
#include "genes/info/term_table.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadAnnotationIndex(data, size);
  return 0;
}
