// Fuzz target: sample information files.
#include "engine/group/sample_info.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadSampleInfoFile(data, size);
  return 0;
}
