// The "Combine comparisons" page of the Compare Samples sheet.
#include "shell/dialogs/samples/compare_combine_page.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/compare/compare_criteria.hpp"
#include "genes/compare/compare_result_file.hpp"
#include "shell/dialogs/common/browse_into_edit.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr const char* kColumnTitles[] = {"Combine",
                                         "Baseline",
                                         "Experiment",
                                         "E/B>",
                                         "or B/E>",
                                         "Use",
                                         "E-B>",
                                         "or B-E>",
                                         "P value <=",
                                         "P call % of B >=",
                                         "P call % of E >=",
                                         "Pair P value <="};
constexpr int kColumnCount = static_cast<int>(std::size(kColumnTitles));
constexpr int kUseColumn = 5;

constexpr const char* kRadioLabels[] = {"And", "Or", "And not", "Or not"};

QPushButton* Button(const char* text, int id, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(ControlName(id));
  return button;
}

void SetCell(QTableWidget& list, int row, int column, const std::string& text) {
  list.setItem(row, column, new QTableWidgetItem(ToQString(text)));
}

}  // namespace

CCompareCombineDlg::CCompareCombineDlg(COMPARE_CRITERIA& criteria,
                                       std::function<void()> openOptions, QWidget* parent)
    : PropertyPage(parent), mCriteria(criteria), mCombine(new QButtonGroup(this)) {
  setObjectName(ControlName(kPageId));
  auto* layout = new QVBoxLayout(this);

  mList = new QTableWidget(0, kColumnCount, this);
  mList->setObjectName(ControlName(kComparisonList));
  mList->setSelectionBehavior(QAbstractItemView::SelectRows);
  mList->setSelectionMode(QAbstractItemView::SingleSelection);
  mList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  mList->setShowGrid(true);
  mList->verticalHeader()->hide();
  mList->horizontalHeader()->setStretchLastSection(false);
  mList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  mList->setWordWrap(false);
  mList->verticalHeader()->setDefaultSectionSize(mList->fontMetrics().height() + 6);
  const QFontMetrics metrics = mList->fontMetrics();
  for (int column = 0; column < kColumnCount; ++column) {
    const QString title = QString::fromLatin1(kColumnTitles[column]);
    mList->setHorizontalHeaderItem(column, new QTableWidgetItem(title));
    // As wide as its title, and wide enough for the thresholds the narrow titles head.
    const QString widest =
        column == kUseColumn ? QStringLiteral("Lower Bound") : QStringLiteral("1000.000");
    mList->setColumnWidth(
        column, std::max(metrics.horizontalAdvance(title), metrics.horizontalAdvance(widest)) + 14);
  }
  layout->addWidget(mList, 1);

  auto* editRow = new QHBoxLayout;
  auto* operators = new QGroupBox(QStringLiteral("Combine"), this);
  auto* operatorRow = new QHBoxLayout(operators);
  for (int combine = kCombineAnd; combine <= kCombineOrNot; ++combine) {
    auto* radio = new QRadioButton(QString::fromLatin1(kRadioLabels[combine]), operators);
    radio->setObjectName(ControlName(kAnd + combine));
    mCombine->addButton(radio, combine);
    operatorRow->addWidget(radio);
  }
  mCombine->button(kCombineAnd)->setChecked(true);
  editRow->addWidget(operators);
  mInsertComparison = Button("&Insert comparison", kInsertComparison, this);
  auto* insertParenthesis = Button("Insert parenthesis", kInsertParenthesis, this);
  auto* deleteEntry = Button("&Delete entry", kDeleteEntry, this);
  editRow->addWidget(mInsertComparison);
  editRow->addWidget(insertParenthesis);
  editRow->addWidget(deleteEntry);
  editRow->addStretch(1);
  layout->addLayout(editRow);

  auto* options = new QGroupBox(QStringLiteral("Genes and output"), this);
  auto* grid = new QGridLayout(options);
  grid->addWidget(new QLabel(QStringLiteral("Compare"), options), 0, 0);
  mGeneList = Button("all genes", kGeneListButton, options);
  grid->addWidget(mGeneList, 0, 1, 1, 2);
  auto* open = Button("Open", kResultFileButton, options);
  mResultFile = new QLineEdit(options);
  mResultFile->setObjectName(ControlName(kResultFile));
  grid->addWidget(new QLabel(QStringLiteral("Result file"), options), 1, 0);
  grid->addWidget(mResultFile, 1, 1);
  grid->addWidget(open, 1, 2);
  mOutputAll = new QCheckBox(QStringLiteral("Ouput &all genes"), options);
  mOutputAll->setObjectName(ControlName(kOutputAllGenes));
  grid->addWidget(mOutputAll, 2, 0, 1, 3);
  auto* permuteRow = new QHBoxLayout;
  mPermute = new QCheckBox(QStringLiteral("&Permute samples to assess False Discovery Rate (FDR)"),
                           options);
  mPermute->setObjectName(ControlName(kPermute));
  mPermutations = new QLineEdit(options);
  mPermutations->setObjectName(ControlName(kPermutationCount));
  mPermutations->setMaximumWidth(80);
  permuteRow->addWidget(mPermute);
  permuteRow->addWidget(mPermutations);
  permuteRow->addWidget(new QLabel(QStringLiteral("times"), options));
  permuteRow->addStretch(1);
  grid->addLayout(permuteRow, 3, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  layout->addWidget(options);

  auto* bottom = new QHBoxLayout;
  auto* help = ManualLink("combine-comparisons", this);
  bottom->addWidget(help);
  bottom->addStretch(1);
  auto* optionsButton = Button("&Options...", ids::kOptionsButton, this);
  bottom->addWidget(optionsButton);
  layout->addLayout(bottom);

  connect(mInsertComparison, &QPushButton::clicked, this, &CCompareCombineDlg::InsertComparison);
  connect(insertParenthesis, &QPushButton::clicked, this, &CCompareCombineDlg::InsertParenthesis);
  connect(deleteEntry, &QPushButton::clicked, this, &CCompareCombineDlg::DeleteEntry);
  connect(open, &QPushButton::clicked, this, &CCompareCombineDlg::OpenResultFile);
  connect(mGeneList, &QPushButton::clicked, this, &CCompareCombineDlg::CycleGeneList);
  connect(optionsButton, &QPushButton::clicked, this, [openOptions = std::move(openOptions)] {
    if (openOptions) openOptions();
  });
}

void CCompareCombineDlg::OnSetActive() {
  mInsertComparison->setEnabled(mCriteria.working.BaselineCount() >= 1);
  DrawList();
  const int selected = mCriteria.selected;
  SelectRow(selected >= 0 && selected < mCriteria.count ? selected : mCriteria.count);
  ShowSettings();
}

void CCompareCombineDlg::ShowSettings() {
  const GroupSettings& settings = TheGroup().Settings();
  mResultFile->setText(ToQString(settings.COMPARE_COMPARISON_FILE));
  mOutputAll->setChecked(settings.COMPARE_OUTPUT_ALL != 0);
  mPermute->setChecked(settings.PERMUTE_SAMPLE != 0);
  mPermutations->setText(QString::number(settings.PERMUTE_NUMBER));
  ShowGeneList();
}

void CCompareCombineDlg::ShowGeneList() {
  const GroupSettings& settings = TheGroup().Settings();
  if (IsNone(settings.FILTER_INPUT_LIST)) {
    mGeneList->setText(QStringLiteral("using all genes"));
    return;
  }
  const char* use = settings.FILTER_INPUT_USE != 0 ? "using " : "excluding ";
  mGeneList->setText(ToQString(use + settings.FILTER_INPUT_LIST));
}

void CCompareCombineDlg::DrawList() {
  const std::span<const COMPARE_CRITERION> entries = mCriteria.Entries();
  const bool closing = HasClosingRow(entries);
  const QSignalBlocker quiet(mList);
  mList->clearContents();
  mList->setRowCount(static_cast<int>(entries.size()) + (closing ? 1 : 0));
  for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
    SetCell(*mList, row, 0, CombineCellText(entries, row));
    const COMPARE_CRITERION& entry = entries[static_cast<std::size_t>(row)];
    if (entry.isParenthesis) continue;
    const std::vector<std::string> cells = ComparisonCellTexts(entry);
    for (int column = 1; column < kColumnCount; ++column) {
      const auto cell = static_cast<std::size_t>(column - 1);
      SetCell(*mList, row, column, cell < cells.size() ? cells[cell] : std::string());
    }
  }
  if (closing) SetCell(*mList, static_cast<int>(entries.size()), 0, ")");
}

void CCompareCombineDlg::SelectRow(int row) {
  mList->clearSelection();
  if (row < 0 || row >= mList->rowCount()) return;
  mList->selectRow(row);
  mList->scrollToItem(mList->item(row, 0));
}

int CCompareCombineDlg::ChosenRow() const {
  const QList<QTableWidgetSelectionRange> ranges = mList->selectedRanges();
  return ranges.isEmpty() ? -1 : ranges.front().topRow();
}

bool CCompareCombineDlg::ClosingRowChosen() const {
  return ChosenRow() == mCriteria.count && HasClosingRow(mCriteria.Entries());
}

void CCompareCombineDlg::InsertComparison() {
  const int row = ChosenRow();
  const int position = row < 0 ? 0 : ClosingRowChosen() ? mCriteria.count : row + 1;
  InsertAt(position, false, "Cannot insert a comparison here");
}

void CCompareCombineDlg::InsertParenthesis() {
  InsertAt(ChosenRow() + 1, true, "Cannot insert a parenthesis here");
}

void CCompareCombineDlg::InsertAt(int position, bool parenthesis, const char* refusal) {
  if (!mCriteria.InsertComparison(position, mCombine->checkedId(), parenthesis)) {
    AfxMessageBox(refusal);
    return;
  }
  DrawList();
  SelectRow(position);
}

void CCompareCombineDlg::DeleteEntry() {
  const int row = ChosenRow();
  if (row < 0) {
    AfxMessageBox("Cannot delete");
    return;
  }
  mCriteria.DeleteComparison(ClosingRowChosen() ? mCriteria.count - 1 : row);
  DrawList();
  SelectRow(row);
}

void CCompareCombineDlg::OpenResultFile() {
  const std::optional<std::string> file = BrowseIntoEdit(*mResultFile);
  if (!file) return;
  TheGroup().Settings().COMPARE_COMPARISON_FILE = *file;
  ReadCompareResult(mCriteria, false);
  mCriteria.selected = mCriteria.count > 0 ? 0 : -1;
  mInsertComparison->setEnabled(mCriteria.working.BaselineCount() >= 1);
  DrawList();
  SelectRow(mCriteria.selected >= 0 ? mCriteria.selected : mCriteria.count);
  // The file also names the genes compared.
  ShowGeneList();
}

void CCompareCombineDlg::CycleGeneList() {
  GroupSettings& settings = TheGroup().Settings();
  std::string& list = settings.FILTER_INPUT_LIST;
  if (IsNone(list)) {
    FileDialogRequest request;
    request.filter = kDataFileFilter;
    // A list switched off keeps its path behind "None ".
    request.startFile = list.size() > 5 ? list.substr(5) : std::string();
    const std::optional<std::string> file = Prompt().FileName(request);
    if (!file) return;
    list = *file;
    settings.FILTER_INPUT_USE = 1;
  } else if (settings.FILTER_INPUT_USE != 0) {
    settings.FILTER_INPUT_USE = 0;
  } else {
    list = "None " + list;
  }
  ShowGeneList();
}

bool CCompareCombineDlg::OnKillActive() {
  bool isInteger = false;
  const int permutations = mPermutations->text().trimmed().toInt(&isInteger);
  if (!isInteger || permutations < kMinPermutations || permutations > kMaxPermutations) {
    AfxMessageBox(isInteger ? MessageBuffer("Please enter an integer between %d and %d.",
                                            kMinPermutations, kMaxPermutations)
                            : std::string("Please enter an integer."));
    mPermutations->setFocus();
    mPermutations->selectAll();
    return false;
  }
  GroupSettings& settings = TheGroup().Settings();
  settings.COMPARE_COMPARISON_FILE = FromQString(mResultFile->text());
  settings.COMPARE_OUTPUT_ALL = mOutputAll->isChecked() ? 1 : 0;
  settings.PERMUTE_SAMPLE = mPermute->isChecked() ? 1 : 0;
  settings.PERMUTE_NUMBER = permutations;

  const int row = ChosenRow();
  const bool comparison = row >= 0 && row < mCriteria.count &&
                          !mCriteria.entries[static_cast<std::size_t>(row)].isParenthesis;
  if (comparison) {
    mCriteria.selected = row;
    mCriteria.working = mCriteria.entries[static_cast<std::size_t>(row)];
  } else {
    // A parenthesis row has no tests to edit either.
    mCriteria.selected = -1;
    mCriteria.working.SetDefaults();
  }
  return true;
}
