// The analysis commands of the Analysis menu. Each runs on the common road
// (RunAnalysisCommand); a command whose engine job does not exist yet is not registered,
// so its menu item stays disabled.
#include "engine/services/log_channel.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/resource_ids.hpp"

void RegisterAnalysisCommands(CommandRegistry& registry) {
  // The running job sees the cleared flag at its next poll and stops.
  registry.Add(ids::kStopAnalysis, [](ShellFrame&) { AnalysisRunning = 0; });
}
