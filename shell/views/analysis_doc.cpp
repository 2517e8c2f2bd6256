// The log document.
#include "shell/views/analysis_doc.hpp"

#include <QTextDocument>

CAnalysisDoc::CAnalysisDoc(QObject* parent) : QObject(parent), mText(new QTextDocument(this)) {
  mText->setUndoRedoEnabled(false);  // a log grows for hours; undo would keep all of it twice
}

bool CAnalysisDoc::OnNewDocument() {
  mText->clear();
  return true;
}
