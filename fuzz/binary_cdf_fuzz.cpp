// Fuzz target: binary chip descriptions.
#include "engine/chip/binary_cdf_reader.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  FuzzExtractBinaryCDF(data, size);
  return 0;
}
