// Fuzz target: scanner images.
#include "engine/array/dat_reader.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzExtractDat(data, size);
  return 0;
}
