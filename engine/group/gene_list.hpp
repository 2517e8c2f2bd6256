// The current gene list: the probe sets a gene-level analysis works on, read from a gene
// list file or produced by filtering, with its upkeep, the one-per-LocusLink masking and
// the export walk over the listed probe sets.
//
// The list works on probe-set indices and names only. The LocusLink texts that masking
// needs come from the gene information through a source it installs while loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

class Group;

// Lines of a gene list file are read up to this many characters.
inline constexpr std::size_t kGeneListLineLength = 20000;

inline constexpr const char* kNoGeneInfoForMaskingMessage =
    "    Error: No gene information is present for masking out redundant probe sets\n";
inline constexpr const char* kNoSecondColumnMessage = "      There is no 2nd column in the file";
inline constexpr const char* kCompactCountMessage = "  cnt != NumInteresting";

// One entry of the table, 8 bytes. The two halves are indexed differently: the flag of
// entry k says whether probe set k is listed; the unit of entry k is the probe set of
// the k-th listed place, or -1 when masking took it out.
struct GeneListEntry {
  std::uint8_t listed = 0;
  std::int32_t unit = -1;
};
static_assert(sizeof(GeneListEntry) == 8);

class GENE_LIST {
 public:
  int NumInteresting = 0;  // listed probe sets after masking
  int length = 0;          // places filled by the last read, masked ones included
  std::vector<GeneListEntry> entries;
  std::string headerText;              // the header line of the last read with line keeping
  std::vector<std::string> lineTexts;  // per probe set, its whole line (line keeping)
  // Gene list files name the probe set in their second column.
  bool SecondColumnNames = false;

  bool Listed(int unit) const {
    return unit >= 0 && static_cast<std::size_t>(unit) < entries.size() &&
           entries[static_cast<std::size_t>(unit)].listed != 0;
  }
  // The probe set of place k, -1 when masked out or beyond the table.
  int ListedUnit(int k) const {
    return k >= 0 && static_cast<std::size_t>(k) < entries.size()
               ? entries[static_cast<std::size_t>(k)].unit
               : -1;
  }
  void SetListed(int unit, bool listed);
  void ClearFlags();
  // Makes the table at least one entry per probe set of the layout.
  void FitLayout();
};

// The group's gene list.
extern GENE_LIST GeneList;

// The LocusLink text of a probe set. Set by the gene information while it is loaded and
// reset (empty function) when it is cleared; masking needs it.
using LocusLinkSource = std::function<std::string_view(int unit)>;
void SetLocusLinkSource(LocusLinkSource source);
bool GeneInformationPresent();

// Reads a gene list file (path empty: GENE_LIST_FILE) into GeneList: flags of the listed
// probe sets, their places in file order, with keepLines each listed line and the header
// line. treeFile (may be null) tells a list written with a cluster tree. Returns the
// number of listed probe sets after masking, or -1 when the file does not open or the
// user stopped. Needs a started group.
int ReadGeneList(bool* treeFile, std::string_view path, bool keepLines);

// Keeps the first listed probe set of each LocusLink identifier and takes out the later
// ones (place -1, flag cleared), lowering count by their number; report logs each one.
void MaskRedundantProbeSets(int& count, bool report);

// Lists every probe set of the layout in order; returns the count.
int ListAllUnits();

// Runs writer over the probe sets named in GENE_LIST_FILE in file order, or over every
// probe set when that setting is unset or the file does not open. False on a stop or a
// list without the second column it was asked to read.
using GeneRowWriter = std::function<void(Group& group, std::ostream& stream, int unit)>;
[[nodiscard]] bool ForEachListedGene(std::ostream& stream, const GeneRowWriter& writer);

// For n not below the layout's probe-set count, a fresh table of n empty entries; false
// when memory runs out. A smaller n changes nothing.
[[nodiscard]] bool ReserveGeneListEntries(int n);

// Closes the gaps masking left in the places (the flags stay with their probe sets);
// the list length becomes the number kept.
void CompactGeneList();

// The gene-list setting of the comparison and filter pages: no list, only the listed
// genes, or every gene but the listed ones.
enum class GeneListUse { kAllGenes, kListed, kAllButListed };
GeneListUse InputGeneListUse(std::string_view listPath, int useListed);

// The genes an analysis runs on under the setting. Afterwards GeneList.Listed(unit) holds
// for exactly those probe sets. allGenes is set when no list is in force, and when the
// list could not be read or leaves nothing (the caller reports that its own way).
struct InputGenes {
  bool allGenes = true;
  int count = 0;
};
InputGenes SelectInputGenes(std::string_view listPath, int useListed);

// Fuzz entry: a gene list file of these bytes read for the loaded layout.
bool FuzzReadGeneList(const std::uint8_t* data, std::size_t size);
