#include "fuzz/reader_entries.hpp"

#include <string>
#include <string_view>

#include "engine/base/fuzz_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/pgf_reader.hpp"
#include "genes/compare/compare_criteria.hpp"
#include "genes/compare/compare_result_file.hpp"
#include "genome/info/reference_genotypes.hpp"
#include "platform/registry.hpp"

bool FuzzParseRegistry(const std::uint8_t* data, std::size_t size) {
  const platform::RegistryReading reading =
      platform::ParseRegistry(std::string_view(reinterpret_cast<const char*>(data), size));
  return reading.damagedLine == 0;
}

bool FuzzReadCompareResultFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "compare.txt", [](const std::string& path) {
    COMPARE_CRITERIA criteria;
    return ReadCompareResultFile(criteria, path, true);
  });
}

bool FuzzReadRefGenotypeFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "reference.txt", [](const std::string& path) {
    REFERENCE_GENOTYPES reference;
    return reference.ReadRefGenotypeFile(path.c_str());
  });
}

bool FuzzReadPgfWithoutCache(const std::uint8_t* data, std::size_t size) {
  const bool read = WithScratchFile(data, size, "fuzz.pgf", [](const std::string& path) {
    // Below the input file itself, which is no folder.
    Layout.cachePath = path + "/fuzz.pgf.bin";
    return ReadPgfFile(path);
  });
  // The table goes with the input that made it, so libFuzzer sees as many frees as
  // allocations (no second run to look for a leak) and the next input's restore has no
  // table to shrink.
  ClearLayout();
  return read;
}
