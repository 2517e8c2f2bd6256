// The log pane: coloured lines, progress lines, file links and Save Log.
#include "shell/views/frame/analysis_view.hpp"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>

#include "engine/group/group.hpp"
#include "engine/group/welcome_text.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/system_error.hpp"
#include "shell/services/open_service.hpp"
#include "shell/services/output_files.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/rtf_writer.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/views/frame/analysis_doc.hpp"

namespace {

// The log's face: Arial (or its metric twin) at 10.5 points.
QFont LogFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(10.5);
  return font;
}

QTextCharFormat LineFormat(COLORREF colour) {
  QTextCharFormat format;
  format.setFont(LogFont());
  format.setForeground(ToQColor(colour));
  return format;
}

}  // namespace

CAnalysisView::CAnalysisView(CAnalysisDoc& document, QWidget* parent) : QTextBrowser(parent) {
  setObjectName(QStringLiteral("analysisView"));
  document.Text().setDefaultFont(LogFont());
  setDocument(&document.Text());
  setOpenLinks(false);
  setOpenExternalLinks(false);
  // The log is the user's to edit (typing, cut, paste, undo), and its file links still
  // open with a click.
  setReadOnly(false);
  setTextInteractionFlags(Qt::TextEditorInteraction | Qt::LinksAccessibleByMouse);
  viewport()->setMouseTracking(true);
  connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl& url) {
    Opener().Open(FromQString(url.isLocalFile() ? url.toLocalFile() : url.toString()));
  });
}

void CAnalysisView::OnInitialUpdate() {
  WelcomeText();
}

void CAnalysisView::AddText(std::string_view text, bool replaceLastLine, COLORREF colour) {
  QTextDocument* log = document();
  QTextCursor cursor(log);
  cursor.movePosition(QTextCursor::End);
  const int lines = log->blockCount();
  if (replaceLastLine && lines >= 2) {
    // The last written line with its break; the final block is the empty one after it.
    cursor.setPosition(log->findBlockByNumber(lines - 2).position());
    cursor.setPosition(log->findBlockByNumber(lines - 1).position(), QTextCursor::KeepAnchor);
  }
  cursor.insertText(ToQString(text) + QLatin1Char('\n'), LineFormat(colour));
  // A log line cannot be undone: Undo reaches back no further than the last line written.
  log->clearUndoRedoStacks();
  ScrollToEnd();
}

void CAnalysisView::InsertFileIntoLog(std::string_view path) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  QTextCharFormat link = LineFormat(kLogBlue);
  link.setAnchor(true);
  link.setAnchorHref(QUrl::fromLocalFile(ToQString(path)).toString());
  link.setFontUnderline(true);
  cursor.insertText(ToQString(platform::FileName(path)), link);
  AddText("\n", false, kLogBlack);
}

std::string CAnalysisView::DefaultLogFileName() const {
  const Group& group = TheGroup();
  std::string date = group.DateText.substr(0, group.DateText.find(','));
  for (char& c : date)
    if (c == '/') c = '_';
  return platform::JoinPath(group.Settings().WORKING_DIR,
                            "zelko " + group.Name() + " log " + date + ".doc");
}

void CAnalysisView::OnFileSaveAs() {
  FileDialogRequest request;
  request.open = false;
  request.startFile = DefaultLogFileName();
  request.defaultExtension = "doc";
  request.promptOverwrite = true;
  const std::optional<std::string> path = Prompts().FileName(request);
  if (!path) return;
  const std::string rtf = LogToRtf(*document());
  int error = 0;
  if (!platform::WriteWholeFile(
          *path, {reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size()}, &error)) {
    // Nothing was saved, so neither announce nor list the file.
    LogMessage(platform::WithSystemReason("  Can't write file " + *path, error), 0, kLogRed);
    return;
  }
  LogMessage("{Analysis log saved in " + *path + "}\n", 0, kLogBlue);
  RegisterOutputFile(*path, false);
}

void CAnalysisView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) AnalysisRunning = 0;
  QTextBrowser::keyPressEvent(event);
}

void CAnalysisView::mouseMoveEvent(QMouseEvent* event) {
  SetStatusText(0, "Analysis outputs");
  QTextBrowser::mouseMoveEvent(event);
}

void CAnalysisView::ScrollToEnd() {
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  setTextCursor(end);
  ensureCursorVisible();
}
