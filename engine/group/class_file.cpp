// The class file outside classifiers read beside an expression export: the selected
// samples labelled by one sample-information column.
#include <span>
#include <string>

#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "platform/byte_writer.hpp"
#include "platform/text_bytes.hpp"

bool SAMPLE_INFO::WriteClassFile(const std::string& path, int column) const {
  if (column < 0 || column >= ColumnCount()) {
    LogMessage("    No such sample info column when writing GeneCluster class file", 0, kLogRed);
    return false;
  }
  const SampleInfoColumn& record = mColumns[static_cast<std::size_t>(column)];
  std::string text = std::to_string(SampleGrouping.SelectedCount()) + ' ' +
                     std::to_string(record.CategoryCount()) + " 1\n#";
  for (const SampleCategory& category : record.categories) text.append(" ").append(category.name);
  text += '\n';
  for (int sample = 0; sample < SampleGrouping.SampleCount(); ++sample) {
    if (!SampleGrouping.Selected(sample)) continue;
    text.append(std::to_string(CategoryOf(SampleGrouping.GetSampleArray(sample), column))) += ' ';
  }
  text += '\n';
  // Replaced whole, so that a write cut short leaves the class file of the last export.
  int error = 0;
  if (!platform::WriteWholeFile(path, platform::TextBytes(text), &error)) {
    return LogWriteFailure("    Writing GeneCluster class file '" + path + "' failed", error);
  }
  LogMessage("  GeneCluster Class file '" + path + "' exported\n");
  return true;
}
