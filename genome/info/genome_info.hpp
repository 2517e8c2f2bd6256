// Where things lie on the chromosomes of one species: the units of the open array type
// (from the genome information file) or the refGene transcripts (from a refGene file),
// with an optional cytoband table, per-chromosome position lists sorted once per
// gathering, and the lookups the chromosome and genome views make.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int MAX_CHRO_NUM = 60;
inline constexpr int MAX_REFGENE_NUM = 26000;
inline constexpr int kMaxCytobands = 900;
// Band names and stains, and the text of a unit, hold at most 19 characters.
inline constexpr int kGenomeTextSize = 20;
// Longest line of the genome information file.
inline constexpr std::size_t kGenomeInfoLineLength = 999;
// Lines of the refGene and cytoband files.
inline constexpr std::size_t kRefGeneLineLength = 1999;
// Unknown units a genome information file may name before the read stops.
inline constexpr int kMaxUnknownGenomeUnits = 500;
inline constexpr int kGenomeProgressStep = 50;
inline constexpr int kRefGeneProgressStep = 400;
// Probabilities read from files or counted from genotypes stay this far from 0 and 1.
inline constexpr float kProbabilityFloor = 0.001f;

// The words in a file path that mark an expression array type of another species
// (searched in the upper-cased path), and the word of mouse refGene file names.
inline constexpr std::string_view kFlyChipWord = "ZFLY";
inline constexpr std::string_view kYeastChipWord = "ZYST";
inline constexpr std::string_view kMouseChipWord = "ZMUS";
inline constexpr std::string_view kRatChipWord = "ZRAT";

inline constexpr const char* kNotGenomeInfoFileMessage =
    "    Not a genome information file or not saved in tab-delimited text format; file name "
    "should contain 'genome'; header line is: '";
inline constexpr const char* kGenomeInfoAllocationMessage =
    "  Memory allocation for genome information failed";
inline constexpr const char* kUnknownGenomeUnitsMessage =
    "    500 probe sets in the genome info file were not found in the array, stopped reading "
    "the file; or try checking 'Tools/Options/Analysis/Allow info file to have unknown probe "
    "sets'";
inline constexpr const char* kTooManyChromosomesMessage = "    NumChro >= MAX_CHRO_NUM at ";
inline constexpr const char* kGenomeUserStoppedMessage = "    User stopped";
inline constexpr const char* kTooFewGenomeUnitsMessage =
    "    Found genome information for fewer than 1/4 probe set; probably wrong genome "
    "information file for this chip type?";
inline constexpr const char* kNonFiniteGenomeMessage =
    "    %d probe sets have a position, genetic position or rate that is not a finite number; "
    "it is taken as missing";
inline constexpr const char* kNonFiniteRefGeneMessage =
    "    %d refGene rows have a start or end that is not a finite number; it is taken as "
    "missing";
inline constexpr const char* kRefGeneAllocationMessage = "  Allocating error in REFGENE:ReadFile";
inline constexpr const char* kWrongRefGeneMessage = "    Wrong refgene file with header line: ";
inline constexpr const char* kRefGeneLimitMessage = "    MAX_REFGENE_NUM limit reached";
inline constexpr const char* kRefGeneChromosomeMessage =
    "    Chromosome index of refGene row is beyond the chromosome limit: ";
inline constexpr const char* kCytobandAllocationMessage = "    Memory allocation failed";
inline constexpr const char* kWrongCytobandMessage = "    Wrong file with first line: ";
inline constexpr const char* kCytobandChromosomeMessage =
    "    Error in recognizing chromosome number";
inline constexpr const char* kCytobandLimitMessage =
    "    More than 900 cytobands in the file; not read";
inline constexpr const char* kCytobandOrderMessage =
    "    Cytobands are not listed chromosome by chromosome in chromosome order";
inline constexpr const char* kNoPositionsMessage = "  No marker or refGene info exists";
inline constexpr const char* kPositionAllocationMessage =
    "    Error: allocation failed in GetUnitPos()";
inline constexpr const char* kInconsistentCountMessage =
    "    ChroGeneNum inconsistent in GetUnitPos(); Is the array list file for this array type?";

enum Species { kHuman = 0, kMouse = 1, kFly = 2, kYeast = 3, kRat = 4 };

// One unit of the open array type.
struct UNIT_POS {
  std::int16_t chro = -1;  // -1: not mapped
  float pos = -1;          // bp; -1 when missing
  // End of the probe set's gene (bp) on expression arrays; genetic position (cM) on SNP
  // arrays. -1 when missing.
  float second = -1;
  char strand = ' ';
  char text[kGenomeTextSize] = {};  // cytoband of a probe set, dbSNP identifier of a SNP
  // Heterozygosity rate, then the chances that the next SNP is homozygous after a
  // homozygous one and heterozygous after a heterozygous one; -1 when missing.
  std::array<float, 3> rate{-1, -1, -1};
  std::array<int, 4> box{};  // where the genome view drew it: left, top, right, bottom
  std::uint32_t colour = 0;
  int order = 0;  // rank by position within its chromosome

  std::string_view Text() const { return text; }
};

struct REFGENE_ENTRY {
  std::int16_t chro = -1;
  float start = -1;
  float end = -1;
  int geneId = -1;
  std::string name;
};

struct CYTOBAND {
  int chro = 0;
  float start = 0;
  float end = 0;
  char name[kGenomeTextSize] = {};   // chromosome name and band, such as 1p36.33
  char stain[kGenomeTextSize] = {};  // such as gneg or acen
  // Indexes into the chromosome's position list; -1 when the band holds no unit.
  int firstUnit = -1;
  int lastUnit = -1;
  int unitCount = 0;
};

// A position and what lies there: a unit or a refGene index.
struct PositionEntry {
  float pos = 0;
  int index = 0;
};

class GENOME_INFO {
 public:
  // One per unit of the layout; empty while no genome information is loaded.
  std::vector<UNIT_POS> Unit;
  std::vector<int> stretchList;
  int refGeneCount = 0;
  std::vector<REFGENE_ENTRY> refGenes;
  std::string fileName;
  int species = kHuman;
  std::string refGeneKeyword;
  std::array<std::vector<PositionEntry>, MAX_CHRO_NUM> posList;
  std::array<float, MAX_CHRO_NUM> chroLength{};
  float genomeLength = 0;
  std::array<int, MAX_CHRO_NUM> chroCount{};
  int totalCount = 0;
  // The placed units by chromosome, then position; units on no chromosome are not in it.
  std::vector<int> genomeOrder;
  int NumChro = 0;
  int currentChro = 0;
  int lastRefGene = -1;
  std::vector<CYTOBAND> bands;  // empty when no cytoband table is loaded
  int bandCount = 0;
  // The bands of chromosome k are bandStart[k] up to bandStart[k + 1].
  std::array<int, MAX_CHRO_NUM + 1> bandStart{};
  std::array<float, MAX_CHRO_NUM> centromere{};
  std::string cytobandFileName;

  // Chromosome names of the species (human, mouse, rat by number; fly and yeast by
  // table, those only through the genome information reader).
  int GetChroIndex(std::string_view name) const;
  std::string GetChroName(int index) const;
  // The index of the species' X chromosome, the one a male holds once; -1 for a species
  // without one.
  int XChroIndex() const;

  bool ReadGenomeInfoFile(const std::string& path);
  // The refGene file.
  bool ReadFile(const std::string& path);
  bool ReadCytobandFile(const std::string& path);

  // Per-chromosome sorted position lists, the genome order and the band ranges.
  bool GetUnitPos();
  void ComputeChroLengths();
  // Unmaps every unit not in the group's gene list.
  void KeepListedUnits();

  // Cyclic searches from the last hit; -1 when nothing matches.
  int FindRefGeneByKeyword();
  int FindRefGeneById(int geneId);
  // What the chromosome view shows at a position (bp) or a column.
  int UnitAtPosition(float pos);
  float PositionOfColumn(int col) const;
  int BandAtPosition(int chro, float pos) const;

  // Frees every table (units, refGenes, bands, lists).
  void Clear();

 private:
  int mLastHit = -1;  // list index of UnitAtPosition's last hit
};

// The units of the open array type with the cytobands, and the refGene transcripts.
extern GENOME_INFO genome_info;
extern GENOME_INFO refgene_info;

// Holds v within [eps, 1 - eps].
void ClampProbability(float* v, float eps);

// Fuzz entries: each reader on the bytes (through a scratch file), into a table of its
// own; the genome information reader maps onto the loaded layout.
bool FuzzReadGenomeInfo(const std::uint8_t* data, std::size_t size);
bool FuzzReadRefGene(const std::uint8_t* data, std::size_t size);
bool FuzzReadCytoband(const std::uint8_t* data, std::size_t size);
