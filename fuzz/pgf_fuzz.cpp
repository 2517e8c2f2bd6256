// Fuzz target: probe group files.
#include "engine/chip/pgf_reader.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  FuzzReadPgfFile(data, size);
  return 0;
}
