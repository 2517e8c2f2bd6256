// The "Compare samples" page of the Compare Samples sheet.
#include "shell/dialogs/samples/compare_sample_page.hpp"

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/compare/compare_criteria.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/select_samples_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

QLineEdit* NumberEdit(int id, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(ControlName(id));
  edit->setMaximumWidth(80);
  return edit;
}

QListWidget* SampleList(int id, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(ControlName(id));
  // A click toggles a sample, as in a list of several choices.
  list->setSelectionMode(QAbstractItemView::MultiSelection);
  return list;
}

std::vector<int> SelectedRows(const QListWidget& list) {
  std::vector<int> rows;
  for (int row = 0; row < list.count(); ++row)
    if (list.item(row)->isSelected()) rows.push_back(row);
  return rows;
}

int SelectedCount(const QListWidget& list) {
  return static_cast<int>(SelectedRows(list).size());
}

void FillSamples(QListWidget& list, const std::vector<int>& selected) {
  const QSignalBlocker quiet(&list);
  list.clear();
  for (int s = 0; s < SampleGrouping.SampleCount(); ++s)
    list.addItem(ToQString(MessageBuffer("%s [%d]", SampleGrouping.SampleName(s).c_str(), s + 1)));
  for (const int sample : selected)
    if (sample >= 0 && sample < list.count()) list.item(sample)->setSelected(true);
}

void Enable(QCheckBox& box, QLineEdit& edit, bool enabled) {
  box.setEnabled(enabled);
  edit.setEnabled(enabled);
  if (!enabled) box.setChecked(false);
}

}  // namespace

CCompareSampleDlg::CCompareSampleDlg(COMPARE_CRITERIA& criteria, QWidget* parent)
    : PropertyPage(parent), mCriteria(criteria) {
  setObjectName(ControlName(kPageId));
  auto* layout = new QVBoxLayout(this);

  auto* lists = new QHBoxLayout;
  const auto side = [this, lists](const char* title, int listId, int buttonId, QListWidget*& list,
                                  QPushButton*& button) {
    auto* box = new QGroupBox(QString::fromLatin1(title), this);
    auto* column = new QVBoxLayout(box);
    list = SampleList(listId, box);
    button = new QPushButton(QStringLiteral("Select by category"), box);
    button->setObjectName(ControlName(buttonId));
    column->addWidget(list);
    column->addWidget(button);
    lists->addWidget(box);
  };
  side("Baseline (B)", kBaselineList, kBaselineByCategory, mBaseline, mBaselineByCategory);
  side("Experiment (E)", kExperimentList, kExperimentByCategory, mExperiment,
       mExperimentByCategory);
  layout->addLayout(lists, 1);

  auto* tests = new QGroupBox(QStringLiteral("Comparison criteria"), this);
  auto* grid = new QGridLayout(tests);
  // A criterion that holds either way: its number, then each way's check and bound.
  const auto eitherWayRow = [grid, tests](int row, const char* number, QCheckBox* oneWay,
                                          QLineEdit* oneBound, QCheckBox* otherWay,
                                          QLineEdit* otherBound) {
    grid->addWidget(new QLabel(QString::fromLatin1(number), tests), row, 0);
    grid->addWidget(oneWay, row, 1);
    grid->addWidget(oneBound, row, 2);
    grid->addWidget(otherWay, row, 3);
    grid->addWidget(otherBound, row, 4);
  };
  mUseEoverB = OptionCheck("E / B  > ", kUseEoverB, tests);
  mEoverB = NumberEdit(kEoverB, tests);
  mUseBoverE = OptionCheck("or B / E  > ", kUseBoverE, tests);
  mBoverE = NumberEdit(kBoverE, tests);
  eitherWayRow(0, "(1)", mUseEoverB, mEoverB, mUseBoverE, mBoverE);
  mUseLowerBound =
      OptionCheck("Use lower 90% confidence bound of fold change", kUseLowerBound, tests);
  grid->addWidget(mUseLowerBound, 1, 1, 1, 4);
  mUseEminusB = OptionCheck("E - B  > ", kUseEminusB, tests);
  mEminusB = NumberEdit(kEminusB, tests);
  mUseBminusE = OptionCheck("or B - E  > ", kUseBminusE, tests);
  mBminusE = NumberEdit(kBminusE, tests);
  eitherWayRow(2, "(2)", mUseEminusB, mEminusB, mUseBminusE, mBminusE);
  mUsePvalue = OptionCheck("(P value for testing E = B)  <=", kUsePvalue, tests);
  mPvalue = NumberEdit(kPvalue, tests);
  grid->addWidget(mUsePvalue, 3, 1, 1, 3);
  grid->addWidget(mPvalue, 3, 4);
  mUsePcall = OptionCheck("P call of B >=", kUsePcall, tests);
  mPcallB = NumberEdit(kPcallB, tests);
  mPcallE = NumberEdit(kPcallE, tests);
  grid->addWidget(mUsePcall, 4, 1);
  grid->addWidget(mPcallB, 4, 2);
  grid->addWidget(new QLabel(QStringLiteral("and P call of E >="), tests), 4, 3);
  grid->addWidget(mPcallE, 4, 4);
  mUsePaired = OptionCheck("(P value for paired t-test)  <=", kUsePaired, tests);
  mPairPvalue = NumberEdit(kPairPvalue, tests);
  grid->addWidget(mUsePaired, 5, 1, 1, 3);
  grid->addWidget(mPairPvalue, 5, 4);
  layout->addWidget(tests);

  layout->addWidget(
      new QLabel(QStringLiteral("For logged data, use (2) instead of (1) for fold change."), this));
  auto* help = ManualLink("compare-samples", this);
  layout->addWidget(help);

  // The reverse thresholds follow the forward ones until they are edited themselves.
  connect(mEoverB, &QLineEdit::textEdited, mBoverE, &QLineEdit::setText);
  connect(mEminusB, &QLineEdit::textEdited, mBminusE, &QLineEdit::setText);
  for (QListWidget* list : {mBaseline, mExperiment})
    connect(list, &QListWidget::itemSelectionChanged, this, [this] { ApplyAvailability(); });
  connect(mBaselineByCategory, &QPushButton::clicked, this,
          [this] { SelectByCategory(*mBaseline); });
  connect(mExperimentByCategory, &QPushButton::clicked, this,
          [this] { SelectByCategory(*mExperiment); });
}

void CCompareSampleDlg::OnSetActive() {
  const COMPARE_CRITERION& working = mCriteria.working;
  FillSamples(*mBaseline, working.baseline);
  FillSamples(*mExperiment, working.experiment);
  const bool categories = SampleInfo.ColumnCount() > 0;
  mBaselineByCategory->setEnabled(categories);
  mExperimentByCategory->setEnabled(categories);
  ShowWorking();
  const bool calls = TheGroup().HasCalls;
  mUsePcall->setEnabled(calls);
  mPcallB->setEnabled(calls);
  mPcallE->setEnabled(calls);
  ApplyAvailability();
}

void CCompareSampleDlg::ShowWorking() {
  const COMPARE_CRITERION& working = mCriteria.working;
  mUseEoverB->setChecked(working.useEoverB != 0);
  ShowDouble(mEoverB, working.EoverB);
  mUseBoverE->setChecked(working.useBoverE != 0);
  ShowDouble(mBoverE, working.BoverE);
  mUseLowerBound->setChecked(working.useLowerBound != 0);
  mUseEminusB->setChecked(working.useEminusB != 0);
  ShowDouble(mEminusB, working.EminusB);
  mUseBminusE->setChecked(working.useBminusE != 0);
  ShowDouble(mBminusE, working.BminusE);
  mUsePvalue->setChecked(working.usePvalue != 0);
  ShowDouble(mPvalue, working.Pvalue);
  mUsePcall->setChecked(working.usePcall != 0);
  mPcallB->setText(QString::number(working.PcallB));
  mPcallE->setText(QString::number(working.PcallE));
  mUsePaired->setChecked(working.usePaired != 0);
  ShowDouble(mPairPvalue, working.pairPvalue);
}

void CCompareSampleDlg::ApplyAvailability() {
  const int b = SelectedCount(*mBaseline);
  const int e = SelectedCount(*mExperiment);
  const bool tTest = b >= 2 && e >= 2;
  Enable(*mUsePvalue, *mPvalue, tTest);
  Enable(*mUsePaired, *mPairPvalue, tTest && b == e);
}

void CCompareSampleDlg::SelectByCategory(QListWidget& list) {
  SelectSampleDialog dialog(false, kSelectionOverwrite, this);
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
  SetListSelection(dialog.Mode(), list, false);
  ApplyAvailability();
}

bool CCompareSampleDlg::OnKillActive() {
  COMPARE_CRITERION edited = mCriteria.working;
  if (!ReadDoubleField(mEoverB, 0.0, kMaxFold, edited.EoverB) ||
      !ReadDoubleField(mBoverE, 0.0, kMaxFold, edited.BoverE) ||
      !ReadDoubleField(mEminusB, 0.0, kMaxDifference, edited.EminusB) ||
      !ReadDoubleField(mBminusE, 0.0, kMaxDifference, edited.BminusE) ||
      !ReadDoubleField(mPvalue, 0.0, kMaxPvalue, edited.Pvalue) ||
      !ReadIntField(mPcallB, 0, kMaxPercent, edited.PcallB) ||
      !ReadIntField(mPcallE, 0, kMaxPercent, edited.PcallE) ||
      !ReadDoubleField(mPairPvalue, 0.0, kMaxPvalue, edited.pairPvalue))
    return false;
  edited.useEoverB = mUseEoverB->isChecked() ? 1 : 0;
  edited.useBoverE = mUseBoverE->isChecked() ? 1 : 0;
  edited.useLowerBound = mUseLowerBound->isChecked() ? 1 : 0;
  edited.useEminusB = mUseEminusB->isChecked() ? 1 : 0;
  edited.useBminusE = mUseBminusE->isChecked() ? 1 : 0;
  edited.usePvalue = mUsePvalue->isChecked() ? 1 : 0;
  edited.usePaired = mUsePaired->isChecked() ? 1 : 0;
  // Without calls there is nothing for the test to count.
  edited.usePcall = TheGroup().HasCalls && mUsePcall->isChecked() ? 1 : 0;
  edited.UpdateShowStdErr();

  const std::vector<int> baseline = SelectedRows(*mBaseline);
  const std::vector<int> experiment = SelectedRows(*mExperiment);
  if (baseline.empty() || experiment.empty()) {
    edited.baseline.clear();
    edited.experiment.clear();
    mCriteria.working = edited;
    return true;
  }
  edited.baseline = baseline;
  edited.experiment = experiment;
  mCriteria.working = edited;
  mCriteria.ReplaceSelected();
  // The first comparison needs no trip to the other page.
  if (mCriteria.count == 0 && mCriteria.InsertComparison(0, kCombineAnd, false))
    mCriteria.selected = 0;
  return true;
}
