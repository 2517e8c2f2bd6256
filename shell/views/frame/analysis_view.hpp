// The analysis log pane: view 0 of the right pane. Lines arrive coloured through the log
// channel at the end; progress counters overwrite their own line; written files appear as
// links; the user may edit the text (type, cut, paste, undo); Save Log writes the whole
// log as rich text.
#pragma once

#include <QTextBrowser>

#include <string>
#include <string_view>

#include "engine/base/colour.hpp"
#include "shell/views/pane/right_view.hpp"

class CAnalysisDoc;

class CAnalysisView final : public QTextBrowser, public RightView {
  Q_OBJECT
 public:
  CAnalysisView(CAnalysisDoc& document, QWidget* parent);

  // The welcome text, on the log's first display.
  void OnInitialUpdate() override;

  // Appends text and a line break in the colour, or with replaceLastLine overwrites the
  // last written line (on an empty log it appends).
  void AddText(std::string_view text, bool replaceLastLine, COLORREF colour);

  // Puts a link to the file at the end of the log, followed by an empty line; clicking
  // the link opens the file.
  void InsertFileIntoLog(std::string_view path);

  // Analysis/Save Log: asks for the file (under DefaultLogFileName) and writes the log.
  void OnFileSaveAs();
  // "<working folder>/zelko <group> log <start date>.doc", the date as mm_dd_yy.
  std::string DefaultLogFileName() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void ScrollToEnd();
};
