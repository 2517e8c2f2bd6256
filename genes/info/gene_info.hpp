// The gene information of the open group: per probe set of the chip layout its
// identifier, LocusLink, name, description and up to four columns of annotation terms,
// read from a tab-delimited gene information file, with one term table per column;
// keyword search over names and descriptions, and the lookups the analyses use.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "genes/info/term_table.hpp"
#include "platform/side_by_side_read.hpp"

inline constexpr int kMaxTermColumns = 4;
inline constexpr int kMaxTermsPerGene = 300;
// Lines of the gene information and annotation index files are read up to this length.
inline constexpr std::size_t kGeneInfoLineLength = 20000;
// Progress is shown, and a stop honoured, every this many genes.
inline constexpr int kGeneInfoProgressStep = 50;

// Tree-icon indices of the term columns.
inline constexpr int kIconChromosome = 11;
inline constexpr int kIconPathway = 17;
inline constexpr int kIconDomain = 13;
inline constexpr int kIconTerm = 7;

inline constexpr const char* kNotGeneInfoFileMessage =
    "  Not a gene information file or not saved in tab-delimited text format;For SNP array, "
    "specify genome info file at 'Analysis/Chromosome' (no gene info file is needed)";
inline constexpr const char* kTooManyTermColumnsMessage =
    "    Error: The number of gene annotational columns exceeds limit; you may try the latest "
    "Zelko";
inline constexpr const char* kGeneInfoAllocationMessage =
    "  Memory allocation for gene information failed";
inline constexpr const char* kNoGeneFoundMessage =
    "    No gene information found for the current chip type; probably wrong gene information "
    "file";
inline constexpr const char* kGetFunctionErrorMessage = "    Error in INFO::GetFunction";
inline constexpr const char* kTooManyGeneTermsMessage =
    "    Error: number of annotation terms per gene exceeds limit";
inline constexpr const char* kNothingToMergeMessage =
    "  No gene information is loaded to add the file to; read a gene information file first";

// Where one gene's term indices of one column lie in the column's index pool.
struct TermSpan {
  std::uint32_t first = 0;
  std::uint32_t count = 0;
};

// One probe set's gene information. The texts are views of text the INFO keeps (the
// files read, or texts handed to INFO::KeepText), valid until ClearGeneInfo.
struct GENE_INFO {
  std::string_view Identifier;  // the accession
  std::string_view LocusLink;
  std::string_view Name;
  std::array<std::string_view, kMaxTermColumns> termText;  // each term field as read
  std::string_view Description;
  // Per column the gene's term indices into the column's table, ascending; read them
  // with INFO::TermIndices.
  std::array<TermSpan, kMaxTermColumns> terms{};

  int TermCount(int column) const {
    return static_cast<int>(terms[static_cast<std::size_t>(column)].count);
  }
  // Empties every text and index list.
  void Clear() { *this = GENE_INFO{}; }
};

class INFO {
 public:
  // One per unit of the chip layout, in unit order; empty while nothing is loaded.
  std::vector<GENE_INFO> genes;
  int numColumns = 0;  // term columns, 0 to 4
  // Header names of the term columns (an index-backed one cut at its first '.').
  std::array<std::string, kMaxTermColumns> columnNames;
  // The column and term chosen for the clustering picture; -1 for none.
  int selectedColumn = -1;
  int selectedTerm = -1;
  std::string lastKeyword;  // the last keyword found

  bool Loaded() const { return !genes.empty(); }
  int GeneCount() const { return static_cast<int>(genes.size()); }
  // Null when unit is outside the loaded genes.
  const GENE_INFO* Gene(int unit) const;

  // The gene's term indices of the column, ascending.
  std::span<const std::int16_t> TermIndices(const GENE_INFO& gene, int column) const;
  std::span<const std::int16_t> TermIndices(int unit, int column) const;
  // Replaces the gene's term indices of the column.
  void SetTermIndices(GENE_INFO& gene, int column, std::span<const std::int16_t> indices);
  // Forgets every gene's term indices of the column (all are about to be set again).
  void ClearTermIndices(int column);
  // Takes the column's term indices of all genes, end to end, as the genes' TermSpans
  // of the column count them.
  void AdoptTermIndices(int column, std::vector<std::int16_t> indices);

  // Keeps text as long as the genes are loaded; the view may go into a GENE_INFO.
  std::string_view KeepText(std::string text);
  // Keeps a file's bytes the same way; the genes' fields are views into them.
  std::string_view KeepFileText(platform::FileBytes bytes);
  // Drops the genes, their texts and term indices.
  void Release();

 private:
  std::vector<platform::FileBytes> mFileTexts;
  std::deque<std::string> mKeptTexts;
  // A column's term indices of all genes, end to end. The storage grows by doubling ahead
  // of the used part, so that a gene's list goes in with one copy.
  struct TermPool {
    std::vector<std::int16_t> storage;
    std::size_t used = 0;
  };
  std::array<TermPool, kMaxTermColumns> mTermPool;
};

// How a long gene information file is read on several threads: at most threads of
// them (the machine's cores, up to 8); the lines are cut into pieces of at least
// minPieceBytes, the genes' terms into ranges of at least minSliceGenes.
struct GeneInfoReadSplit {
  int threads = 1;
  std::size_t minPieceBytes = 1;
  int minSliceGenes = 1;
};
extern GeneInfoReadSplit GeneInfoSplit;

// The process-wide gene information and what belongs with it.
extern INFO GeneInfo;
extern std::array<TERM_TABLE, kMaxTermColumns> TermTables;
extern std::array<int, kMaxTermColumns> ColumnIcon;
extern int KeywordSearchStart;  // the unit the next keyword search starts at

// Reads a gene information file. With rebuild everything is cleared first and the
// genes are built afresh for the loaded layout; without it the file tops up the loaded
// genes: only its non-empty fields overwrite, and the term counts are taken again over
// all genes. A top-up while nothing is loaded is refused. False, with the reason logged
// in red, on any failure; false without a word for a path that names no file (IsNone),
// which leaves a rebuild without gene information.
[[nodiscard]] bool ReadGeneInfoFile(const std::string& path, bool rebuild);

// Frees the genes; no columns, no selection, no last keyword. The term tables keep
// their terms until the next rebuild.
void ClearGeneInfo();

// Closing the group: ClearGeneInfo and every term table emptied.
void ClearGeneInformation();

// Parses the gene's term field of the column into its term indices (terms are added to
// the column's table). countGene counts the gene in the table. False with a red line on
// a full table or more than 300 terms. The gene is one of GeneInfo's.
[[nodiscard]] bool GetFunction(GENE_INFO& gene, int column, bool countGene);

// Whether the gene carries the term in the column.
bool HasTerm(const GENE_INFO& gene, int term, int column);

// The next unit, from KeywordSearchStart on and round once, whose name or description
// contains the keyword (any case, wildcards of MatchWildcard); -1 when none. A hit moves
// the search start behind it and becomes lastKeyword.
int FindGeneByKeyword(std::string_view keyword);
// Whether the unit's name, else its description, matches the upper-cased pattern
// anywhere.
bool GeneMatchesKeyword(int unit, std::string_view pattern);

// The first unit whose Name equals text exactly; -1 when none.
int FindUnitByGeneName(std::string_view text);

// Per unit sharing the given unit's non-empty LocusLink, one line "probe set, LocusLink,
// Name"; returns the number of lines.
int WriteSameLocusGenes(std::ostream& stream, int unit);

// Logs that a line of path was longer than the readers take.
void LogGeneInfoLineCut(const std::string& path, long long lineNumber);

// Fuzz entry: a gene information file of these bytes read for the loaded layout.
bool FuzzReadGeneInfoFile(const std::uint8_t* data, std::size_t size);
