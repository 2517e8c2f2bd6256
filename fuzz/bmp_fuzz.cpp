// Fuzz target: BMP images.
#include "fuzz/fuzz_state.hpp"
#include "platform/bmp_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  platform::FuzzReadBmpFile(data, size);
  return 0;
}
