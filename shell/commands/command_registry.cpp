// Looking up and running the registered command routines.
#include "shell/commands/command_registry.hpp"

void CommandRegistry::Add(int id, CommandHandler handler) {
  mHandlers[id] = std::move(handler);
}

bool CommandRegistry::Handles(int id) const {
  return mHandlers.find(id) != mHandlers.end();
}

CommandState CommandRegistry::State(int id, const CommandContext& context) const {
  if (!Handles(id)) return {};
  return FrameCommandRule(id, context);
}

bool CommandRegistry::Run(int id, ShellFrame& frame) const {
  const auto found = mHandlers.find(id);
  if (found == mHandlers.end()) return false;
  // A copy: a routine may register or replace routines while it runs.
  const CommandHandler handler = found->second;
  handler(frame);
  return true;
}
