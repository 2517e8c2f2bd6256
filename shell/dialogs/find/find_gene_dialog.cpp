// The find gene dialog and its range checks.
#include "shell/dialogs/find/find_gene_dialog.hpp"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "engine/services/log_channel.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/text_conversion.hpp"

FindGeneDialog::FindGeneDialog(int probeSetCount, bool geneInfoLoaded, QWidget* parent)
    : QDialog(parent), mProbeSetCount(probeSetCount) {
  setObjectName(ControlName(ids::kFindGeneDialog));
  setWindowTitle(QStringLiteral("Find probe set or gene"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Change one of the following to search:")));
  auto* fields = new QFormLayout;
  mNumber = new QLineEdit(QStringLiteral("0"));
  mNumber->setObjectName(ControlName(ids::kFindProbeSetNumber));
  mName = new QLineEdit;
  mName->setObjectName(ControlName(ids::kFindProbeSetName));
  mKeywords = new QLineEdit;
  mKeywords->setObjectName(ControlName(ids::kFindGeneKeywords));
  mKeywords->setEnabled(geneInfoLoaded);
  fields->addRow(QStringLiteral("Probe set number:"), mNumber);
  fields->addRow(QStringLiteral("Probe set name:"), mName);
  fields->addRow(QStringLiteral("Gene keywords:"), mKeywords);
  layout->addLayout(fields);
  auto* note = new QLabel(QStringLiteral(
      "(Can use wildcards, e.g. \"receptor * kinase\" matches with \"receptor tyrosine "
      "kinase\", and both \"receptor [1-9]\" and \"receptor ?\" match with \"receptor "
      "4\" )"));
  note->setWordWrap(true);
  layout->addWidget(note);
  AddOkCancelRow(*this, *layout);
}

void FindGeneDialog::SetFields(int number, const std::string& name, const std::string& keywords) {
  mNumber->setText(QString::number(number));
  mName->setText(ToQString(name));
  mKeywords->setText(ToQString(keywords));
}

int FindGeneDialog::Number() const {
  return mNumber->text().trimmed().toInt();
}

std::string FindGeneDialog::Name() const {
  return FromQString(mName->text());
}

std::string FindGeneDialog::Keywords() const {
  return FromQString(mKeywords->text());
}

void FindGeneDialog::accept() {
  bool isNumber = false;
  const int number = mNumber->text().trimmed().toInt(&isNumber);
  if (!isNumber || number < 0 || number >= mProbeSetCount) {
    AfxMessageBox(MessageBuffer("Please enter an integer between 0 and %d.", mProbeSetCount - 1));
    mNumber->setFocus();
    mNumber->selectAll();
    return;
  }
  if (mKeywords->text().toUtf8().size() > kMaxFindKeywordLength) {
    AfxMessageBox(MessageBuffer("Please enter no more than %d characters.", kMaxFindKeywordLength));
    mKeywords->setFocus();
    return;
  }
  QDialog::accept();
}
