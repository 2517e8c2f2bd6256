// Fuzz target: probe tab files on a loaded chip.
#include "engine/chip/probe_tab_reader.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadProbeTabFile(data, size);
  return 0;
}
