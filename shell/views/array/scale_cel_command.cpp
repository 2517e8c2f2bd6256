// Scale CEL Value: the dialog, then the engine's job.
#include "shell/views/array/scale_cel_command.hpp"

#include "engine/group/group.hpp"
#include "engine/jobs/scale_cel_values.hpp"
#include "engine/services/running_scope.hpp"
#include "shell/dialogs/array/scale_cel_dialog.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

bool RunScaleCelValue(ShellFrame& frame, int array) {
  if (array < 0 || array >= TheGroup().NumArrays()) return false;
  ScaleCelDialog dialog(frame.Window(), array);
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return false;
  // The readers stop when AnalysisRunning is clear.
  const RaisedAnalysisRunning running;
  return ScaleCelValues(array, dialog.Target());
}
