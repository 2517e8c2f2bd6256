// Log lines into the log pane.
#include "shell/views/frame/log_pane_sink.hpp"

#include "shell/shell_frame.hpp"
#include "shell/views/frame/analysis_view.hpp"

void LogPaneSink::AddText(std::string_view text, bool replaceLastLine, COLORREF colour) {
  if (mFrame.PaneView() != &mFrame.LogView()) {
    mFrame.ShowLog();
    PumpMessages();
  }
  mFrame.LogView().AddText(text, replaceLastLine, colour);
}
