// Fuzz target: lists of data files.
#include <algorithm>
#include <string_view>

#include "engine/jobs/data_file_search.hpp"
#include "fuzz/fuzz_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A listed folder is searched with its subfolders, by design; a list that could name one
  // outside its own scratch folder would walk this machine's disk instead of the reader.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (std::any_of(text.begin(), text.end(), [](char c) { return c == '/' || c == '\\'; }) ||
      text.find("..") != std::string_view::npos || text.find(':') != std::string_view::npos)
    return -1;
  FuzzStart(FuzzLayout::kLoaded);
  FuzzReadDataFileList(data, size);
  return 0;
}
