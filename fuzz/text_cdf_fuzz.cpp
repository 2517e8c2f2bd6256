// Fuzz target: text chip descriptions.
#include "engine/chip/text_cdf_reader.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  FuzzReadTextCdf(data, size);
  return 0;
}
