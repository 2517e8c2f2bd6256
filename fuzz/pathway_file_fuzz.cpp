// Fuzz target: pathway files.
#include "fuzz/fuzz_state.hpp"
#include "genes/pathway/pathway.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  FuzzReadPathwayFile(data, size);
  return 0;
}
