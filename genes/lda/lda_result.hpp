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
  std::vector<int> geneUnits;                   // the probe set of each gathered column
  std::vector<float> data;                      // samples x genes, row per sample
  std::array<float, kMaxLdaSamples> classOf{};  // class index from 0, or -1 for unclassified
  std::array<COLORREF, kLdaClassColours> colours{};
  std::vector<float> result;  // samples x kLdaResultColumns
  int resultRows = 0;
  bool pca = false;

  LDA_RESULT();
  // Class of a sample slot as an index, -1 for unclassified or out of range.
  int ClassOf(int sample) const;
  // The result row of a sample, nullptr when the result has no such row.
  const float* ResultRow(int sample) const;
  // Drops the gathered data and the result, as before a run and after a failed one.
  void FreeMatrices();
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

// Class editing for the dialog; sample numbers are 1-based and comma-separated, and
// numbers that name no sample of the group are passed over.
bool SamplesHaveClass(const std::string& sampleNumbers);
// Gives the samples the class and counts one more class; false (nothing changed) for a
// class index other than the next one.
bool AssignClass(int classIndex, const std::string& sampleNumbers);
// Every sample of the class becomes unclassified and the class count drops by one.
void RemoveClass(int classIndex);

// The 1-based numbers of the text that name samples of the open group, as 0-based slots.
std::vector<int> ParseSampleNumbers(const std::string& sampleNumbers);
// The classes as a run may use them: a class count within the samples, and every sample's
// class unclassified or one of the classes. False after a red line.
bool CheckLdaClasses(int samples);
// The classes that hold at least one of the first samples.
int OccupiedLdaClasses(int samples);
