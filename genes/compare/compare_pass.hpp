// One pass of the comparison list over the genes: every eligible gene (or only those that
// passed the previous pass) evaluated, counted when it satisfies the combination, and in
// a writing pass its line of the result table produced, in probe-set order. The genes
// are cut into blocks of kComparePassBlock that several threads evaluate. A writing pass
// hands them out a few per thread at a time, and the calling thread takes their text in
// order, pumps once a block and asks for a stop; a pass that only counts hands them all
// out at once, and the calling thread pumps and asks after each block it evaluates
// itself. The count, the status and the text do not depend on the number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "genes/compare/compare_criteria.hpp"
#include "genes/compare/compare_sample_table.hpp"

inline constexpr int kComparePassBlock = 300;

enum GeneStatus : std::uint8_t { kGeneNotEligible = 0, kGeneEligible = 1, kGenePassed = 2 };

// What a writing pass needs; a pass without it writes nothing.
struct ComparePassWriter {
  bool outputAllGenes = false;
  bool outputAccession = false;
  // Receives the table's text in order: the column titles at the first considered gene,
  // then the lines; false stops the pass (a failed write).
  std::function<bool(std::string_view)> write;
  bool headerPending = true;
};

struct ComparePass {
  const COMPARE_CRITERIA* criteria = nullptr;
  const CompareSampleTable* table = nullptr;
  bool considerError = false;
  bool onlyPassed = false;  // consider only genes that passed before
  int threads = 1;
  ComparePassWriter* writer = nullptr;
};

// Runs the pass: count gets the genes that satisfied the combination; their status
// becomes kGenePassed, that of the other considered genes kGeneEligible. False when the
// user stopped (logged) or a write failed.
[[nodiscard]] bool EvaluateGenes(const ComparePass& pass, std::vector<std::uint8_t>& geneStatus,
                                 int& count);
