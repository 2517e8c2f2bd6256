// Samples placed on a plane: linear discriminant analysis of classed samples (done by R's
// MASS) or the two principal effects of the samples from the two-way matrix. One result
// for the process, read by the sample scatter view while it is shown.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/base/colour.hpp"

inline constexpr int kMaxLdaSamples = 1000;
inline constexpr int kLdaClassColours = 10;
// A gene list of this many genes or more is refused.
inline constexpr int kMaxLdaGenes = 2000;
// Columns of a result row: first and second coordinate, predicted class (from 1) and the
// probability of that prediction.
inline constexpr int kLdaResultColumns = 4;

struct LDA_RESULT {
  int classCount = 0;
  int geneCount = 0;
  std::vector<float> data;                      // samples x genes, row per sample
  std::array<float, kMaxLdaSamples> classOf{};  // class index from 0, or -1 for unclassified
  std::array<COLORREF, kLdaClassColours> colours{};
  std::vector<float> result;  // samples x kLdaResultColumns
  int resultRows = 0;
  bool pca = false;

  LDA_RESULT();
  // Class of a sample slot as an index, -1 for unclassified or out of range.
  int ClassOf(int sample) const;
  const float* ResultRow(int sample) const;
};

LDA_RESULT& TheLdaResult();

// A colour for any class index from 0: the table's ten first, then generated ones.
COLORREF LdaClassColour(int classIndex);

// Every slot unclassified, no class, no current sample; gives the group a default result
// file name when it has none.
void InitLdaResult();

// The classes (and the array and gene list files) back from the result file.
bool ReadLdaResult(bool quiet);

// The whole run on the open group: gather, write the header file, LDA or PCA, write the
// full file. False after a red message, with the result left empty.
bool RunLda();

// The current sample becomes unclassified and no longer current, then the run again.
bool RemoveSampleAndRerun();

// Class editing for the dialog; sample numbers are 1-based and comma-separated.
bool SamplesHaveClass(const std::string& sampleNumbers);
void AssignClass(int classIndex, const std::string& sampleNumbers);
void RemoveClass(int classIndex);
