#include "genes/filter/filter_genes.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "genes/filter/gene_columns.hpp"
#include "genes/filter/gene_filters.hpp"

namespace {

bool IsUnset(const std::string& path) {
  return path.empty() || path == "None";
}

}  // namespace

bool FilterGenes() {
  LogMessage("{Filter genes", 0, kLogBlue);
  const GroupSettings& s = TheGroup().Settings();
  GeneList.FitLayout();
  GeneList.ClearFlags();

  const GeneListUse listUse = InputGeneListUse(s.FILTER_INPUT_LIST, s.FILTER_INPUT_USE);
  const InputGenes input = SelectInputGenes(s.FILTER_INPUT_LIST, s.FILTER_INPUT_USE);
  if (listUse != GeneListUse::kAllGenes && input.allGenes)
    LogMessage(MessageBuffer(kFilterListUnreadableMessage, s.FILTER_INPUT_LIST.c_str()), 0,
               kLogRed);
  const bool listInForce = !input.allGenes;

  LogMessage("  Filtering genes...");
  LogMessage(MessageBuffer("    Array list file used: %s",
                           IsUnset(s.ARRAY_LIST_FILE) ? "None" : s.ARRAY_LIST_FILE.c_str()));
  LogMessage("    Gene 0");

  const GeneFilterCriteria criteria = GeneFilterCriteria::FromSettings();
  GeneFilter filter(criteria);
  const bool omitControls = s.OMIT_VOSK != 0;
  const int units = std::max(0, std::min(Layout.unitCount, static_cast<int>(Layout.units.size())));
  JobProgress& progress = Progress();
  int kept = 0;
  for (int unit = 0; unit < units; ++unit) {
    const bool keep = !(omitControls && IsControlUnit(unit)) &&
                      !(listInForce && !GeneList.Listed(unit)) && filter.Passes(unit);
    GeneList.SetListed(unit, keep);
    // The places follow the flags, in probe-set order, as a read of the written file gives.
    if (keep) GeneList.entries[static_cast<std::size_t>(kept++)].unit = unit;
    if ((unit + 1) % kFilterProgressStep == 0) {
      progress.ShowProgress(MessageBuffer("    Gene %d", unit + 1));
      progress.Pump();
    }
  }
  GeneList.length = GeneList.NumInteresting = kept;

  std::string listText;
  if (listInForce)
    listText =
        MessageBuffer(listUse == GeneListUse::kListed ? "in the file %s " : "not in the file %s ",
                      s.FILTER_INPUT_LIST.c_str());
  const std::string summary = MessageBuffer(kFilterSatisfiedMessage, kept, units, listText.c_str());
  LogMessage(summary, 1);
  if (kept == 0) LogMessage(kNothingFilteredMessage, 0, kLogRed);
  const std::vector<std::string> texts = criteria.ActiveTexts();
  for (const std::string& text : texts) LogMessage("      " + text);
  LogMessage("");

  const std::string& outputPath = s.FILTER_OUTPUT_LIST;
  if (!outputPath.empty()) {
    std::string file = "[FILTERING_CRITERIA]\n";
    file += "$ARRAY_LIST_FILE=" + s.ARRAY_LIST_FILE + "\n";
    file += "$FILTER_ON_GENE_LIST=" +
            (listUse == GeneListUse::kAllGenes ? std::string() : s.FILTER_INPUT_LIST) + "\n";
    file += "$FILTER_ON_USE_LIST=" + std::to_string(s.FILTER_INPUT_USE) + "\n";
    file += "$\t" + summary.substr(4) + "\n";
    for (const std::string& text : texts) file += "$\t" + text + "\n";
    file += "[FILTERING_RESULT]\n";
    WriteGeneColumnsHeader(file);
    file += '\n';
    for (int unit = 0; unit < units; ++unit) {
      if (!GeneList.Listed(unit)) continue;
      WriteGeneColumns(file, unit);
      file += '\n';
    }
    if (ReplaceFileTextOrLog(outputPath,
                             MessageBuffer(kFilterWriteFailedMessage, outputPath.c_str()), file)) {
      LogMessage(MessageBuffer(kFilterSavedMessage, outputPath.c_str()));
      RegisterOutputFile(outputPath, false);
    }
  }
  LogMessage("Finished}\n", 0, kLogBlue);
  return true;
}
