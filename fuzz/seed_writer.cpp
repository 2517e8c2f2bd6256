// zelko-fuzz-seeds FOLDER: writes the seeds of the fuzz targets whose files no generator
// command writes, as FOLDER/<target>-<what>: the installer's, made by the library
// generator; the chromosome files, the array's QVF, PSI and layout cache files, trees,
// comparison lists, sample classifications, BMP pictures and the registry, written by the
// program's own writers from made-up values on the fuzz state's chips; the annotation,
// ortholog and ontology files of the generator and the tables the annotation import
// makes of them.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/layout_cache.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/jobs/external_data.hpp"
#include "engine/model/psi_file.hpp"
#include "fuzz/fuzz_state.hpp"
#include "fuzz/installer_entries.hpp"
#include "fuzz/installer_state.hpp"
#include "fuzz/made_arrays.hpp"
#include "fuzz/reader_entries.hpp"
#include "genes/annotation/annotation_import.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_tree.hpp"
#include "genes/cluster/cluster_tree_file.hpp"
#include "genes/compare/compare_criteria.hpp"
#include "genes/compare/compare_result_file.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/info/term_table.hpp"
#include "genes/lda/lda_result.hpp"
#include "genes/lda/lda_result_file.hpp"
#include "genes/pathway/pathway.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/files/curve_file.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/linkage/merlin_interface.hpp"
#include "installer/framework/part_numbers.hpp"
#include "installer/steps/gin_reader.hpp"
#include "installer/steps/mac_reader.hpp"
#include "installer/steps/sif_reader.hpp"
#include "platform/bmp_file.hpp"
#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/registry.hpp"
#include "scramble/tamsk.h"
#include "tools/libgen/assay_files.hpp"
#include "tools/libgen/controls_file.hpp"
#include "tools/libgen/gin_file.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/mac_file.hpp"
#include "tools/libgen/registry_file.hpp"
#include "tools/libgen/sif_file.hpp"
#include "tools/libgen/template_files.hpp"
#include "tools/synth/annotation_data.hpp"
#include "tools/synth/array_model.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/genome_reference.hpp"
#include "tools/synth/ontology_data.hpp"

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

// The file a writer left at path, as a seed's text (empty when it wrote none); the file
// goes.
std::string TakeFile(const std::string& path, bool wrote) {
  const auto bytes = wrote ? platform::ReadWholeFile(path) : std::nullopt;
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// An entry that starts from the fuzz state its target starts from.
Entry From(FuzzLayout layout, bool (*entry)(const std::uint8_t*, std::size_t)) {
  return Entry([layout, entry](const std::uint8_t* data, std::size_t size) {
    FuzzStart(layout);
    return entry(data, size);
  });
}

bool WriteSeeds(const std::string& folder, const std::vector<Seed>& seeds) {
  for (const Seed& seed : seeds)
    if (!WriteSeed(folder, seed)) return false;
  return true;
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
    curve.markerStats[static_cast<std::size_t>(u)].summary[kDataCall] = MadeValue(u, 0);
  CHROMOSOME copies;
  copies.method = kChroCopyNumber;
  copies.dataType = kDataCopyNumber;
  if (!copies.Allocate(samples, units, TablesFor(kChroCopyNumber, true, false)) ||
      !copies.SetCopyLayout(false, 1.0f))
    return false;
  for (int u = 0; u < units; ++u)
    for (int s = 0; s < samples; ++s) {
      copies.signal.Row(s)[u] = 20.0f + MadeValue(u, s);
      copies.inferred.Row(s)[u] = MadeValue(u, s);
    }
  copies.displayInferred = true;
  // Regions over the generator's chromosomes, one past the end of its chromosome.
  const std::string regions = std::string(kRegionFileHeader) +
                              "\n1\t0\t1000000\tFirst\n2\t500000\t1500000\tSecond\n"
                              "X\t0\t800000\tX whole\n3\t900000\t2000000\tPast the end\n";
  // Each writer's file, read back as the seed's text.
  const std::string scratch = platform::JoinPath(folder, "chromosome.tmp");
  const std::string scores = TakeFile(scratch, WriteCurveFile(curve, scratch));
  const std::string exported = TakeFile(scratch, ExportData(copies, scratch));
  constexpr FuzzLayout genome = FuzzLayout::kGenome;
  return WriteSeeds(
      folder,
      {{"region_file_fuzz-regions", regions, From(genome, FuzzReadRegionFile)},
       {"curve_file_fuzz-scores", scores, From(genome, FuzzReadCurveFile)},
       {"inferred_copy_file_fuzz-export", exported, From(genome, FuzzReadInferredCopyFile)}});
}

// The names of the loaded layout's probe sets.
std::vector<std::string> UnitNames() {
  std::vector<std::string> names;
  for (int u = 0; u < Layout.unitCount; ++u)
    names.emplace_back(Layout.units[static_cast<std::size_t>(u)].Name());
  return names;
}

// Leaves of a small tree named as the tree target names them: genes g0..g2 of two
// values, samples s0 and s1, clustered as the analysis clusters them.
std::string TreeFileText(const std::string& scratch) {
  auto genes = CLUSTER::Create(3, 2, false);
  auto samples = CLUSTER::Create(2, 3, true);
  if (!genes || !samples) return {};
  for (int g = 0; g < 3; ++g) {
    CLUSTER_NODE& leaf = genes->Node(g);
    leaf.item = g;
    for (int j = 0; j < 2; ++j) {
      const auto k = static_cast<std::size_t>(j);
      leaf.profile[k] = MadeValue(g, j) - 2.0;
      leaf.values[k] = static_cast<float>(leaf.profile[k]);
      leaf.errors[k] = 0.125f;
    }
  }
  for (int j = 0; j < 2; ++j) samples->Node(j).item = j;
  genes->options.clusterGenes = true;
  genes->options.clusterSamples = true;
  if (!ClusterTrees(*genes, samples.get())) return {};
  TreeFileNames names;
  names.geneName = [](int item) { return "g" + std::to_string(item); };
  names.sampleName = [](int sample) { return "s" + std::to_string(sample); };
  return TakeFile(scratch, WriteTreeFile(scratch, *genes, samples.get(), names));
}

// Two comparisons, the second with every test on, as the comparison pages keep them.
std::string CompareListText() {
  COMPARE_CRITERIA criteria;
  criteria.working.baseline = {0, 1};
  criteria.working.experiment = {2, 3};
  if (!criteria.InsertComparison(0, kCombineAnd, false)) return {};
  criteria.working.baseline = {2};
  criteria.working.experiment = {0, 3};
  criteria.working.usePcall = criteria.working.usePvalue = criteria.working.usePaired = 1;
  criteria.working.useLowerBound = 0;
  if (!criteria.InsertComparison(1, kCombineOr, false)) return {};
  std::string text;
  AppendCriteriaBlock(text, criteria);
  return text;
}

// The loaded layout's files: its QVF files, PSI file and layout cache, a gene list, an
// external data table, a tree file, a comparison list and reference genotypes.
bool WriteArraySeeds(const std::string& folder) {
  FuzzStart(FuzzLayout::kLoaded);
  const std::string scratch = platform::JoinPath(folder, "array.tmp");
  const std::string cel = platform::JoinPath(folder, "array.CEL");
  CHIP_DATA opened = MadeArray(cel, false);
  const std::string qvf = TakeFile(opened.QvfPath(), opened.WriteQvf());
  CHIP_DATA normalised = MadeArray(cel, true);
  const std::string normalisedQvf = TakeFile(normalised.QvfPath(), normalised.WriteQvf());
  PSI_FILE psi;
  const std::string psiFile = TakeFile(scratch, psi.AllocPsiPlanes() && psi.WritePsiFile(scratch));
  Layout.cachePath = scratch;
  const std::string cache = TakeFile(scratch, SaveCdfCache());

  const std::vector<std::string> names = UnitNames();
  std::string list = "Probe set\tGene\n";
  std::string treeList = "TREE_FILE\tx\n";
  std::string table = "Probe";
  for (int a = 0; a < 3; ++a) table += "\tA" + std::to_string(a + 1);
  table += "\n";
  for (std::size_t u = 0; u < names.size(); ++u) {
    list += names[u] + "\tgene " + std::to_string(u) + "\n";
    treeList += names[u] + (u == 3 ? "\nSUPER_GENE\t3\n" : "\n");
    table += names[u];
    for (int a = 0; a < 3; ++a)
      table += "\t" + std::to_string(MadeValue(static_cast<int>(u), a) * 40);
    table += "\n";
  }
  synth::ReferenceGenotypeOptions reference;
  reference.samples = 4;
  const std::string genotypes = TakeFile(
      scratch,
      synth::WriteReferenceGenotypes(synth::MakeReferenceGenotypes(names, reference), scratch));
  const std::string tree = TreeFileText(scratch);
  constexpr FuzzLayout loaded = FuzzLayout::kLoaded;

  // The genome layout's cache too: SNP probe sets of four pairs.
  FuzzStart(FuzzLayout::kGenome);
  Layout.cachePath = scratch;
  const std::string snpCache = TakeFile(scratch, SaveCdfCache());
  constexpr FuzzLayout empty = FuzzLayout::kEmpty;
  return WriteSeeds(
      folder,
      {{"qvf_fuzz-opened", qvf, From(loaded, FuzzReadExisting)},
       {"qvf_fuzz-normalised", normalisedQvf, From(loaded, FuzzReadExisting)},
       {"psi_fuzz-planes", psiFile, From(loaded, FuzzReadPsiFile)},
       {"cdf_cache_fuzz-expression", cache, From(empty, FuzzReadCdfCache)},
       {"cdf_cache_fuzz-snp", snpCache, From(empty, FuzzReadCdfCache)},
       {"gene_list_fuzz-names", list, From(loaded, FuzzReadGeneList)},
       {"gene_list_fuzz-tree", treeList, From(loaded, FuzzReadGeneList)},
       {"external_data_fuzz-values", table, From(loaded, FuzzReadExternalData)},
       {"ref_genotype_fuzz-reference", genotypes, From(loaded, FuzzReadRefGenotypeFile)},
       {"tree_fuzz-clustered", tree, From(loaded, FuzzReadTreeFile)},
       {"compare_result_fuzz-list", CompareListText(), From(loaded, FuzzReadCompareResultFile)}});
}

// The generator's ontology, annotation CSV and ortholog CSV files for the loaded layout's
// probe sets, and what the import makes of the annotation: the gene information file and
// its two term frequency tables.
bool WriteAnnotationSeeds(const std::string& folder) {
  FuzzStart(FuzzLayout::kLoaded);
  const std::string work = platform::JoinPath(folder, "annotation.tmp");
  std::error_code ignored;
  std::filesystem::create_directories(work, ignored);
  synth::OntologyOptions ontologyOptions;
  ontologyOptions.terms = 60;
  ontologyOptions.deepBranch = 22;
  const synth::OntologyTruth ontology = synth::MakeOntology(ontologyOptions);
  if (!synth::WriteOntologyFiles(ontology, work, ".ontology")) return false;
  std::vector<synth::AnnotationTerm> terms;
  for (const synth::OntologyTerm& term : ontology.terms) terms.push_back({term.idText, term.name});
  synth::AnnotationOptions options;
  options.minGoTerms = 1;
  options.domains = 8;
  const synth::AnnotationTruth annotation = synth::MakeAnnotation(UnitNames(), terms, options);
  synth::OrthologOptions orthologs;
  orthologs.otherChipType = ANNOT_IMPORT{}.otherArrayType;
  const std::string orthologText = synth::MakeOrthologs(UnitNames(), orthologs).text;

  ANNOT_IMPORT record;
  record.csvPath = platform::JoinPath(work, "annotation.csv");
  record.ontologyPath = platform::JoinPath(work, "process.ontology");
  if (!synth::WriteTextFile(record.csvPath, annotation.text) || !ReadCsvHeader(record))
    return false;
  MakeInfoFileName(record);
  if (!MakeInformationFile(record)) return false;
  const auto taken = [](const std::string& path) { return TakeFile(path, true); };
  // Its term columns name their tables, which the gene information target has not beside
  // the scratch file: the seed names the columns alone.
  std::string geneInfo = taken(record.outputPath);
  for (const char* table : {"Gene Ontology.xls", "Protein Domain.xls"})
    if (const std::size_t at = geneInfo.find(table); at != std::string::npos)
      geneInfo.erase(at + std::string_view(table).size() - 4, 4);
  const std::string goTable = taken(ChangeExtension(record.outputPath, " Gene Ontology.xls"));
  const std::string domainTable = taken(ChangeExtension(record.outputPath, " Protein Domain.xls"));
  std::vector<Seed> seeds = {
      {"annotation_csv_fuzz-generated", annotation.text,
       From(FuzzLayout::kEmpty, FuzzImportAnnotationCsv)},
      {"ortholog_csv_fuzz-generated", orthologText,
       From(FuzzLayout::kEmpty, FuzzImportOrthologCsv)},
      {"gene_info_fuzz-imported", geneInfo, From(FuzzLayout::kLoaded, FuzzReadGeneInfoFile)},
      {"annotation_index_fuzz-ontology", goTable,
       From(FuzzLayout::kLoaded, FuzzReadAnnotationIndex)},
      {"annotation_index_fuzz-domains", domainTable,
       From(FuzzLayout::kLoaded, FuzzReadAnnotationIndex)}};
  for (const char* kind : {"process", "function", "component"})
    seeds.push_back({std::string("ontology_file_fuzz-") + kind,
                     taken(platform::JoinPath(work, std::string(kind) + ".ontology")),
                     From(FuzzLayout::kEmpty, FuzzReadOntologyFile)});
  std::filesystem::remove_all(work, ignored);
  return WriteSeeds(folder, seeds);
}

// A sample classification of the genome state's three samples (the header file a run
// writes first, and the full one), its first chromosome's MERLIN output as the linkage
// program lays it out, and held intensities of the SNP chip's arrays.
bool WriteGenomeSeeds(const std::string& folder) {
  FuzzStart(FuzzLayout::kGenome);
  InitLdaResult();
  TheGroup().Settings().GENE_LIST_FILE = "/lists/genes.txt";
  if (!AssignClass(0, "1,3") || !AssignClass(1, "2")) return false;
  const std::string header = LdaResultFileText(false);
  const std::string full = LdaResultFileText(true);

  CHROMOSOME chro;
  if (!chro.Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                     TablesFor(kChroLinkage, true, false)))
    return false;
  std::string merlin =
      "MERLIN 1.1\nAnalysing ...\nPhenotype: disease [ALL], 3 persons\n"
      "==================================================\n"
      "       POSITION  Zmean  pvalue   delta    LOD  pvalue\n"
      "--------------------------------------------------\n\n";
  int k = 0;
  for (const int unit : ChromosomeMarkers(chro, 0)) {
    merlin += std::string(Layout.units[static_cast<std::size_t>(unit)].Name()) + " " +
              std::to_string(MadeValue(unit, 0) - 1.5f) + " 0.2 0.1 0.3 0.4\n";
    if (++k % 5 == 0)
      merlin +=
          std::string(Layout.units[static_cast<std::size_t>(unit)].Name()) + " na na na na na\n";
  }

  // The probe intensities the generator gives each array of the SNP chip.
  synth::ChipOptions chipOptions;
  chipOptions.kind = synth::ChipKind::kSnp2;
  const auto chip = synth::MakeChip(chipOptions);
  if (!chip) return false;
  std::string intensities;
  for (int a = 0; a < SampleGrouping.SampleCount(); ++a) {
    synth::ArrayOptions arrayOptions;
    arrayOptions.seed = static_cast<std::uint64_t>(a + 1);
    const auto array = synth::MakeArray(*chip, arrayOptions);
    if (!array) return false;
    for (const synth::CellTruth& cell : array->cells) {
      const std::uint16_t value = synth::ExpectedIntensity(cell);
      intensities += static_cast<char>(value & 0xFF);
      intensities += static_cast<char>(value >> 8);
    }
  }
  constexpr FuzzLayout genome = FuzzLayout::kGenome;
  return WriteSeeds(folder,
                    {{"lda_result_fuzz-header", header, From(genome, FuzzReadLdaResultFile)},
                     {"lda_result_fuzz-full", full, From(genome, FuzzReadLdaResultFile)},
                     {"merlin_result_fuzz-scores", merlin, From(genome, FuzzReadMerlinResult)},
                     {"snp_block_data_fuzz-arrays", intensities, From(genome, FuzzSnpBlockData)}});
}

// A pathway as the editor leaves it: named genes and a placeholder, arrows of the three
// interactions with their lags.
bool WritePathwaySeeds(const std::string& folder) {
  FuzzStart(FuzzLayout::kEmpty);
  ClearPathway();
  for (int k = 0; k < 4; ++k)
    if (!AddNode()) return false;
  SetNodeName(0, "GENE1");
  SetNodeName(1, "Unknown");
  SetNodeName(2, "gene three");
  SetNodeName(3, "ps_4");
  if (!EditArrow(0, 1, 1, true, kActivation) || !EditArrow(1, 2, 0, true, kInhibition) ||
      !EditArrow(2, 3, 2, true, kBinding) || !EditArrow(3, 0, 0, true, kActivation))
    return false;
  const std::string scratch = platform::JoinPath(folder, "pathway.tmp");
  const std::string text = TakeFile(scratch, WritePathwayFile(scratch));
  ClearPathway();
  return WriteSeed(folder, {"pathway_file_fuzz-edited", text, FuzzReadPathwayFile});
}

// BMP pictures: the program's own 24-bit files, and the palette, 16- and 32-bit forms
// its reader takes from other programs.
std::string BmpOfBits(int width, int height, unsigned bits) {
  const std::uint32_t colours = bits <= 8 ? (1u << bits) : 0;
  const std::uint64_t row = platform::DibRowBytes(static_cast<std::uint64_t>(width), bits);
  const auto pixelOffset = static_cast<std::uint32_t>(54 + colours * 4);
  platform::ByteWriter file;
  file.WriteText("BM");
  file.WriteUInt32(
      static_cast<std::uint32_t>(pixelOffset + row * static_cast<std::uint64_t>(height)));
  file.WriteUInt32(0);
  file.WriteUInt32(pixelOffset);
  file.WriteUInt32(40);
  file.WriteInt32(width);
  file.WriteInt32(height);
  file.WriteUInt16(1);
  file.WriteUInt16(static_cast<std::uint16_t>(bits));
  file.WriteUInt32(platform::kDibCompressionNone);
  file.WriteZeros(12);
  file.WriteUInt32(colours);
  file.WriteUInt32(0);
  for (std::uint32_t c = 0; c < colours; ++c) file.WriteUInt32(c * 0x010305u);
  for (std::uint64_t i = 0; i < row * static_cast<std::uint64_t>(height); ++i)
    file.WriteUInt8(static_cast<std::uint8_t>(i * 29 + i / 7));
  const std::vector<std::uint8_t>& bytes = file.Bytes();
  return std::string(bytes.begin(), bytes.end());
}

std::string ProgramBmp(int width, int height) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width * height * 3));
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 13);
  const auto block = platform::MakeDibBlock(width, height, rgb);
  if (!block) return {};
  const std::vector<std::uint8_t> bytes = platform::BmpFileBytes(*block);
  return std::string(bytes.begin(), bytes.end());
}

// A registry as the program and the installer leave it: keys under two roots, texts,
// numbers and default values.
std::string RegistryText() {
  platform::RegistryStore store;
  const char* program = "Software\\Quenlith (Zelko)\\Zelko";
  if (!store.SetString(platform::kHkeyCurrentUser, std::string(program) + "\\Recent File List",
                       "File1", "/data/tumours.ini") ||
      !store.SetNumber(platform::kHkeyCurrentUser, std::string(program) + "\\Settings", "Page",
                       3) ||
      !store.SetString(platform::kHkeyLocalMachine, "SOFTWARE\\Lab\\Library", "", "/opt/lib") ||
      !store.SetString(platform::kHkeyLocalMachine, "SOFTWARE\\Lab\\Library", "Path", "C:\\Lib"))
    return {};
  return store.ToText();
}

// The part-number map the library ships: a count, then each array type's scrambled name
// and its part number.
std::string PartNumbersBinary() {
  const std::vector<std::pair<std::string, std::int32_t>> parts = {
      {"Chip_A", 900123}, {"ZK_Test_1", 900456}, {"zk mouse 1", -7}, {"", 1}};
  platform::ByteWriter file;
  file.WriteUInt32(static_cast<std::uint32_t>(parts.size()));
  for (const auto& [name, number] : parts) {
    std::string scrambled = name;
    EncryptText(scrambled.data());
    file.WriteInt32(static_cast<std::int32_t>(scrambled.size()));
    file.WriteText(scrambled);
    file.WriteInt32(number);
  }
  const std::vector<std::uint8_t>& bytes = file.Bytes();
  return std::string(bytes.begin(), bytes.end());
}

bool WritePlatformSeeds(const std::string& folder) {
  const auto counted = [](std::size_t (*entry)(const std::uint8_t*, std::size_t)) {
    return Entry(
        [entry](const std::uint8_t* data, std::size_t size) { return entry(data, size) > 0; });
  };
  std::vector<Seed> seeds = {
      {"bmp_fuzz-program", ProgramBmp(5, 3), platform::FuzzReadBmpFile},
      {"bmp_fuzz-program-wide", ProgramBmp(17, 2), platform::FuzzReadBmpFile},
      {"registry_fuzz-program", RegistryText(), FuzzParseRegistry},
      {"part_numbers_fuzz-library", PartNumbersBinary(), counted(quellbrook::FuzzLoadPartNumbers)}};
  for (const unsigned bits : {1u, 4u, 8u, 16u, 32u})
    seeds.push_back(
        {"bmp_fuzz-bits" + std::to_string(bits), BmpOfBits(7, 3, bits), platform::FuzzReadBmpFile});
  return WriteSeeds(folder, seeds);
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
  if (!WriteSeeds(folder, seeds)) return 1;
  const std::vector<std::pair<const char*, bool (*)(const std::string&)>> groups = {
      {"the chromosome files", WriteChromosomeSeeds},
      {"the array files", WriteArraySeeds},
      {"the annotation files", WriteAnnotationSeeds},
      {"the genome analysis files", WriteGenomeSeeds},
      {"the pathway", WritePathwaySeeds},
      {"the pictures and the registry", WritePlatformSeeds}};
  for (const auto& [what, write] : groups)
    if (!write(folder)) {
      std::fprintf(stderr, "zelko-fuzz-seeds: cannot write %s\n", what);
      return 1;
    }
  return 0;
}
