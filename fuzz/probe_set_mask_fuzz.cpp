// Fuzz target: probe set masks on a loaded chip.
#include "engine/chip/probe_set_mask.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzApplyProbeSetMask(data, size);
  return 0;
}
