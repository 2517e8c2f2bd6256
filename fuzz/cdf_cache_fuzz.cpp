// Fuzz target: the chip description cache.
#include "engine/chip/layout_cache.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  FuzzReadCdfCache(data, size);
  return 0;
}
