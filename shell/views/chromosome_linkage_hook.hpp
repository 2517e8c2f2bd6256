// Where the linkage analysis plugs into the chromosome view's Linkage Analysis command:
// its dialog and its run. While either is unset the command stays disabled.
#pragma once

#include <cstdint>
#include <functional>

class QWidget;

struct ChromosomeLinkageHook {
  // The linkage dialog, offered defaultSeed as its random seed; true on OK.
  std::function<bool(QWidget* parent, std::int32_t defaultSeed)> dialog;
  // The run on the chromosome data; true when it completed.
  std::function<bool()> run;

  bool Installed() const { return dialog && run; }
};

// The program's one hook.
inline ChromosomeLinkageHook& TheChromosomeLinkageHook() {
  static ChromosomeLinkageHook hook;
  return hook;
}
