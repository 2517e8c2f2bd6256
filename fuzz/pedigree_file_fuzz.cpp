// Fuzz target: pedigree files, read and then prepared for the linkage run (parent links,
// generations, founders and meioses).
#include <string>

#include "fuzz/fuzz_state.hpp"
#include "genome/linkage/pedigree.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzStart(FuzzLayout::kEmpty);
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Array names of up to two characters stand for a sample, so persons come typed and not.
  const ArrayLookup lookup = [](const std::string& name) {
    return name.size() <= 2 ? static_cast<int>(name.size()) : -1;
  };
  Pedigree pedigree;
  if (pedigree.ReadText(text, "fuzz-pedigree.txt", lookup)) (void)pedigree.PrepareFounders();
  return 0;
}
