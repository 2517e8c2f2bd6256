// The class file outside classifiers read beside an expression export: the selected
// samples labelled by one sample-information column.
#include <fstream>

#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"

bool SAMPLE_INFO::WriteClassFile(const std::string& path, int column) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    LogMessage("    Writing GeneCluster class file failed", 0, kLogRed);
    return false;
  }
  if (column < 0 || column >= ColumnCount()) {
    LogMessage("    No such sample info column when writing GeneCluster class file", 0, kLogRed);
    return false;
  }
  const SampleInfoColumn& record = mColumns[static_cast<std::size_t>(column)];
  out << SampleGrouping.SelectedCount() << ' ' << record.CategoryCount() << " 1\n";
  out << '#';
  for (const SampleCategory& category : record.categories) out << ' ' << category.name;
  out << '\n';
  for (int sample = 0; sample < SampleGrouping.SampleCount(); ++sample) {
    if (!SampleGrouping.Selected(sample)) continue;
    out << CategoryOf(SampleGrouping.GetSampleArray(sample), column) << ' ';
  }
  out << '\n';
  out.close();
  if (!out) {
    LogMessage("    Writing GeneCluster class file failed", 0, kLogRed);
    return false;
  }
  LogMessage("  GeneCluster Class file '" + path + "' exported\n");
  return true;
}
