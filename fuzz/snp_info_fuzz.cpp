// Fuzz target: SNP information files.
#include "fuzz/fuzz_state.hpp"
#include "genome/info/snp_info.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadSnpInfo(data, size);
  return 0;
}
