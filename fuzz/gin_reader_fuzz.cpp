// Fuzz target: the installer's GIN file reader.
#include "fuzz/fuzz_state.hpp"
#include "installer/steps/gin_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  quellbrook::FuzzReadGin(data, size);
  return 0;
}
