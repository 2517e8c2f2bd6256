// Fuzz target: sample classification (LDA/PCA) result files.
#include "fuzz/fuzz_state.hpp"
#include "fuzz/reader_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kGenome);
  FuzzReadLdaResultFile(data, size);
  return 0;
}
