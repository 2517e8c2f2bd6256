// Writing the array summary table.
#include "engine/jobs/array_summary.hpp"

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "platform/file_replacement.hpp"
#include "platform/path.hpp"

std::string ArraySummaryPath() {
  const Group& group = TheGroup();
  return platform::JoinPath(group.Settings().WORKING_DIR, group.Name() + " arrays.xls");
}

namespace {

std::string SummaryTable(const Group& group) {
  std::string table = "Number\tArray\tFile Name\tMedian Intensity (unnormalized)\t";
  table += ArrayType != 0 ? "SNP call %\t" : "P call %\t";
  if (group.Modelled) table += "% Array outlier\t% Single outlier\tWarning";
  table += '\n';
  for (int i = 0; i < group.NumArrays(); ++i) {
    const ArraySlot& slot = group.Array(i);
    table +=
        MessageBuffer("%d\t%s\t%s\t%d\t%.1f\t", i + 1, slot.name.c_str(), slot.dataFile.c_str(),
                      slot.medianIntensity, 100.0 * slot.presentCallFraction);
    if (group.Modelled) {
      table += MessageBuffer("%.3f\t%.3f\t", 100.0 * slot.arrayOutlierFraction,
                             100.0 * slot.singleOutlierFraction);
      if (slot.arrayOutlierFraction > kArrayOutlierWarningFraction) table += '*';
      table += '\t';
    }
    table += '\n';
  }
  return table;
}

}  // namespace

void WriteArraySummary(bool modelForm) {
  const Group& group = TheGroup();
  const std::string path = ArraySummaryPath();
  const bool written =
      ReplaceFileOrLog(path, MessageBuffer(kSummaryWriteFailedMessage, path.c_str()),
                       [&](platform::FileReplacement& file) {
                         LogMessage(MessageBuffer(kSummaryWritingMessage, path.c_str()));
                         return WriteFileText(file, SummaryTable(group));
                       });
  if (!written) return;
  if (!modelForm)
    LogMessage(MessageBuffer(kGroupContainsMessage, group.Name().c_str(), group.NumArrays(),
                             path.c_str()));
  RegisterOutputFile(path, true);
}
