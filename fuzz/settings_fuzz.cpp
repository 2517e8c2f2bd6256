// Fuzz target: group settings files.
#include "engine/group/group_settings.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  FuzzReadSettingsFile(data, size);
  return 0;
}
