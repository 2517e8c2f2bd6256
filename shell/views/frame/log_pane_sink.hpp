// The log channel's sink in the window: before a line is written, the right pane goes
// back to the log (and the tree to "Analysis") when another view is shown.
#pragma once

#include "engine/services/log_channel.hpp"

class ShellFrame;

class LogPaneSink final : public LogSink {
 public:
  explicit LogPaneSink(ShellFrame& frame) : mFrame(frame) {}
  void AddText(std::string_view text, bool replaceLastLine, COLORREF colour) override;

 private:
  ShellFrame& mFrame;
};
