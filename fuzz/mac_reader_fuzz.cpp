// Fuzz target: the installer's MAC file reader.
#include "fuzz/fuzz_state.hpp"
#include "installer/steps/mac_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  quellbrook::FuzzReadMac(data, size);
  return 0;
}
