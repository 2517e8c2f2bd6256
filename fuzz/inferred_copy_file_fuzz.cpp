// Fuzz target: inferred copy number files.
#include "fuzz/fuzz_state.hpp"
#include "genome/files/chromosome_export.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kGenome);
  FuzzReadInferredCopyFile(data, size);
  return 0;
}
