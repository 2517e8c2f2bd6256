// Fuzz target: the installer's part-number map.
#include "fuzz/fuzz_state.hpp"
#include "installer/framework/part_numbers.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  quellbrook::FuzzLoadPartNumbers(data, size);
  return 0;
}
