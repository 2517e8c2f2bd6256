// The sample grouping: the default one-array samples, the index tables every reader of
// the grouping relies on, sample values over replicates, selections and sample variables.
// The array list file is read in array_list_file.cpp.
#include "engine/group/sample_grouping.hpp"

#include <algorithm>
#include <cassert>
#include <cctype>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/numerics/random_deviates.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/path.hpp"

SAMPLE_GROUPING SampleGrouping;
bool UseArrayList = false;
bool ArrayListFileChosen = false;

namespace {

VALUE_TRIPLE TripleOf(const ArraySlot& slot, int probeSet) {
  if (probeSet < 0 || static_cast<std::size_t>(probeSet) >= slot.values.size())
    return {kMissingValueFloat, 0.0f, 0};
  return slot.values[static_cast<std::size_t>(probeSet)];
}

char CallOf(const ArraySlot& slot, int probeSet) {
  if (probeSet < 0 || static_cast<std::size_t>(probeSet) >= slot.calls.size()) return kCallAbsent;
  return slot.calls[static_cast<std::size_t>(probeSet)];
}

double ValueOf(const VALUE_TRIPLE& triple, bool allowMissing) {
  return allowMissing && triple.outlier == kArrayOutlierWord ? MISSING_VALUE : triple.value;
}

}  // namespace

SAMPLE_GROUPING::SAMPLE_GROUPING() : mSampleNames(static_cast<std::size_t>(kMaxGroupingEntries)) {
  for (auto& codes : mClassCodes) codes.fill(-1);
}

std::size_t SAMPLE_GROUPING::Index(int i) {
  assert(i >= 0 && i < kMaxGroupingEntries && "sample grouping index out of range");
  return static_cast<std::size_t>(i);
}

void SAMPLE_GROUPING::SetDefaultGrouping() {
  Group& group = TheGroup();
  const int arrays = std::min(group.NumArrays(), kMaxGroupingEntries);
  mArrayCount = arrays;
  mSampleCount = arrays;
  for (int i = 0; i < arrays; ++i) {
    mOrderedArrays[Index(i)] = i;
    mReplicateCount[Index(i)] = 1;
  }
  if (ArrayType != 0) {
    // Every SNP sample is analysed on its own.
    mGroupCount = arrays;
    for (int i = 0; i < arrays; ++i) mGroupSize[Index(i)] = 1;
  } else {
    mGroupCount = 1;
    mGroupSize[0] = arrays;
    group.Settings().CHRO_MERGE_GROUP_NAME = 0;
  }
  LogMessage(MessageBuffer("  Treat all the %d arrays as %d samples and %d sample groups\n",
                           mArrayCount, mSampleCount, mGroupCount));
  BuildIndexTables();
}

void SAMPLE_GROUPING::ReadArrayListFile(const std::string& path) {
  if (!IsUnsetPath(path) && ReadListLines(path)) {
    UseArrayList = true;
    BuildIndexTables();
    return;
  }
  UseArrayList = false;
  SetDefaultGrouping();
}

void SAMPLE_GROUPING::BuildIndexTables() {
  const Group& group = TheGroup();
  int position = 0;
  for (int s = 0; s < mSampleCount; ++s) {
    mSampleFirst[Index(s)] = position;
    const int replicates = mReplicateCount[Index(s)];
    position += replicates;
    std::string& name = mSampleNames[Index(s)];
    name = group.Array(GetSampleArray(s)).name;
    if (replicates > 1) name.append(" ").append(static_cast<std::size_t>(replicates - 1), '*');
  }
  int first = 0;
  for (int g = 0; g < mGroupCount; ++g) {
    mGroupFirstSample[Index(g)] = first;
    first += mGroupSize[Index(g)];
  }
  CountColumnClasses();
}

int SAMPLE_GROUPING::GetSampleArray(int sample) const {
  return mOrderedArrays[Index(mSampleFirst[Index(sample)])];
}

int SAMPLE_GROUPING::FindSample(std::string_view name) const {
  for (int s = 0; s < mSampleCount; ++s)
    if (platform::EqualsNoCase(mSampleNames[Index(s)], name)) return s;
  return -1;
}

int SAMPLE_GROUPING::GetSampleOfArray(int array) const {
  for (int s = 0; s < mSampleCount; ++s) {
    const int first = mSampleFirst[Index(s)];
    for (int k = 0; k < mReplicateCount[Index(s)]; ++k)
      if (mOrderedArrays[Index(first + k)] == array) return s;
  }
  return -1;
}

int SAMPLE_GROUPING::GetGroupOfSample(int sample) const {
  for (int g = 0; g < mGroupCount; ++g) {
    const int first = mGroupFirstSample[Index(g)];
    if (sample >= first && sample < first + mGroupSize[Index(g)]) return g;
  }
  return -1;
}

bool SAMPLE_GROUPING::SetCurrentSample(int sample) {
  const bool valid = sample >= 0 && sample < mSampleCount;
  mCurrentSample = valid ? sample : -1;
  TheGroup().Settings().CUR_ARRAY = valid ? GetSampleArray(sample) : -1;
  return true;
}

void SAMPLE_GROUPING::GetSampleValue(int probeSet, int sample, double* value, double* se,
                                     char* call) const {
  const Group& group = TheGroup();
  const bool allowMissing = group.Settings().ALLOW_MISSING != 0;
  const int first = mSampleFirst[Index(sample)];
  const int replicates = mReplicateCount[Index(sample)];
  if (replicates == 1) {
    const ArraySlot& slot = group.Array(mOrderedArrays[Index(first)]);
    const VALUE_TRIPLE triple = TripleOf(slot, probeSet);
    *value = ValueOf(triple, allowMissing);
    *se = group.HasStdErrors ? triple.stdErr : 0.0;
    if (group.HasCalls) *call = CallOf(slot, probeSet);
    return;
  }
  std::array<double, kMaxGroupingEntries> values;
  std::array<double, kMaxGroupingEntries> errors;
  int withError = 0;
  int present = 0;
  for (int k = 0; k < replicates; ++k) {
    const ArraySlot& slot = group.Array(mOrderedArrays[Index(first + k)]);
    const VALUE_TRIPLE triple = TripleOf(slot, probeSet);
    values[Index(k)] = ValueOf(triple, allowMissing);
    errors[Index(k)] = triple.stdErr;
    if (triple.stdErr > 0.0f) ++withError;
    if (CallOf(slot, probeSet) == kCallPresent) ++present;
  }
  if (group.Settings().CONSIDER_ERROR != 0 && withError > 0)
    WeightedMeanWithErrors(values.data(), errors.data(), replicates, value, se);
  else
    MeanAndStdErr(values.data(), replicates, value, se);
  if (group.HasCalls) *call = 2 * present >= replicates ? kCallPresent : kCallAbsent;
}

int SAMPLE_GROUPING::SelectedCount() const {
  return static_cast<int>(std::count_if(mSelected.begin(), mSelected.begin() + mSampleCount,
                                        [](char flag) { return flag != 0; }));
}

void SAMPLE_GROUPING::ClearSelection() {
  mSelected.fill(0);
}

void SAMPLE_GROUPING::SelectByCategory(int column, int category, bool byArray) {
  if (byArray) {
    const int arrays = std::min(TheGroup().NumArrays(), kMaxGroupingEntries);
    for (int a = 0; a < arrays; ++a)
      if (SampleInfo.HasCategory(a, column, category)) mSelected[Index(a)] = 1;
    return;
  }
  for (int s = 0; s < mSampleCount; ++s)
    if (SampleInfo.HasCategory(GetSampleArray(s), column, category)) mSelected[Index(s)] = 1;
}

void SAMPLE_GROUPING::SetListSelection(int mode, std::vector<bool>& listSelection,
                                       bool byArray) const {
  const int entries = byArray ? TheGroup().NumArrays() : mSampleCount;
  const int count =
      std::min({static_cast<int>(listSelection.size()), entries, kMaxGroupingEntries});
  for (int i = 0; i < count; ++i) {
    const bool flagged = mSelected[Index(i)] != 0;
    const bool listed = listSelection[static_cast<std::size_t>(i)];
    switch (mode) {
      case kSelectionOverwrite:
        listSelection[static_cast<std::size_t>(i)] = flagged;
        break;
      case kSelectionOr:
        listSelection[static_cast<std::size_t>(i)] = listed || flagged;
        break;
      case kSelectionAnd:
        listSelection[static_cast<std::size_t>(i)] = listed && flagged;
        break;
      case kSelectionInverse:
        listSelection[static_cast<std::size_t>(i)] = !flagged;
        break;
      default:
        break;
    }
  }
}

bool SAMPLE_GROUPING::SetSampleVariable(int slot, std::string_view column, bool flag) {
  const int c = SampleInfo.FindSampleInfoColumn(column);
  if (c < 0) return false;
  const SampleInfoColumn& record = SampleInfo.Column(c);
  if (record.numeric) {
    std::fill(mSampleWeights.begin(), mSampleWeights.end(), kMissingValueFloat);
    for (int s = 0; s < mSampleCount; ++s) {
      const int array = GetSampleArray(s);
      const double number =
          flag ? SampleInfo.StandardizedValue(array, c) : SampleInfo.NumericValue(array, c);
      mSampleWeights[Index(s)] = static_cast<float>(number);
    }
    return true;
  }
  if (slot < 0 || slot >= kSampleVariableSlots) return false;
  auto& codes = mClassCodes[static_cast<std::size_t>(slot)];
  for (int s = 0; s < mSampleCount; ++s) {
    const int category = SampleInfo.CategoryOf(GetSampleArray(s), c);
    int code = category;
    if (flag && category >= 0) {
      const auto first = static_cast<unsigned char>(
          record.categories[static_cast<std::size_t>(category)].name.front());
      code = std::toupper(first);
    }
    codes[Index(s)] = code;
  }
  mClassCounts[static_cast<std::size_t>(slot)] = record.CategoryCount();
  return true;
}

int SAMPLE_GROUPING::FillSampleVariable(double v) {
  for (int s = 0; s < mSampleCount; ++s) mSampleWeights[Index(s)] = static_cast<float>(v);
  return mSampleCount;
}

int SAMPLE_GROUPING::ClassCode(int slot, int sample) const {
  assert(slot >= 0 && slot < kSampleVariableSlots && "sample variable slot out of range");
  return mClassCodes[static_cast<std::size_t>(slot)][Index(sample)];
}

int SAMPLE_GROUPING::ClassCount(int slot) const {
  assert(slot >= 0 && slot < kSampleVariableSlots && "sample variable slot out of range");
  return mClassCounts[static_cast<std::size_t>(slot)];
}

void SAMPLE_GROUPING::CountColumnClasses() {
  mColumnClasses.assign(static_cast<std::size_t>(SampleInfo.ColumnCount()), ColumnClassCount{});
  for (int c = 0; c < SampleInfo.ColumnCount(); ++c) {
    ColumnClassCount& counts = mColumnClasses[static_cast<std::size_t>(c)];
    for (int s = 0; s < mSampleCount; ++s) {
      const int category = SampleInfo.CategoryOf(GetSampleArray(s), c);
      if (category < 0 || category >= kMaxCategories) continue;
      ++counts.sampleTotal;
      ++counts.perClass[static_cast<std::size_t>(category)];
    }
  }
}

const ColumnClassCount& SAMPLE_GROUPING::ColumnClasses(int column) const {
  // Sample information read after the grouping was built has not been counted yet.
  static const ColumnClassCount kUncounted;
  if (column < 0 || column >= static_cast<int>(mColumnClasses.size())) return kUncounted;
  return mColumnClasses[static_cast<std::size_t>(column)];
}

bool FuzzReadArrayListFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz_list.txt", [](const std::string& path) {
    SampleGrouping.ReadArrayListFile(path);
    return UseArrayList;
  });
}
