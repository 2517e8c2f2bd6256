// The document of the analysis log: the rich text the log pane shows. It holds no
// analysis data, and closing the program never asks to save it.
#pragma once

#include <QObject>

class QTextDocument;

class CAnalysisDoc final : public QObject {
  Q_OBJECT
 public:
  explicit CAnalysisDoc(QObject* parent = nullptr);

  QTextDocument& Text() { return *mText; }
  const QTextDocument& Text() const { return *mText; }

  // A new, empty log.
  bool OnNewDocument();
  // Whether closing may go on: always, the log is never offered for saving.
  bool SaveModified() const { return true; }

 private:
  QTextDocument* mText;
};
