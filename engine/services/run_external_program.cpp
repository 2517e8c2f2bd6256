// An outside console program run into the analysis log.
#include "engine/services/run_external_program.hpp"
#include "engine/services/logged_replacement.hpp"

#include "engine/services/log_channel.hpp"
#include "engine/services/output_window.hpp"
#include "engine/services/redirected_process.hpp"
#include "platform/readable_file.hpp"

namespace {

bool ProgramFound(const std::string& program) {
  if (!platform::CanReadFile(program)) {
    LogMessage("    Program file '" + program + "' not found", 0, kLogRed);
    return false;
  }
  return true;
}

// The run's copy of its output is whole, or a red line says why not.
bool CopyWritten(const CRedirectedProcess& process, const std::string& copyFile) {
  if (process.CopyError() == 0) return true;
  return LogWriteFailure("    Writing file '" + copyFile + "' failed", process.CopyError());
}

}  // namespace

bool RunExternalProgram(const std::vector<std::string>& arguments, const std::string& workingFolder,
                        const std::string& copyFile) {
  if (arguments.empty() || !ProgramFound(arguments.front())) return false;
  std::string commandLine;
  for (const std::string& word : arguments) commandLine += (commandLine.empty() ? "" : " ") + word;
  LogMessage(commandLine, 0, kLogGreen);
  CRedirectedProcess process(arguments, LogOutputWindow(), workingFolder, copyFile);
  process.Run();
  return CopyWritten(process, copyFile);
}

bool RunExternalProgram(const std::string& program, const std::string& arguments,
                        const std::string& copyFile) {
  if (!ProgramFound(program)) return false;
  const std::string commandLine = program + " " + arguments;
  LogMessage(commandLine, 0, kLogGreen);
  // The program's path is quoted for the run, so that blanks in it do not split it.
  CRedirectedProcess process("\"" + program + "\" " + arguments, LogOutputWindow(), "", copyFile);
  process.Run();
  return CopyWritten(process, copyFile);
}
