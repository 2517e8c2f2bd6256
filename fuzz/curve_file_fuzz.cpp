// Fuzz target: curve files.
#include "fuzz/fuzz_state.hpp"
#include "genome/files/curve_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kGenome);
  FuzzReadCurveFile(data, size);
  return 0;
}
