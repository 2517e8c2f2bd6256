// The array list file: one array name a line, "Replicate" lines closing a block of
// replicate arrays of one sample and "Standardize" lines closing a sample group.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/line_reader.hpp"

bool SAMPLE_GROUPING::ReadListLines(const std::string& path) {
  platform::LineReader reader;
  if (!reader.Open(path, kArrayListLineLength)) {
    LogMessage(platform::WithReadFailure(
                   MessageBuffer("  Reading array list file '%s' failed\n", path.c_str()),
                   reader.OpenFailure()),
               0, kLogRed);
    return false;
  }
  const Group& group = TheGroup();
  mArrayCount = 0;
  mSampleCount = 0;
  mGroupCount = 0;
  int blockStart = 0;  // first sample of the replicate block being gathered
  int groupStart = 0;  // first sample after the last group end
  bool replicateLines = false;
  int notFound = 0;
  // Names not found are reported once some name is: a list that names none of the
  // group's arrays (one a new group carried over from the last) gets one line instead.
  std::vector<std::string> pendingNotFound;
  const auto reportNotFound = [](const std::string& name) {
    LogMessage(MessageBuffer("    Cannot find array named '%s'", name.c_str()), 0, kLogRed);
  };
  const auto reportForeignList = [&] {
    LogMessage(MessageBuffer(kForeignArrayListMessage, path.c_str()), 0, kLogRed);
  };

  // The one-array samples of the pending block become one sample of replicates.
  const auto closeBlock = [&] {
    if (mSampleCount == blockStart) return;
    mReplicateCount[Index(blockStart)] = mSampleCount - blockStart;
    mSampleCount = blockStart + 1;
    blockStart = mSampleCount;
  };
  const auto closeGroup = [&] {
    if (mSampleCount == groupStart) return;
    mGroupSize[Index(mGroupCount++)] = mSampleCount - groupStart;
    groupStart = mSampleCount;
  };

  std::string_view line;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (line.empty()) break;
    if (status == platform::LineStatus::kCut)
      LogMessage(
          MessageBuffer("    Line %lld of '%s' is longer than %zu characters; the rest is ignored",
                        static_cast<long long>(reader.LineNumber()), path.c_str(),
                        kArrayListLineLength),
          0, kLogRed);

    if (line.find("Standardize") != std::string_view::npos) {
      if (replicateLines) closeBlock();
      // A sample never straddles two groups, replicate lines or not.
      blockStart = mSampleCount;
      closeGroup();
      continue;
    }
    if (line.find("Replicate") != std::string_view::npos) {
      replicateLines = true;
      closeBlock();
      continue;
    }
    std::string name(line);
    const int array = group.FindArrayByName(name);
    if (array < 0) {
      if (mArrayCount > 0)
        reportNotFound(name);
      else
        pendingNotFound.push_back(std::move(name));
      if (++notFound >= kMaxArrayNamesNotFound) {
        if (mArrayCount == 0) {
          reportForeignList();
        } else {
          LogMessage(kTooManyNamesNotFoundMessage, 0, kLogRed);
        }
        mArrayCount = 0;
        return false;
      }
      continue;
    }
    for (const std::string& earlier : pendingNotFound) reportNotFound(earlier);
    pendingNotFound.clear();
    mOrderedArrays[Index(mArrayCount++)] = array;
    mReplicateCount[Index(mSampleCount++)] = 1;
    if (mArrayCount >= kMaxGroupingEntries) {
      LogMessage(MessageBuffer("    Error: The number of arrays exceeds Zelko limit %d",
                               kMaxGroupingEntries),
                 0, kLogRed);
      break;
    }
  }
  if (mArrayCount == 0) {
    if (notFound > 0) reportForeignList();
    return false;
  }
  if (replicateLines) closeBlock();
  closeGroup();
  LogMessage(MessageBuffer("    Use %d arrays for %d samples and %d sample groups\n", mArrayCount,
                           mSampleCount, mGroupCount));
  return true;
}
