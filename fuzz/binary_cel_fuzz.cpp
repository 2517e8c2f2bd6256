// Fuzz target: binary cell files.
#include "engine/array/cel_reader.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadBinaryCel(data, size);
  return 0;
}
