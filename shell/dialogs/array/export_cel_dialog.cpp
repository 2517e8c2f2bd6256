#include "shell/dialogs/array/export_cel_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/group/group.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/services/text_conversion.hpp"

std::string& ExportCelDialog::CelExportWord() {
  static std::string word = "new";
  return word;
}

ExportCelDialog::ExportCelDialog(QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Export CEL file")) {
  const GroupRunOptions& options = TheGroup().RunOptions();
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);

  mCurrent = new QRadioButton(QStringLiteral("Current array"), this);
  mCurrent->setObjectName(ControlName(kCurrentArray));
  mAll = new QRadioButton(QStringLiteral("All arrays"), this);
  mAll->setObjectName(ControlName(kAllArrays));
  (mAllArrays ? mAll : mCurrent)->setChecked(true);
  grid->addWidget(mCurrent, 0, 0);
  grid->addWidget(mAll, 0, 1);

  mInsert = new QCheckBox(QStringLiteral("Insert this word into file name:"), this);
  mInsert->setObjectName(ControlName(kInsertWord));
  mInsert->setChecked(mInsertWord);
  mWord = new QLineEdit(ToQString(CelExportWord()), this);
  mWord->setObjectName(ControlName(kWord));
  grid->addWidget(mInsert, 1, 0);
  grid->addWidget(mWord, 1, 1);

  mProbeSets = new QCheckBox(
      QStringLiteral("Export probe set name, probe pair order and PM/MM indication"), this);
  mProbeSets->setObjectName(ControlName(kProbeSetColumns));
  mProbeSets->setChecked(options.celExportProbeSetColumns);
  mBackground = new QCheckBox(
      QStringLiteral("Subtract background (local 5th percentile) from probe values"), this);
  mBackground->setObjectName(ControlName(kSubtractBackground));
  mBackground->setChecked(options.celExportSubtractBackground);
  grid->addWidget(mProbeSets, 2, 0, 1, 2);
  grid->addWidget(mBackground, 3, 0, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("CEL files will be exported into the working "
                                            "directory"),
                             this),
                  4, 0);
  // The working directory is shown, not chosen, here: the button does nothing.
  auto* change = new QPushButton(QStringLiteral("&Change..."), this);
  change->setObjectName(ControlName(kChange));
  grid->addWidget(change, 4, 1);

  AddOkCancelRow(*this, *layout);
}

void ExportCelDialog::accept() {
  mAllArrays = mAll->isChecked();
  mInsertWord = mInsert->isChecked();
  CelExportWord() = FromQString(mWord->text());
  GroupRunOptions& options = TheGroup().RunOptions();
  options.celExportProbeSetColumns = mProbeSets->isChecked();
  options.celExportSubtractBackground = mBackground->isChecked();
  QDialog::accept();
}
