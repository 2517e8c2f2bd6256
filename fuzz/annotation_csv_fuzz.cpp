// Fuzz target: annotation CSV files, imported as gene and genome information.
#include "fuzz/fuzz_state.hpp"
#include "fuzz/reader_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  FuzzImportAnnotationCsv(data, size);
  return 0;
}
