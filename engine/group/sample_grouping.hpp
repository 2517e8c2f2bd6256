// Arrays combined into samples (replicate arrays of one biological sample) and samples
// gathered into sample groups, for every analysis above the array level; built from an
// array list file or, without one, one sample per array.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/group/sample_info.hpp"

// Arrays, samples and groups each.
inline constexpr int kMaxGroupingEntries = 1000;
// The two slots of class codes that factor analyses use.
inline constexpr int kSampleVariableSlots = 2;

// Lines of the array list file are read up to this length; longer ones are cut.
inline constexpr std::size_t kArrayListLineLength = 1000;
// The tenth name not found abandons the list.
inline constexpr int kMaxArrayNamesNotFound = 10;
inline constexpr const char* kTooManyNamesNotFoundMessage = "    Too many array names not found";
// Our own: an array list file none of whose names is an array of the group (the path).
inline constexpr const char* kForeignArrayListMessage =
    "    The array list file '%s' names none of this group's arrays; it is not used";

// Combination modes of SetListSelection.
enum SelectionMode : int {
  kSelectionOverwrite = 0,
  kSelectionOr = 1,
  kSelectionAnd = 2,
  kSelectionInverse = 3,
};

// Samples per category of one sample-information column, within the grouping.
struct ColumnClassCount {
  int sampleTotal = 0;  // samples whose first array has a category here
  std::array<int, kMaxCategories> perClass{};
};

class SAMPLE_GROUPING {
 public:
  SAMPLE_GROUPING();

  // Builds the structure from the list file, or the default structure for an empty or
  // "None" path, an unreadable file or a list that names no array.
  void ReadArrayListFile(const std::string& path);
  // Every array of the group its own sample, in group order.
  void SetDefaultGrouping();

  int ArrayCount() const { return mArrayCount; }
  int SampleCount() const { return mSampleCount; }
  int GroupCount() const { return mGroupCount; }
  int GroupSize(int group) const { return mGroupSize[Index(group)]; }
  int GroupFirstSample(int group) const { return mGroupFirstSample[Index(group)]; }
  // The array at a position of the list order; a sample's arrays are consecutive.
  int OrderedArray(int position) const { return mOrderedArrays[Index(position)]; }
  int SampleFirst(int sample) const { return mSampleFirst[Index(sample)]; }
  int ReplicateCount(int sample) const { return mReplicateCount[Index(sample)]; }
  const std::string& SampleName(int sample) const { return mSampleNames[Index(sample)]; }
  int CurrentSample() const { return mCurrentSample; }

  // The sample's first array.
  int GetSampleArray(int sample) const;
  // The first sample named name without regard to case; -1 when none.
  int FindSample(std::string_view name) const;
  // -1 when no sample holds the array.
  int GetSampleOfArray(int array) const;
  // -1 when no group holds the sample.
  int GetGroupOfSample(int sample) const;
  // Makes the sample current and its first array the group's CUR_ARRAY; a sample out of
  // range makes both -1. Always true.
  bool SetCurrentSample(int sample);

  // One probe set's value, standard error and call for a sample, replicates combined.
  // call is left alone unless the group has calls.
  void GetSampleValue(int probeSet, int sample, double* value, double* se, char* call) const;

  // One flag per sample, or per array where a caller selects arrays.
  bool Selected(int index) const { return mSelected[Index(index)] != 0; }
  void SetSelected(int index, bool selected) { mSelected[Index(index)] = selected ? 1 : 0; }
  int SelectedCount() const;
  void ClearSelection();
  // Flags every sample (byArray: every array) whose first array has the category in the
  // sample-information column.
  void SelectByCategory(int column, int category, bool byArray);
  // Applies the flags to a list's selection (one entry per sample, or per array): mode 0
  // copies them, 1 ORs, 2 ANDs, 3 selects the entries not flagged.
  void SetListSelection(int mode, std::vector<bool>& listSelection, bool byArray) const;

  // Takes a sample-information column as a sample variable: a numeric column fills every
  // sample's weight (standardised values with flag); a categorical one fills the slot's
  // class codes (with flag the upper-cased first letter of the category instead of its
  // index). False when the column does not exist.
  bool SetSampleVariable(int slot, std::string_view column, bool flag);
  // Every sample's weight becomes v; returns the number of samples.
  int FillSampleVariable(double v);
  float SampleWeight(int sample) const { return mSampleWeights[Index(sample)]; }
  int ClassCode(int slot, int sample) const;
  int ClassCount(int slot) const;

  // Recounts the samples per category of every sample-information column.
  void CountColumnClasses();
  // All zero for a column not counted (sample information read after the last count).
  const ColumnClassCount& ColumnClasses(int column) const;

 private:
  static std::size_t Index(int i);
  // Sample starts, names and group starts from the counts; then the class counts.
  void BuildIndexTables();
  [[nodiscard]] bool ReadListLines(const std::string& path);

  int mArrayCount = 0;
  int mSampleCount = 0;
  int mGroupCount = 0;
  int mCurrentSample = -1;
  std::array<int, kMaxGroupingEntries> mGroupSize{};
  std::array<int, kMaxGroupingEntries> mGroupFirstSample{};
  std::array<int, kMaxGroupingEntries> mOrderedArrays{};
  std::array<int, kMaxGroupingEntries> mSampleFirst{};
  std::array<int, kMaxGroupingEntries> mReplicateCount{};
  std::array<char, kMaxGroupingEntries> mSelected{};
  std::vector<std::string> mSampleNames;
  std::array<float, kMaxGroupingEntries> mSampleWeights{};
  // Wider than a byte: category indices reach kMaxCategories - 1.
  std::array<std::array<int, kMaxGroupingEntries>, kSampleVariableSlots> mClassCodes{};
  std::array<int, kSampleVariableSlots> mClassCounts{};
  std::vector<ColumnClassCount> mColumnClasses;
};

// The sample grouping of the open group.
extern SAMPLE_GROUPING SampleGrouping;
// Whether the grouping came from an array list file; cleared when a list gives no array.
extern bool UseArrayList;
// Set when the user chooses an array list file (Tools/Use array list file); the next read
// of a result file that names a list (comparison or sample classification) then keeps
// the chosen one instead of the file's, and clears it.
extern bool ArrayListFileChosen;

// Fuzz entry: SampleGrouping.ReadArrayListFile on the bytes (through a scratch file), for
// the arrays of the started group; true when the list was taken (UseArrayList).
bool FuzzReadArrayListFile(const std::uint8_t* data, std::size_t size);
