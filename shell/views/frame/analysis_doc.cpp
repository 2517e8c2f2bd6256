// The log document.
#include "shell/views/frame/analysis_doc.hpp"

#include <QTextDocument>

CAnalysisDoc::CAnalysisDoc(QObject* parent) : QObject(parent), mText(new QTextDocument(this)) {
  // The user's edits can be undone; the log's own lines clear the undo history
  // (CAnalysisView::AddText), so it never holds hours of log text.
  mText->setUndoRedoEnabled(true);
}

bool CAnalysisDoc::OnNewDocument() {
  mText->clear();
  return true;
}
