// A made-up Gene Ontology with known truth, written as the three indented ontology files
// (process, function, component): several roots, terms with up to seven parents, one
// branch deeper than the files' indentation allows (its deep terms hang under a shallow
// parent and name their deep parent as an extra one on the line), secondary ids, an
// "obsolete" term whose subtree stays inactive, and ids written with and without leading
// zeros; secondary ids right after the term's id or, on request, at the end of its line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

struct OntologyOptions {
  std::uint64_t seed = 1;
  int terms = 400;
  int roots = 3;
  int maxParents = 7;
  int deepBranch = 25;       // depth of the deep branch
  int secondaryIdShare = 5;  // percent of terms with a secondary id
  // Further parents drawn among the siblings of the first parent rather than anywhere in
  // the file: ancestries then overlap as a curated ontology's do, a few dozen terms deep,
  // where parents drawn anywhere give thousands of ancestors.
  bool siblingParents = false;
  // Every other term with secondary ids and further parents has its secondary ids written
  // at the end of its line, after the further parents, where they still name the term.
  bool secondaryIdsAfterParents = false;
};

struct OntologyTerm {
  int id = 0;
  std::string idText;  // seven digits with leading zeros
  std::string name;
  int file = 0;   // 0 process, 1 function, 2 component
  int depth = 0;  // longest path from a root, roots at 1
  // Indices into terms, all smaller than the term's own; the first is the parent the
  // file indents the term under (none for a root).
  std::vector<int> parents;
  bool active = true;
  std::vector<int> secondaryIds;  // numbers of further ids naming the term
  bool secondaryIdsLast = false;  // written after the further parents
};

struct OntologyTruth {
  std::vector<OntologyTerm> terms;
  // The term and all its ancestors (indices), by plain graph search.
  std::vector<int> Ancestors(int term) const;
};

OntologyTruth MakeOntology(const OntologyOptions& options);
// process<suffix>, function<suffix> and component<suffix> in `folder`.
bool WriteOntologyFiles(const OntologyTruth& truth, const std::string& folder,
                        const std::string& suffix);

}  // namespace synth
