// The pathway gene filter: every assignment of distinct list genes to the pathway's
// placeholder nodes whose time courses agree with the arrows (activation and binding a
// positive correlation, inhibition a negative one, an effect time comparing the acting
// gene with the other one that many samples later), with a mean signed correlation of at
// least PATHWAY_CORR.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "genes/pathway/pathway.hpp"

inline constexpr const char* kPathwayFilterTitle = "{Filter gene sets by pathway";
inline constexpr const char* kNoPathwayInputListMessage = "  No input gene list specified";
inline constexpr const char* kTooFewPathwayGenesMessage = "  Too few genes in the list";
inline constexpr const char* kEmptyPathwayMessage = "  The pathway has no nodes";
// printf form: start and end node names, the effect time, the number of time points.
inline constexpr const char* kLagBeyondSamplesMessage =
    "  Arrow from '%s' to '%s' has an effect time of %d but there are only %d time points";
inline constexpr const char* kPathwayUserStoppedMessage = "  User stopped";

// What the search works on: the time courses of the list genes and of the named nodes.
struct PathwaySearchInput {
  PATHWAY pathway;
  int samples = 0;
  int listGenes = 0;
  std::vector<double> listValues;  // list gene major, samples values each
  std::vector<double> nodeValues;  // node major; read for the named nodes only
  // Per list gene: never tried for a placeholder (it is a named node already). Empty for
  // none.
  std::vector<std::uint8_t> excluded;
  double threshold = 0.9;  // the least mean signed correlation
  bool rankCorrelation = false;
};

// One consistent assignment.
struct PathwayGeneSet {
  std::vector<int> listGene;        // per node: the assigned list gene, -1 for a named node
  std::vector<float> correlations;  // per arrow, as computed (inhibition not negated)
};

// The correlation of x[0..pairs) with y[0..pairs) over the pairs where neither value is
// missing: Pearson, or with rank the Spearman rs. -1 with no pair or no spread, 1 with
// exactly one pair.
double PathwayCorrelation(const double* x, const double* y, int pairs, bool rank);

// Every consistent set, handed to report in the order of the exhaustive search (nodes in
// order, list genes in list order). The search splits over the first placeholder's
// candidates onto up to threads threads (0: every worker thread) without changing that
// order. One pump per tried gene and the stop polls go through the job progress of the
// calling thread. False when the user stopped.
bool SearchPathwayGeneSets(const PathwaySearchInput& input, int threads,
                           const std::function<void(const PathwayGeneSet&)>& report);

// The whole filter on the group: the gene list FILTER_INPUT_LIST, ThePathway(), the
// settings; logs its block and every consistent set. False when refused; a stopped search
// still closes its block with the sets found so far.
bool FilterGenesByPathway();
