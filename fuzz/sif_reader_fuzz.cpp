// Fuzz target: the installer's SIF file reader.
#include "fuzz/fuzz_state.hpp"
#include "installer/steps/sif_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  quellbrook::FuzzReadSif(data, size);
  return 0;
}
