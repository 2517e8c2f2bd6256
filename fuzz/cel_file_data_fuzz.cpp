// Fuzz target: cell files read through the file-data object.
#include "engine/array/cel_file_data.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzCelFileData(data, size);
  return 0;
}
