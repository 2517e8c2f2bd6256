#include "shell/dialogs/array/export_probe_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr const char* kAllProbeSets = "all probe sets";

int CurrentUnit() {
  const int unit = TheGroup().Settings().CUR_UNIT;
  return unit >= 0 && unit < Layout.unitCount ? unit : -1;
}

}  // namespace

ExportProbeDialog::ExportProbeDialog(std::function<void()> openModelOptions, QWidget* parent)
    : QDialog(parent), mOpenModelOptions(std::move(openModelOptions)) {
  setObjectName(ControlName(kDialogId));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);

  mCurrent = new QRadioButton(this);
  mCurrent->setObjectName(ControlName(kCurrentProbeSet));
  mList = new QRadioButton(QStringLiteral("Gene list:"), this);
  mList->setObjectName(ControlName(kGeneList));
  mGeneList = new QPushButton(this);
  mGeneList->setObjectName(ControlName(kGeneListButton));
  grid->addWidget(mCurrent, 0, 0, 1, 2);
  grid->addWidget(mList, 1, 0);
  grid->addWidget(mGeneList, 1, 1);

  grid->addWidget(new QLabel(QStringLiteral("Output file:"), this), 2, 0);
  mOutput = new QPushButton(this);
  mOutput->setObjectName(ControlName(kOutputFile));
  grid->addWidget(mOutput, 2, 1);

  mPositions =
      new QCheckBox(QStringLiteral("Output CEL position of PM probe (mm.y = pm.y + 1)"), this);
  mPositions->setObjectName(ControlName(kPositionColumns));
  mPsi = new QCheckBox(QStringLiteral("Export PSI"), this);
  mPsi->setObjectName(ControlName(kExportPsi));
  grid->addWidget(mPositions, 3, 0, 1, 2);
  grid->addWidget(mPsi, 4, 0, 1, 2);
  mPsiFile = new QLabel(this);
  mPsiFile->setObjectName(ControlName(kPsiFile));
  grid->addWidget(mPsiFile, 5, 0);
  auto* change = new QPushButton(QStringLiteral("&Change..."), this);
  change->setObjectName(ControlName(kChange));
  grid->addWidget(change, 5, 1);

  AddOkCancelRow(*this, *layout);

  connect(mCurrent, &QRadioButton::toggled, this, [this] { FollowChoices(); });
  connect(mPsi, &QCheckBox::toggled, this, [this] { FollowChoices(); });
  connect(mGeneList, &QPushButton::clicked, this, [this] {
    BrowseFileName(mGeneList, mGeneListFile, true, true, kAllProbeSets);
    FollowChoices();
  });
  BrowseOnClick(mOutput, mOutputFile, false, false, "");
  // A probe sensitivity index file chosen in the options is named at once.
  connect(change, &QPushButton::clicked, this, [this] {
    if (mOpenModelOptions) mOpenModelOptions();
    Fill();
  });

  mPositions->setChecked(TheGroup().RunOptions().probeExportPositionColumns);
  mGeneListFile = TheGroup().Settings().GENE_LIST_FILE;
  Fill();
}

void ExportProbeDialog::Fill() {
  const int unit = CurrentUnit();
  const std::string name =
      unit >= 0 ? std::string(Layout.units[static_cast<std::size_t>(unit)].Name()) : "";
  mCurrent->setText(ToQString("Current probe set: " + name));
  mCurrent->setEnabled(unit >= 0);
  (unit >= 0 ? mCurrent : mList)->setChecked(true);
  ShowFileName(mGeneList, mGeneListFile, kAllProbeSets);
  mPsiFile->setText(
      ToQString("PSI file used: " + platform::FileName(TheGroup().Settings().PSI_FILE_NAME)));
  FollowChoices();
}

void ExportProbeDialog::FollowChoices() {
  const bool psi = mPsi->isChecked();
  setWindowTitle(psi ? QStringLiteral("Export probe sensitivity index in text files")
                     : QStringLiteral("Export PM and MM probe values"));
  const char* suffix = psi ? " PSI data.xls" : " probe data.xls";
  const Group& group = TheGroup();
  const int unit = CurrentUnit();
  if (mList->isChecked() && !IsNone(mGeneListFile)) {
    mOutputFile = platform::ReplaceExtension(mGeneListFile, suffix);
  } else {
    std::string name = group.Name();
    if (mCurrent->isChecked() && unit >= 0)
      name += " " + std::string(Layout.units[static_cast<std::size_t>(unit)].Name());
    mOutputFile = platform::JoinPath(group.Settings().WORKING_DIR, name + suffix);
  }
  SetControlText(mOutput, ToQString(platform::FileName(mOutputFile)));
}

void ExportProbeDialog::accept() {
  mCurrentOnly = mCurrent->isChecked();
  mExportPsi = mPsi->isChecked();
  Group& group = TheGroup();
  group.Settings().GENE_LIST_FILE = mGeneListFile;
  group.RunOptions().probeExportPositionColumns = mPositions->isChecked();
  QDialog::accept();
}
