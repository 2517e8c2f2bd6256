// Analysis/Normalize: every array normalised onto the baseline chosen in the dialog, on
// the common road; the job closes its block itself.

#include <string>

#include "engine/array/chip_data.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/normalize_arrays.hpp"
#include "engine/model/model.hpp"
#include "engine/services/log_channel.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/group_switch.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/expression/normalize_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

namespace {

// Raises the group's probe-level flag for the span of the job.
class ProbeLevelScope {
 public:
  ProbeLevelScope() : mSaved(ProbeLevelFlag) { ProbeLevelFlag = true; }
  ~ProbeLevelScope() { ProbeLevelFlag = mSaved; }
  ProbeLevelScope(const ProbeLevelScope&) = delete;
  ProbeLevelScope& operator=(const ProbeLevelScope&) = delete;

 private:
  bool mSaved;
};

constexpr const char* kNormMethodNames[] = {"Invariant set normalization",
                                            "Quantile normalization"};

void Normalize(ShellFrame& frame) {
  NormalizeDialog dialog(frame.Window());
  const int method = TheGroup().Settings().NORM_METHOD != 0 ? 1 : 0;
  AnalysisCommand command;
  command.title = std::string("Normalize arrays using ") + kNormMethodNames[method];
  command.dialog = DialogStep(dialog);
  command.failureLine = "Normalization not completed}";
  command.jobClosesBlock = true;
  command.job = [&dialog](AnalysisOutcome&) {
    // Every array's cell intensities are read, also without probe data in memory.
    const ProbeLevelScope probeLevel;
    Group& group = TheGroup();
    group.BaselineArray = dialog.BaselineArray();
    // Without probe data in memory the cells come from the chip description again; a
    // group of external data has none.
    const bool chip =
        group.Settings().LOAD_PROBE_DATA != 0 || !group.HasProbeData || LoadGroupChip(false, true);
    if (chip && NormalizeArrays(dialog.IgnoreNormalized())) {
      // The probe data view fits its probe set again from the new intensities.
      Model.ClearProbeSet();
      return true;
    }
    LogEnabled = 1;
    return false;
  };
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterNormalizeCommands(CommandRegistry& registry) {
  registry.Add(ids::kNormalize, Normalize);
}
