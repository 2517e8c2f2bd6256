// Fuzz target: external data tables.
#include "engine/jobs/external_data.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadExternalData(data, size);
  return 0;
}
