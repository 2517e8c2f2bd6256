// Dialog 134 "Find probe set or gene": a probe-set number, a probe-set name and gene
// keywords with wildcards. The views' Find Gene reads the three fields and searches by
// the one the user changed.
#pragma once

#include <QDialog>

#include <string>

class QLineEdit;

inline constexpr int kMaxFindKeywordLength = 50;

class FindGeneDialog final : public QDialog {
  Q_OBJECT
 public:
  // Numbers run from 0 to probeSetCount - 1; keywords need gene information.
  FindGeneDialog(int probeSetCount, bool geneInfoLoaded, QWidget* parent);

  void SetFields(int number, const std::string& name, const std::string& keywords);
  int Number() const;
  std::string Name() const;
  std::string Keywords() const;

  // OK: refuses (and keeps the dialog open) a number outside the range or too long
  // keywords, telling the user why.
  void accept() override;

 private:
  int mProbeSetCount;
  QLineEdit* mNumber;
  QLineEdit* mName;
  QLineEdit* mKeywords;
};
