#include "genes/filter/percentile_filter.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/numerics/db_vector.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "genes/filter/filter_genes.hpp"
#include "platform/file_replacement.hpp"

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

bool WriteFailed(const std::string& path, int error) {
  return LogWriteFailure(MessageBuffer(kFilterWriteFailedMessage, path.c_str()), error);
}

void AppendNumber(std::string& text, double value) {
  char buffer[32];
  const int length = std::snprintf(buffer, sizeof buffer, "%g", value);
  text.append(buffer, static_cast<std::size_t>(std::max(length, 0)));
}

}  // namespace

bool PercentileFilter() {
  LogMessage("{Filter genes by percentiles...", 0, kLogBlue);
  const Group& group = TheGroup();
  const GroupRunOptions& options = group.RunOptions();
  const std::string& path = options.percentileOutput;
  const double high = options.percentileHigh * 0.01;
  const double low = options.percentileLow * 0.01;
  const double fold = options.percentileFold;
  const double range = group.Settings().DISPLAY_RANGE;
  const bool omitControls = group.Settings().OMIT_VOSK != 0;
  const int samples = SampleGrouping.SampleCount();
  DB_VECTOR gathered(std::max(group.NumArrays(), 1));

  platform::FileReplacement file;
  if (path.empty() || !file.Open(path)) return WriteFailed(path, file.Error());
  GatheredText out(file);
  std::string& text = out.Text();
  text = "Probe set\t";
  for (int s = 0; s < samples; ++s) text += SampleGrouping.SampleName(s) + "\t";
  text += '\n';
  LogMessage("    Gene 0");

  std::vector<double> values(At(std::max(samples, 1)));
  std::vector<const std::vector<VALUE_TRIPLE>*> firstArrays;
  for (int s = 0; s < samples; ++s)
    firstArrays.push_back(&group.Array(SampleGrouping.GetSampleArray(s)).values);
  const int units = std::max(0, std::min(Layout.unitCount, static_cast<int>(Layout.units.size())));
  JobProgress& progress = Progress();
  int kept = 0;
  for (int unit = 0; unit < units; ++unit) {
    if ((unit + 1) % kFilterProgressStep == 0) {
      progress.ShowProgress(MessageBuffer("    Gene %d", unit + 1));
      progress.Pump();
    }
    if (omitControls && IsControlUnit(unit)) continue;
    gathered.Clear();
    for (int s = 0; s < samples; ++s) {
      const std::vector<VALUE_TRIPLE>& triples = *firstArrays[At(s)];
      const double v = At(unit) < triples.size() ? triples[At(unit)].value : MISSING_VALUE;
      values[At(s)] = v;
      if (!IsMissing(v)) gathered.Append(v);
    }
    const double q1 = SelectQuantile(gathered.Elements(), gathered.Length(), high);
    const double q2 = SelectQuantile(gathered.Elements(), gathered.Length(), low);
    // Equal or non-positive percentiles give no fold and no scale to rescale by.
    if (IsMissing(q1) || IsMissing(q2) || q1 == q2 || q1 <= 0.0 || q2 <= 0.0) continue;
    if (fold > q1 / q2) continue;
    ++kept;
    text += Layout.units[At(unit)].Name();
    text += '\t';
    for (int s = 0; s < samples; ++s) {
      const double v = values[At(s)];
      if (!IsMissing(v)) AppendNumber(text, range * (2.0 * (v - q2) / (q1 - q2) - 1.0));
      text += '\t';
    }
    text += '\n';
    if (!out.WriteFull()) return WriteFailed(path, file.Error());
  }
  if (!out.WriteAll() || !file.Commit()) return WriteFailed(path, file.Error());

  RegisterOutputFile(path, false);
  LogMessage(MessageBuffer(kPercentileDoneMessage, kept, path.c_str()));
  LogMessage(kPercentileViewingMessage);
  LogMessage("}\n", 0, kLogBlue);
  return true;
}
