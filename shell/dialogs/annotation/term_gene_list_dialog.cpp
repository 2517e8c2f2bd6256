// The dialog that makes a gene list file from annotation terms.
#include "shell/dialogs/annotation/term_gene_list_dialog.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <string>
#include <utility>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/info/gene_info.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

TermGeneListChoice gChoice;

// A term as the list shows it: its name and, in brackets, how many genes carry it.
QString TermText(const TERM_TABLE& table, int term) {
  return ToQString(table.Name(term) + '[' + std::to_string(table.GeneCount(term)) + ']');
}

// The name part of a term's text: up to its first '['.
std::string TermName(const QListWidgetItem* item) {
  const std::string text = FromQString(item->text());
  return text.substr(0, text.find('['));
}

}  // namespace

TermGeneListChoice& RememberedTermGeneList() {
  return gChoice;
}

std::string ProposedGeneListFile(std::string_view word, std::string_view dropped) {
  std::string name;
  for (const char c : word)
    if (dropped.find(c) == std::string_view::npos) name += c;
  return platform::JoinPath(TheGroup().Settings().WORKING_DIR, name + " gene list.txt");
}

QLineEdit* AddGeneListOutputRow(QGridLayout& grid, int row, int buttonId, int editId,
                                std::string& file, QWidget* parent) {
  auto* button = new QPushButton(QStringLiteral("Output file"), parent);
  button->setObjectName(ControlName(buttonId));
  button->setAutoDefault(false);
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(ControlName(editId));
  grid.addWidget(button, row, 0);
  grid.addWidget(edit, row, 1);
  QObject::connect(button, &QPushButton::clicked, edit, [edit, &file] {
    file = FromQString(edit->text());
    BrowseFileName(edit, file, false, false, "None");
  });
  return edit;
}

TermGeneListDialog::TermGeneListDialog(QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Make gene list file by annotation terms")) {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);

  grid->addWidget(new QLabel(QStringLiteral("Annotation category:"), this), 0, 0);
  mCategories = new QListWidget(this);
  mCategories->setObjectName(ControlName(kCategoryList));
  mCategories->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->addWidget(mCategories, 1, 0);
  grid->addWidget(new QLabel(QStringLiteral("Annotation terms [genes]:"), this), 0, 1);
  mTerms = new QListWidget(this);
  mTerms->setObjectName(ControlName(kTermList));
  // A click adds or takes away one term.
  mTerms->setSelectionMode(QAbstractItemView::MultiSelection);
  grid->addWidget(mTerms, 1, 1);
  grid->setColumnStretch(1, 2);

  auto* fileRow = new QGridLayout;
  mOutput = AddGeneListOutputRow(*fileRow, 0, kOutputButton, kOutputFile, mOutputFile, this);
  fileRow->setColumnStretch(1, 1);
  layout->addLayout(fileRow);

  auto* combine =
      new QGroupBox(QStringLiteral("Combine method when multiple terms are selected:"), this);
  auto* combineRow = new QHBoxLayout(combine);
  mUnion = new QRadioButton(QStringLiteral("Union"), combine);
  mUnion->setObjectName(ControlName(kUnion));
  mIntersection = new QRadioButton(QStringLiteral("Intersection"), combine);
  mIntersection->setObjectName(ControlName(kIntersection));
  auto* methods = new QButtonGroup(this);
  methods->addButton(mUnion);
  methods->addButton(mIntersection);
  combineRow->addWidget(mUnion);
  combineRow->addWidget(mIntersection);
  layout->addWidget(combine);
  mFilterAfter = new QCheckBox(
      QStringLiteral("Apply \"Analysis/Filter genes\" on these genes using the current settings"),
      this);
  mFilterAfter->setObjectName(ControlName(kFilterAfter));
  layout->addWidget(mFilterAfter);

  auto* help = ManualLink("make-gene-list", this);
  layout->addWidget(help);
  AddOkCancelRow(*this, *layout);

  // The last accepted choice comes back.
  for (int c = 0; c < GeneInfo.numColumns; ++c)
    mCategories->addItem(ToQString(GeneInfo.columnNames[static_cast<std::size_t>(c)]));
  if (gChoice.column >= 0 && gChoice.column < mCategories->count())
    mCategories->setCurrentRow(gChoice.column);
  FillTerms();
  if (gChoice.column >= 0 && mCategories->currentRow() == gChoice.column) {
    const TERM_TABLE& table = TermTables[static_cast<std::size_t>(gChoice.column)];
    for (const int term : gChoice.terms) {
      if (term < 0 || term >= table.Count()) continue;
      for (QListWidgetItem* item : mTerms->findItems(TermText(table, term), Qt::MatchExactly))
        item->setSelected(true);
    }
  }
  (gChoice.intersection ? mIntersection : mUnion)->setChecked(true);
  mFilterAfter->setChecked(gChoice.filterAfter);
  ShowOutputName();

  connect(mCategories, &QListWidget::currentRowChanged, this, [this] {
    FillTerms();
    ShowOutputName();
  });
  connect(mTerms, &QListWidget::itemSelectionChanged, this, &TermGeneListDialog::ShowOutputName);
}

void TermGeneListDialog::FillTerms() {
  const QSignalBlocker quiet(mTerms);
  mTerms->clear();
  const int column = mCategories->currentRow();
  if (column < 0 || column >= GeneInfo.numColumns) return;
  const TERM_TABLE& table = TermTables[static_cast<std::size_t>(column)];
  for (int term = 0; term < table.Count(); ++term)
    if (table.GeneCount(term) > 0) mTerms->addItem(TermText(table, term));
}

void TermGeneListDialog::ShowOutputName() {
  const QList<QListWidgetItem*> chosen = mTerms->selectedItems();
  std::string word = "empty";
  if (chosen.size() == 1)
    word = TermName(chosen.front());
  else if (chosen.size() > 1)
    word = "custom";
  mOutputFile = ProposedGeneListFile(word, "\\/");
  mOutput->setText(ToQString(mOutputFile));
}

void TermGeneListDialog::accept() {
  const int column = mCategories->currentRow();
  if (column < 0 || column >= GeneInfo.numColumns) {
    AfxMessageBox(kNoCategoryMessage);
    return;
  }
  // In list order, which is the table's order.
  std::vector<QListWidgetItem*> chosen;
  for (int row = 0; row < mTerms->count(); ++row)
    if (mTerms->item(row)->isSelected()) chosen.push_back(mTerms->item(row));
  if (chosen.empty() || chosen.size() > static_cast<std::size_t>(kMaxChosenTerms)) {
    AfxMessageBox(MessageBuffer(kNoTermMessage, kMaxChosenTerms));
    return;
  }
  // The list shows names, so an index-backed column is searched by name as well.
  const TERM_TABLE& table = TermTables[static_cast<std::size_t>(column)];
  std::vector<int> terms;
  for (const QListWidgetItem* item : chosen) {
    const std::string name = TermName(item);
    const int term = table.FindName(name);
    if (term < 0) {
      AfxMessageBox(name + kTermNotFoundSuffix);
      return;
    }
    terms.push_back(term);
  }
  gChoice.column = column;
  gChoice.terms = std::move(terms);
  gChoice.intersection = mIntersection->isChecked();
  gChoice.filterAfter = mFilterAfter->isChecked();
  mOutputFile = FromQString(mOutput->text());
  QDialog::accept();
}
