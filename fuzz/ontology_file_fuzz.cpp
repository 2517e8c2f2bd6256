// Fuzz target: Gene Ontology files.
#include "fuzz/fuzz_state.hpp"
#include "fuzz/reader_entries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  FuzzReadOntologyFile(data, size);
  return 0;
}
