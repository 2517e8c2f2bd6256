// Fuzz target: binary chip descriptions read through the file-data object.
#include "engine/chip/cdf_file_data.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  FuzzCdfFileData(data, size);
  return 0;
}
