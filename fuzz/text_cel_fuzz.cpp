// Fuzz target: text cell files, current and older.
#include "engine/array/cel_reader.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadTextCel(data, size);
  return 0;
}
