// The routines of the main-frame commands by command id. Each command family registers
// its own routines from its file under shell/commands/; the main frame only looks them
// up. Whether a command is enabled or ticked comes from the one rule table
// (command_rules.cpp); a command nobody registered stays disabled.
#pragma once

#include <functional>
#include <map>

#include "shell/commands/command_rules.hpp"

class ShellFrame;

using CommandHandler = std::function<void(ShellFrame& frame)>;

class CommandRegistry {
 public:
  // A second routine for the same id replaces the first.
  void Add(int id, CommandHandler handler);
  bool Handles(int id) const;
  // The state of the command's menu item: its rule for a registered command, else
  // disabled.
  CommandState State(int id, const CommandContext& context) const;
  // Runs the command's routine; false when none is registered.
  bool Run(int id, ShellFrame& frame) const;

 private:
  std::map<int, CommandHandler> mHandlers;
};
