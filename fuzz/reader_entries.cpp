#include "fuzz/reader_entries.hpp"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/base/fuzz_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/pgf_reader.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "genes/annotation/annotation_import.hpp"
#include "genes/annotation/go_graph.hpp"
#include "genes/compare/compare_criteria.hpp"
#include "genes/compare/compare_result_file.hpp"
#include "genes/lda/lda_result.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/info/reference_genotypes.hpp"
#include "genome/info/snp_block_data.hpp"
#include "genome/linkage/merlin_interface.hpp"
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

bool FuzzReadOntologyFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "process.ontology", [](const std::string& path) {
    GO_GRAPH graph;
    return graph.ReadGeneOntologyFile(path);
  });
}

namespace {

// One import of the CSV file at path into its own folder, as the dialog starts it.
bool ImportCsv(const std::string& path, int type) {
  ANNOT_IMPORT record;
  record.csvPath = path;
  record.type = type;
  if (!ReadCsvHeader(record)) return false;
  if (record.chipType.find_first_of("/\\") != std::string::npos || record.chipType == "." ||
      record.chipType == "..")
    return false;
  MakeInfoFileName(record);
  return MakeInformationFile(record);
}

}  // namespace

bool FuzzImportAnnotationCsv(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "annotation.csv", [](const std::string& path) {
    const bool geneInfo = ImportCsv(path, kGeneInfoFileType);
    return ImportCsv(path, kGenomeInfoFileType) && geneInfo;
  });
}

bool FuzzImportOrthologCsv(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "ortholog.csv", [](const std::string& path) {
    return ImportCsv(path, kCommonProbeSetFileType);
  });
}

bool FuzzReadLdaResultFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "lda.txt", [](const std::string& path) {
    InitLdaResult();
    TheGroup().Settings().LDA_FILE = path;
    ArrayListFileChosen = true;
    const bool read = ReadLdaResult(false);
    ArrayListFileChosen = false;
    return read;
  });
}

bool FuzzReadMerlinResult(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "merlin_result.txt", [](const std::string& path) {
    CHROMOSOME chro;
    if (!chro.Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                       TablesFor(kChroLinkage, true, false)))
      return false;
    return ReadMerlinResult(path, chro, ChromosomeMarkers(chro, 0));
  });
}

bool FuzzSnpBlockData(const std::uint8_t* data, std::size_t size) {
  Group& group = TheGroup();
  const std::size_t cells = Layout.cells.size();
  std::size_t at = 0;
  for (int a = 0; a < group.NumArrays(); ++a) {
    std::vector<std::uint16_t>& plane = group.Array(a).intensities;
    plane.assign(cells, 0);
    for (std::size_t c = 0; c < cells && at + 1 < size; ++c, at += 2)
      plane[c] = static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
  }
  SnpBlockData.PrepareBlocks();
  bool placed = false;
  for (int unit = 0; unit < Layout.unitCount; ++unit)
    if (SnpBlockData.FillBlocks(unit) && SnpBlockData.FitBlocks()) placed = true;
  return placed;
}
