// The Gene Ontology as a graph of terms read from the three ontology files (process,
// function, component), so that a probe set annotated with a term also gets all the
// term's ancestors.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "genes/annotation/term_set.hpp"

inline constexpr int kMaxTermParents = 7;
// Indentation depths an ontology file may use: 0 (no term) to kOntologyLevels - 1.
inline constexpr int kOntologyLevels = 20;
// Longest ontology file line read whole.
inline constexpr int kOntologyLineLimit = 500000;

class GO_GRAPH : public TERM_SET {
 public:
  GO_GRAPH();  // "Gene Ontology", room for kGeneOntologyCapacity terms

  // Reads process<suffix>, function<suffix> and component<suffix> from the folder of
  // `path`, where the suffix is the file name of `path` from its first '.' or '_'.
  bool ReadGeneOntology(const std::string& path);
  // Lines without a term marker are skipped and an empty line ends the file. A malformed
  // line (marker at the start, indented past the levels or more than one level below the
  // term before it, no ';' or id, a term beyond the capacity or an eighth parent) ends the
  // read with false, logged in red with its line number.
  bool ReadGeneOntologyFile(const std::string& path);
  // Records `parent` (-1: top of the tree) as a parent of `term` once; false (logged)
  // when the term would get more than kMaxTermParents.
  bool AddParent(int parent, int term);
  // Puts the term and all its ancestors into the current probe set's list; -1 is a no-op.
  bool AddTermWithAncestors(int index);
  // The term's parents in the order recorded; -1 stands for the top of the tree.
  std::span<const int> Parents(int term) const;

 private:
  // One line of an ontology file; false ends the read (logged with the line number).
  bool ReadOntologyLine(std::string_view line, long long lineNumber, const std::string& path);

  std::vector<std::array<int, kMaxTermParents>> mParents;
  // The term last read at each indentation depth; kUnsetLevel below a shallower term.
  std::array<int, kOntologyLevels> mLevels{};
  std::vector<std::uint64_t> mVisited;  // per term, the gene stamp it was last reached under
  std::vector<int> mPending;            // reused stack of AddTermWithAncestors
};
