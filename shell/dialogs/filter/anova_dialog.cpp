// The ANOVA and correlation filtering dialog.
#include "shell/dialogs/filter/anova_dialog.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/user_prompt.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/select_factors_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

QRadioButton* Radio(const char* text, int id, QWidget* parent) {
  auto* radio = new QRadioButton(QString::fromLatin1(text), parent);
  radio->setObjectName(ControlName(id));
  return radio;
}

}  // namespace

AnovaDialog::AnovaDialog(std::function<bool()> hasCurrentGene, QWidget* parent)
    : NamedDialog(parent, kDialogId,
                  QStringLiteral("Analysis of Variance or Correlation Filtering")),
      mHasCurrentGene(std::move(hasCurrentGene)) {
  const Group& group = TheGroup();
  const GroupSettings& settings = group.Settings();
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);

  mUseFactor = Radio("Use factor for ANOVA or numerical variable for correlation filtering",
                     kUseFactor, this);
  mUseCurrentGene =
      Radio("Use current gene or gene cluster for correlation filtering", kUseCurrentGene, this);
  // Neither is chosen until the user picks one.
  auto* methods = new QButtonGroup(this);
  methods->addButton(mUseFactor, kMethodFactor);
  methods->addButton(mUseCurrentGene, kMethodCurrentGene);
  grid->addWidget(mUseFactor, 0, 0, 1, 2);
  mFactor = settings.ANOVA_FACTOR;
  mFactorButton = new QPushButton(this);
  mFactorButton->setObjectName(ControlName(kFactorButton));
  mFactorButton->setAutoDefault(false);
  SetControlText(mFactorButton, IsNone(mFactor) ? QStringLiteral("factor") : ToQString(mFactor));
  mFactorButton->setEnabled(SampleInfo.ColumnCount() > 0);
  grid->addWidget(mFactorButton, 1, 1);
  grid->addWidget(mUseCurrentGene, 2, 0, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("P-value <="), this), 3, 0);
  mPvalue = OptionEdit(kPvalue, this);
  ShowDouble(mPvalue, settings.ANOVA_PVALUE);
  grid->addWidget(mPvalue, 3, 1);
  mAbsolute = OptionCheck("&Use absolute correlation (include genes with opposite profile)",
                          kAbsoluteCorrelation, this);
  mAbsolute->setChecked(group.RunOptions().factorAbsoluteCorrelation);
  mRank = OptionCheck("Use &rank correlation (more robust and detect nonlinear relationship)",
                      kRankCorrelation, this);
  mRank->setChecked(group.RunOptions().factorRankCorrelation);
  grid->addWidget(mAbsolute, 4, 0, 1, 2);
  grid->addWidget(mRank, 5, 0, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("Export gene list:"), this), 6, 0);
  mExportFile = platform::JoinPath(settings.WORKING_DIR, group.Name() + " anova filtering.xls");
  mExportButton = OptionFileButton(kExportFile, mExportFile, false, false, "all genes", this);
  grid->addWidget(mExportButton, 6, 1);
  grid->setColumnStretch(1, 1);

  auto* help = ManualLink("timecourse", this);
  layout->addWidget(help);
  AddOkCancelRow(*this, *layout);

  connect(methods, &QButtonGroup::idClicked, this, [this](int id) { mMethod = id; });
  connect(mFactorButton, &QPushButton::clicked, this, [this] {
    SelectFactorsDialog select(mFactor, this);
    if (Prompts().RunDialog(select) == QDialog::Accepted)
      SetControlText(mFactorButton, ToQString(mFactor));
  });
}

void AnovaDialog::accept() {
  double pvalue = 0.0;
  if (!ReadDoubleField(mPvalue, 0.0, kMaxPvalue, pvalue)) return;
  const bool factor = !IsNone(mFactor);
  const bool gene = mHasCurrentGene && mHasCurrentGene();
  // Each analysis needs its own subject; a dialog left undecided takes what it has.
  int method = mMethod;
  if (method == kMethodNone) method = factor ? kMethodFactor : kMethodCurrentGene;
  if ((method == kMethodFactor && !factor) || (method == kMethodCurrentGene && !gene)) {
    AfxMessageBox(kNoFactorMessage);
    return;
  }
  mMethod = method;
  Group& group = TheGroup();
  GroupSettings& settings = group.Settings();
  settings.ANOVA_FACTOR = mFactor;
  settings.ANOVA_PVALUE = pvalue;
  group.RunOptions().factorAbsoluteCorrelation = mAbsolute->isChecked();
  group.RunOptions().factorRankCorrelation = mRank->isChecked();
  QDialog::accept();
}
