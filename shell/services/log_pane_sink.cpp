// Log lines into the log pane.
#include "shell/services/log_pane_sink.hpp"

#include "shell/views/analysis_view.hpp"
#include "shell/views/left_view.hpp"
#include "shell/main_frame.hpp"

void LogPaneSink::AddText(std::string_view text, bool replaceLastLine, COLORREF colour) {
  if (mFrame.PaneView() != &mFrame.AnalysisView()) {
    mFrame.ShowView(VIEW_ANALYSIS);
    mFrame.LeftView().SelectViewItem(VIEW_ANALYSIS);
    PumpMessages();
  }
  mFrame.AnalysisView().AddText(text, replaceLastLine, colour);
}
