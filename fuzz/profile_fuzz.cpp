// Fuzz target: INI files.
#include "fuzz/fuzz_state.hpp"
#include "platform/profile.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  platform::FuzzReadProfile(data, size);
  return 0;
}
