// Fuzz target: PSI files.
#include "engine/model/psi_file.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadPsiFile(data, size);
  return 0;
}
