// Every program of tools/, run as a child process in a folder of its own: an option it
// does not know is refused with its usage text and a failure code, before anything is
// written; the usage asked for is given with success and writes nothing either.
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/process.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

struct ProgramRun {
  int exitCode = -1;
  std::string output;  // standard output and error together
};

ProgramRun RunProgram(std::vector<std::string> arguments, const std::string& folder) {
  platform::ChildProcess child;
  platform::SpawnRequest request;
  request.arguments = std::move(arguments);
  request.workingFolder = folder;
  platform::SpawnFailure failure;
  ProgramRun run;
  if (!child.Start(request, failure)) {
    ADD_FAILURE() << "cannot start " << request.arguments[0] << ": " << failure.error;
    return run;
  }
  char buffer[4096];
  for (int waits = 0; waits < 300;) {
    const long count = child.ReadOutput(buffer, sizeof buffer);
    if (count > 0) {
      run.output.append(buffer, static_cast<std::size_t>(count));
      continue;
    }
    if (child.HasEnded() && child.PeekOutput() != platform::OutputState::kData) break;
    if (!child.WaitForOutput(100)) ++waits;
  }
  EXPECT_TRUE(child.HasEnded()) << request.arguments[0] << " did not end";
  if (child.HasEnded() && WIFEXITED(child.ExitStatus()))
    run.exitCode = WEXITSTATUS(child.ExitStatus());
  return run;
}

bool IsEmpty(const std::filesystem::path& folder) {
  return std::filesystem::directory_iterator(folder) == std::filesystem::directory_iterator();
}

TEST(ToolPrograms, AnUnknownOptionIsRefusedWithTheUsageAndNothingWritten) {
  struct Case {
    std::vector<std::string> arguments;
    std::string usage;  // the start of the program's usage line
    int exitCode;
  };
  const std::string synth = ZELKO_SYNTH_PROGRAM;
  const std::string libgen = ZELKO_LIBGEN_PROGRAM;
  const std::vector<Case> cases = {
      {{synth, "--bogus"}, "usage: zelko-synth <command>", 2},
      {{synth, "chip", "--bogus", "1"}, "usage: zelko-synth chip", 2},
      {{synth, "chip", "--out", ".", "--bogus"}, "usage: zelko-synth chip", 2},
      {{synth, "cel", "--bogus", "1"}, "usage: zelko-synth cel", 2},
      {{synth, "dat", "--form", "text"}, "usage: zelko-synth dat", 2},
      {{synth, "group", "--bogus", "1"}, "usage: zelko-synth group", 2},
      {{synth, "genome", "--out", ".", "--bogus", "1"}, "usage: zelko-synth genome", 2},
      {{libgen, "library", "--help"}, "usage: zelko-libgen", 0},
      {{libgen, "skeleton", "-h"}, "usage: zelko-libgen", 0},
      {{libgen, "library", "--bogus"}, "usage: zelko-libgen", 2},
      {{libgen, "library", "out", "--bogus"}, "usage: zelko-libgen", 2},
      {{libgen, "library", "out", "--types"}, "usage: zelko-libgen", 2},
      {{libgen, "--bogus", "out"}, "usage: zelko-libgen", 2},
      {{OSQL_PROGRAM, "-Sserver", "-Usa", "-P", "-dTEMPDB", "-Qselect 1", "-Z"}, "usage: osql", 2},
      {{BCP_PROGRAM, "TEMPDB..T", "in", "t.txt", "-c", "-SLAB", "-Usa", "-P", "-Z9"},
       "usage: bcp",
       2},
      {{SQLPLUS_PROGRAM, "-x", "sa/pw@LAB", "@script.sql"}, "usage: sqlplus", 2},
      {{SQLLDR_PROGRAM, "sa/pw@LAB", "control='a.ctl'", "frobnicate=1"}, "usage: sqlldr", 2},
      {{SQLLDR_PROGRAM, "sa/pw@LAB", "control='a.ctl'", "-help"}, "usage: sqlldr", 2},
      {{QBHOST_PROGRAM, "--bogus", "1", "GetInstalledList"}, "usage: qbhost", 2},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& argument : c.arguments) line += argument + " ";
    SCOPED_TRACE(line);
    platform::testing::TempFolder folder;
    const ProgramRun run = RunProgram(c.arguments, folder.Path().string());
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    EXPECT_NE(run.output.find(c.usage), std::string::npos) << run.output;
    EXPECT_TRUE(IsEmpty(folder.Path())) << "the program wrote into its folder";
  }
}

}  // namespace
