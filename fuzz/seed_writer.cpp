// zelko-fuzz-seeds FOLDER: writes the seeds of the fuzz targets whose files no generator
// command writes, as FOLDER/<target>-<what>: the installer's, made by the library
// generator, and the chromosome files, written by their own writers from made-up values
// on the fuzz state's genome.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "fuzz/fuzz_state.hpp"
#include "fuzz/installer_entries.hpp"
#include "fuzz/installer_state.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/files/curve_file.hpp"
#include "installer/steps/gin_reader.hpp"
#include "installer/steps/mac_reader.hpp"
#include "installer/steps/sif_reader.hpp"
#include "platform/byte_reader.hpp"
#include "platform/path.hpp"
#include "tools/libgen/assay_files.hpp"
#include "tools/libgen/controls_file.hpp"
#include "tools/libgen/gin_file.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/mac_file.hpp"
#include "tools/libgen/registry_file.hpp"
#include "tools/libgen/sif_file.hpp"
#include "tools/libgen/template_files.hpp"

namespace {

using Entry = std::function<bool(const std::uint8_t*, std::size_t)>;

// A seed and the entry that must read it whole (none for a seed made to be refused).
struct Seed {
  std::string name;
  std::string text;
  Entry entry;
};

// A seed its entry does not read whole would only start the fuzzer off a refusal: that
// tells the seed, or the fixture it needs, went wrong.
bool Check(const Seed& seed) {
  if (!seed.entry ||
      seed.entry(reinterpret_cast<const std::uint8_t*>(seed.text.data()), seed.text.size()))
    return true;
  std::fprintf(stderr, "zelko-fuzz-seeds: %s is not read whole by its reader\n", seed.name.c_str());
  return false;
}

bool WriteSeed(const std::string& folder, const Seed& seed) {
  if (!Check(seed)) return false;
  if (libgen::WriteTextFile(platform::JoinPath(folder, seed.name), seed.text)) return true;
  std::fprintf(stderr, "zelko-fuzz-seeds: cannot write %s\n", seed.name.c_str());
  return false;
}

float Made(int unit, int sample) {
  return (unit + sample) % 7 == 0 ? kMissingValueFloat
                                  : static_cast<float>((unit * 5 + sample * 3) % 11) * 0.5f;
}

// The curve file and the inferred copy number export of made-up values on the genome
// layout's markers and samples.
bool WriteChromosomeSeeds(const std::string& folder) {
  FuzzStart(FuzzLayout::kGenome);
  const int units = Layout.unitCount;
  const int samples = SampleGrouping.SampleCount();
  CHROMOSOME curve;
  if (!curve.Allocate(samples, units, TablesFor(kChroLinkage, true, false))) return false;
  curve.dataType = kDataCall;
  for (int u = 0; u < units; ++u)
    curve.markerStats[static_cast<std::size_t>(u)].summary[kDataCall] = Made(u, 0);
  CHROMOSOME copies;
  copies.method = kChroCopyNumber;
  copies.dataType = kDataCopyNumber;
  if (!copies.Allocate(samples, units, TablesFor(kChroCopyNumber, true, false)) ||
      !copies.SetCopyLayout(false, 1.0f))
    return false;
  for (int u = 0; u < units; ++u)
    for (int s = 0; s < samples; ++s) {
      copies.signal.Row(s)[u] = 20.0f + Made(u, s);
      copies.inferred.Row(s)[u] = Made(u, s);
    }
  copies.displayInferred = true;
  // Regions over the generator's chromosomes, one past the end of its chromosome.
  const std::string regions = std::string(kRegionFileHeader) +
                              "\n1\t0\t1000000\tFirst\n2\t500000\t1500000\tSecond\n"
                              "X\t0\t800000\tX whole\n3\t900000\t2000000\tPast the end\n";
  // Each writer's file, read back as the seed's text.
  const std::string scratch = platform::JoinPath(folder, "chromosome.tmp");
  const auto written = [&scratch](bool wrote) {
    const auto bytes = wrote ? platform::ReadWholeFile(scratch) : std::nullopt;
    std::remove(scratch.c_str());
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
  };
  const std::string scores = written(WriteCurveFile(curve, scratch));
  const std::string exported = written(ExportData(copies, scratch));
  // The readers see the genome layout as the targets set it up.
  const auto genome = [](bool (*entry)(const std::uint8_t*, std::size_t)) {
    return Entry([entry](const std::uint8_t* data, std::size_t size) {
      FuzzStart(FuzzLayout::kGenome);
      return entry(data, size);
    });
  };
  return WriteSeed(folder, {"region_file_fuzz-regions", regions, genome(FuzzReadRegionFile)}) &&
         WriteSeed(folder, {"curve_file_fuzz-scores", scores, genome(FuzzReadCurveFile)}) &&
         WriteSeed(folder,
                   {"inferred_copy_file_fuzz-export", exported, genome(FuzzReadInferredCopyFile)});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zelko-fuzz-seeds FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const libgen::LibrarySpec library = libgen::StandardLibrary();
  libgen::GinFile olderGin = libgen::StandardGin(3, 12, 2);
  olderGin.version = 1;
  const auto counted = [](std::size_t (*entry)(const std::uint8_t*, std::size_t)) {
    return Entry(
        [entry](const std::uint8_t* data, std::size_t size) { return entry(data, size) > 0; });
  };
  const std::vector<Seed> seeds = {
      {"gin_reader_fuzz-v2", libgen::GinText(libgen::StandardGin(6, 40, 1)),
       counted(quellbrook::FuzzReadGin)},
      {"gin_reader_fuzz-v1", libgen::GinText(olderGin), counted(quellbrook::FuzzReadGin)},
      {"mac_reader_fuzz-standard", libgen::MacText(libgen::StandardMac()),
       counted(quellbrook::FuzzReadMac)},
      {"sif_reader_fuzz-standard", libgen::SifText(libgen::StandardSif(5, 1)),
       counted(quellbrook::FuzzReadSif)},
      {"cif_file_fuzz-fixture", FixtureCifText(), FuzzConvertCif},
      {"cif_scanner_section_fuzz-fixture", FixtureCifText(), FuzzInsertScannerSection},
      {"cif_definition_fuzz-analysis", FixtureAnalysisText(), FuzzConvertCifDefinition},
      {"cif_definition_fuzz-scanner", FixtureScannerText(), FuzzConvertCifDefinition},
      {"data_line_copy_fuzz-assay", libgen::AssayProtocolText(libgen::StandardAssaySteps(), 2),
       FuzzCopyDataLines},
      {"data_line_copy_fuzz-template", libgen::TemplateText(libgen::StandardTemplateAttributes()),
       FuzzCopyDataLines},
      {"devices_file_fuzz-standard", libgen::DevicesIniText(library.devices), FuzzReadDevices},
      {"type_ini_fuzz-standard", libgen::TypeIniText(library.types), FuzzReadTypeIni},
      {"type_ini_fuzz-parts",
       libgen::IniText({{"TarnwellLibs", {{"ArraySet1", "Chip_A"}, {"ArraySet2", "Chip_B"}}},
                        {"Chip_A", {{"PartNumber", "900123"}, {"Path", "A\\Files"}}},
                        {"Chip_B", {{"PartNumber", "900456"}}}}),
       FuzzReadTypeIni},
      {"controls_ini_fuzz-standard", libgen::ControlsIniText(libgen::StandardControls()),
       FuzzReadControlsIni},
      {"registry_ini_fuzz-standard",
       libgen::RegistryIniText(2,
                               {{"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\C", "Mode", "REG_SZ", "x,y"},
                                {"HKEY_CURRENT_USER", "Software\\Lab", "", "REG_DWORD", "12"}}),
       FuzzReadRegistryIni},
      {"registry_ini_fuzz-refused",
       libgen::RegistryIniText(3, {{"HKEY_CLASSES_ROOT", ".chp", "Count", "REG_DWORD", "none"},
                                   {"HKEY_NOWHERE", "Software", "", "REG_SZ", "x"},
                                   {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\Never", "", "", "z"}}),
       nullptr},
  };
  for (const Seed& seed : seeds) {
    if (!WriteSeed(folder, seed)) return 1;
  }
  if (!WriteChromosomeSeeds(folder)) {
    std::fprintf(stderr, "zelko-fuzz-seeds: cannot write the chromosome files\n");
    return 1;
  }
  return 0;
}
