// The "Filter genes" page of the Filter Genes sheet.
#include "shell/dialogs/filter/filter_genes_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/filter/filter_file_rows.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr const char* kAllGenes = "all genes";

QLabel* Label(const char* text, QWidget* parent) {
  return new QLabel(QString::fromLatin1(text), parent);
}

}  // namespace

CClusterGeneDialog::CClusterGeneDialog(std::function<void()> openOptions, QWidget* parent)
    : PropertyPage(parent) {
  setObjectName(ControlName(kPageId));
  GroupSettings& settings = TheGroup().Settings();
  // SNP arrays have no present calls to count, and their data are shown on a fixed range.
  if (ArrayType != 0) {
    settings.USE_CALL_FILTER = 0;
    settings.DISPLAY_RANGE = kSnpDisplayRange;
    settings.USE_STD_SEP = 0;
  }
  auto* layout = new QVBoxLayout(this);
  auto* criteria = new QGroupBox(QStringLiteral("Filtering criteria"), this);
  auto* grid = new QGridLayout(criteria);

  mUseVariation = OptionCheck(
      "Variation across samples (after pooling replicate arrays) :", kUseVariation, criteria);
  mVariationLow = OptionEdit(kVariationLow, criteria);
  mVariationHigh = OptionEdit(kVariationHigh, criteria);
  mVariationMeasure =
      OptionCombo({"Standard deviation / Mean", "Standard deviation (for logged data)"},
                  kVariationMeasure, criteria);
  grid->addWidget(Label("(1)", criteria), 0, 0);
  grid->addWidget(mUseVariation, 0, 1, 1, 4);
  grid->addWidget(mVariationLow, 1, 1);
  grid->addWidget(Label("<  Median(Standard deviation / Mean)  <", criteria), 1, 2);
  grid->addWidget(mVariationHigh, 1, 3);
  grid->addWidget(mVariationMeasure, 1, 4);

  mUseCalls = OptionCheck("P call % in the arrays used  >=", kUseCalls, criteria);
  mPresence = OptionEdit(kPresence, criteria);
  grid->addWidget(Label("(2)", criteria), 2, 0);
  grid->addWidget(mUseCalls, 2, 1, 1, 2);
  grid->addWidget(mPresence, 2, 3);

  mUseReplicates =
      OptionCheck("Variation within replicate arrays called Present:", kUseReplicates, criteria);
  mReplicateLow = OptionEdit(kReplicateLow, criteria);
  mReplicateHigh = OptionEdit(kReplicateHigh, criteria);
  grid->addWidget(Label("(3)", criteria), 3, 0);
  grid->addWidget(mUseReplicates, 3, 1, 1, 4);
  grid->addWidget(mReplicateLow, 4, 1);
  grid->addWidget(Label("<  Median(Standard deviation / Mean)  <", criteria), 4, 2);
  grid->addWidget(mReplicateHigh, 4, 3);

  mUseExpression = OptionCheck("The expression level is  >= ", kUseExpression, criteria);
  mExpressionValue = OptionEdit(kExpressionValue, criteria);
  mExpressionPercent = OptionEdit(kExpressionPercent, criteria);
  grid->addWidget(Label("(4)", criteria), 5, 0);
  grid->addWidget(mUseExpression, 5, 1);
  grid->addWidget(mExpressionValue, 5, 2);
  auto* percent = new QHBoxLayout;
  percent->addWidget(Label("in  >=", criteria));
  percent->addWidget(mExpressionPercent);
  percent->addWidget(Label("% samples", criteria));
  grid->addLayout(percent, 5, 3, 1, 2);
  for (QLineEdit* edit : {mVariationLow, mVariationHigh, mPresence, mReplicateLow, mReplicateHigh,
                          mExpressionValue, mExpressionPercent})
    edit->setMaximumWidth(80);
  layout->addWidget(criteria);

  mInputList = OptionFileButton(kInputList, this);
  mOutputList = OptionFileButton(kOutputList, this);
  layout->addLayout(FilterFileRows(
      {{"Filter on gene list:", mInputList}, {"Filtered gene list:", mOutputList}}, this));

  auto* row = new QHBoxLayout;
  auto* options = new QPushButton(QStringLiteral("&Options..."), this);
  options->setObjectName(ControlName(ids::kOptionsButton));
  options->setAutoDefault(false);
  row->addWidget(options);
  row->addStretch(1);
  auto* help = ManualLink("filter-genes", this);
  row->addWidget(help);
  layout->addLayout(row);

  mUseVariation->setChecked(settings.USE_CV_FILTER != 0);
  ShowDouble(mVariationLow, settings.CV_LOWER);
  ShowDouble(mVariationHigh, settings.CV_UPPER);
  mVariationMeasure->setCurrentIndex(settings.FILTER_VAR_METHOD);
  mUseCalls->setChecked(settings.USE_CALL_FILTER != 0);
  ShowInt(mPresence, settings.FILTER_PRESENCE);
  mUseReplicates->setChecked(settings.USE_REP_FILTER != 0);
  ShowDouble(mReplicateLow, settings.REP_FILTER_LOW);
  ShowDouble(mReplicateHigh, settings.REP_FILTER_HIGH);
  mUseExpression->setChecked(settings.USE_EXPR_FILTER != 0);
  ShowDouble(mExpressionValue, settings.EXPR_FILTER_VALUE);
  ShowInt(mExpressionPercent, settings.EXPR_FILTER_PCT);

  const bool calls = TheGroup().HasCalls && ArrayType == 0;
  mUseCalls->setEnabled(calls);
  mPresence->setEnabled(calls);
  if (!calls) mUseCalls->setChecked(false);
  // Replicate variation needs a sample made of more than one array.
  const bool replicates = SampleGrouping.SampleCount() < TheGroup().NumArrays();
  mUseReplicates->setEnabled(replicates);
  if (!replicates) mUseReplicates->setChecked(false);

  mInputFile = settings.FILTER_INPUT_LIST;
  mInputUse = settings.FILTER_INPUT_USE;
  ShowInputList();
  mOutputFile = settings.FILTER_OUTPUT_LIST;
  ShowFileName(mOutputList, mOutputFile, "None");

  connect(mVariationMeasure, &QComboBox::currentIndexChanged, this, [](int index) {
    if (index >= 0) TheGroup().Settings().FILTER_VAR_METHOD = index;
  });
  connect(mInputList, &QPushButton::clicked, this, [this] { CycleInputList(); });
  BrowseOnClick(mOutputList, mOutputFile, false, false, "None");
  connect(options, &QPushButton::clicked, this, [openOptions = std::move(openOptions)] {
    if (openOptions) openOptions();
  });
}

void CClusterGeneDialog::ShowInputList() {
  if (IsNone(mInputFile)) {
    SetControlText(mInputList, QStringLiteral("using ") + QLatin1String(kAllGenes));
    return;
  }
  SetControlText(mInputList, ToQString((mInputUse != 0 ? "using " : "excluding ") + mInputFile));
}

void CClusterGeneDialog::CycleInputList() {
  if (IsNone(mInputFile)) {
    // The file dialog starts at the list last used, which "None " switched off.
    BrowseFileName(mInputList, mInputFile, true, false, kAllGenes);
    if (!IsNone(mInputFile)) mInputUse = 1;
  } else if (mInputUse != 0) {
    mInputUse = 0;
  } else {
    mInputFile = "None " + mInputFile;
  }
  ShowInputList();
}

bool CClusterGeneDialog::OnKillActive() {
  GroupSettings edited = TheGroup().Settings();
  if (!ReadDoubleField(mVariationLow, edited.CV_LOWER) ||
      !ReadDoubleField(mVariationHigh, edited.CV_UPPER) ||
      !ReadIntField(mPresence, 0, kMaxPercent, edited.FILTER_PRESENCE) ||
      !ReadDoubleField(mReplicateLow, edited.REP_FILTER_LOW) ||
      !ReadDoubleField(mReplicateHigh, edited.REP_FILTER_HIGH) ||
      !ReadDoubleField(mExpressionValue, edited.EXPR_FILTER_VALUE) ||
      !ReadIntField(mExpressionPercent, 0, kMaxPercent, edited.EXPR_FILTER_PCT))
    return false;
  if (IsNone(mOutputFile)) {
    AfxMessageBox(kNoOutputMessage);
    mOutputList->setFocus();
    return false;
  }
  edited.USE_CV_FILTER = mUseVariation->isChecked() ? 1 : 0;
  edited.FILTER_VAR_METHOD = ChosenIndex(mVariationMeasure, edited.FILTER_VAR_METHOD);
  edited.USE_CALL_FILTER = mUseCalls->isEnabled() && mUseCalls->isChecked() ? 1 : 0;
  edited.USE_REP_FILTER = mUseReplicates->isEnabled() && mUseReplicates->isChecked() ? 1 : 0;
  edited.USE_EXPR_FILTER = mUseExpression->isChecked() ? 1 : 0;
  edited.FILTER_INPUT_LIST = mInputFile;
  edited.FILTER_INPUT_USE = mInputUse;
  edited.FILTER_OUTPUT_LIST = mOutputFile;
  TheGroup().Settings() = edited;
  return true;
}
