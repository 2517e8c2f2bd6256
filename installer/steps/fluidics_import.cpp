// The fluidics step's half for a library import: protocols chosen by name, each with its
// files and MAC file in the one source folder.
#include <string>

#include "installer/framework/install_log.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_runner.hpp"
#include "installer/steps/fluidics_step.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/path.hpp"

namespace quellbrook {

int FluidicsStep::CopyProtocolFiles() {
  bool failed = false;
  for (const std::string& protocol : protocols) {
    if (CopyTypeFiles(sourceFolder, destFolder, protocol,
                      FormatText("Copying fluidics protocol files for %s protocol...",
                                 protocol.c_str())) != kCopyDone)
      failed = true;
  }
  return failed ? kThereAreErrors : kResultSuccess;
}

int FluidicsStep::ImportFluidicsProtocols() {
  if (protocols.empty()) return kResultSuccess;
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  if (const int opened = BeginStepRun(*this, window, 3, kStepFluidics,
                                      "Import Fluidics Protocols into database...",
                                      "Start Importing Fluidics Protocols...",
                                      "Import Fluidics Protocols:", "--------------------------");
      opened != kResultSuccess) {
    errorText += MessageText(kConnectFailed);
    return opened;
  }

  int overall = kResultSuccess;
  for (const std::string& protocol : protocols) {
    const std::string macPath = platform::JoinPath(sourceFolder, protocol + ".MAC");
    // A name that would leave the folder is refused by the load, not taken for a missing
    // file.
    if (IsPlainLibraryName(protocol) && !platform::FileExists(macPath)) {
      WriteLogLine(logPath,
                   FormatText("Fluidics protocol MAC file for %s not found.  Database import is "
                              "skipped for %s.",
                              protocol.c_str(), protocol.c_str()),
                   kLogWarning);
      window.SetPos(kItemProgressSteps);
      continue;
    }
    BeginStepItem(*this, window, FormatText("Import Fluidics Protocols %s...", protocol.c_str()));
    const int result = LoadProtocol(window, protocol, macPath, "");
    WriteLogLine(logPath,
                 FormatText(result != 0 ? "Import Fluidics Protocols %s Failed."
                                        : "Import Fluidics Protocols %s Successfully.",
                            protocol.c_str()),
                 kLogInfo);
    if (overall == kResultSuccess) overall = result;
  }
  RunDropScript(*session, kStepFluidics);
  return overall;
}

}  // namespace quellbrook
