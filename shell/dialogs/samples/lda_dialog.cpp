// The sample classification dialog.
#include "shell/dialogs/samples/lda_dialog.hpp"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <optional>
#include <set>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group_settings.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "genes/lda/lda_result.hpp"
#include "shell/dialogs/common/browse_into_edit.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/select_samples_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

LdaDialog::LdaDialog(GroupSettings& settings, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Linear Discriminant Analysis")),
      mSettings(settings) {
  auto* layout = new QVBoxLayout(this);

  auto* lists = new QGridLayout;
  lists->addWidget(new QLabel(QStringLiteral("Samples:"), this), 0, 0);
  lists->addWidget(new QLabel(QStringLiteral("Classes:"), this), 0, 2);
  mSamples = new QListWidget(this);
  mSamples->setObjectName(ControlName(kSampleList));
  mSamples->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lists->addWidget(mSamples, 1, 0);
  auto* buttons = new QVBoxLayout;
  QPushButton* add = ControlButton("Add class", kAddClass, this);
  QPushButton* deleteLast = ControlButton("Delete last", kDeleteLast, this);
  mSelectByCategory = ControlButton("Select by category", kSelectByCategory, this);
  for (QPushButton* button : {add, deleteLast, mSelectByCategory}) buttons->addWidget(button);
  buttons->addStretch(1);
  lists->addLayout(buttons, 1, 1);
  mClasses = new QTableWidget(0, 2, this);
  mClasses->setObjectName(ControlName(kClassList));
  mClasses->setHorizontalHeaderLabels({QStringLiteral("Class"), QStringLiteral("Samples")});
  mClasses->setSelectionBehavior(QAbstractItemView::SelectRows);
  mClasses->setSelectionMode(QAbstractItemView::SingleSelection);
  mClasses->setEditTriggers(QAbstractItemView::NoEditTriggers);
  mClasses->setShowGrid(true);
  mClasses->verticalHeader()->hide();
  for (int column = 0; column < 2; ++column)
    mClasses->setColumnWidth(column, mClasses->horizontalHeader()->sectionSizeHint(column));
  // Long sample lists stay on one line, in the room the class column leaves.
  mClasses->horizontalHeader()->setStretchLastSection(true);
  mClasses->setWordWrap(false);
  lists->addWidget(mClasses, 1, 2);
  lists->setColumnStretch(0, 1);
  lists->setColumnStretch(2, 1);
  layout->addLayout(lists);

  auto* files = new QGridLayout;
  files->addWidget(new QLabel(QStringLiteral("LDA result file:"), this), 0, 0);
  mLdaFile = new QLineEdit(this);
  mLdaFile->setObjectName(ControlName(kLdaFile));
  files->addWidget(mLdaFile, 0, 1);
  QPushButton* browse = ControlButton("...", kBrowseLdaFile, this);
  QPushButton* use = ControlButton("Use", kUse, this);
  files->addWidget(browse, 0, 2);
  files->addWidget(use, 0, 3);
  files->addWidget(new QLabel(QStringLiteral("Gene list file:"), this), 1, 0);
  mGeneListButton = new QPushButton(this);
  mGeneListButton->setObjectName(ControlName(kGeneListButton));
  mGeneListButton->setAutoDefault(false);
  files->addWidget(mGeneListButton, 1, 1, 1, 3);
  files->setColumnStretch(1, 1);
  layout->addLayout(files);

  mPca = new QCheckBox(QStringLiteral("&Perform Principal Component Analysis instead"), this);
  mPca->setObjectName(ControlName(kPca));
  mPca->setChecked(TheLdaResult().pca);
  layout->addWidget(mPca);

  auto* bottom = new QHBoxLayout;
  auto* help = ManualLink("lda-classification", this);
  bottom->addWidget(help);
  bottom->addStretch(1);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  bottom->addWidget(box);
  layout->addLayout(bottom);

  mSelectByCategory->setEnabled(SampleInfo.ColumnCount() > 0);
  mLdaFile->setText(ToQString(settings.LDA_FILE));
  ReadLdaResult(true);
  Refill();

  connect(add, &QPushButton::clicked, this, &LdaDialog::AddClass);
  connect(deleteLast, &QPushButton::clicked, this, &LdaDialog::DeleteLast);
  connect(mSelectByCategory, &QPushButton::clicked, this, &LdaDialog::SelectByCategory);
  connect(mClasses, &QTableWidget::cellClicked, this,
          [this](int row, int) { SelectClassSamples(row); });
  connect(browse, &QPushButton::clicked, this, [this] { BrowseIntoEdit(*mLdaFile); });
  connect(use, &QPushButton::clicked, this, &LdaDialog::Use);
  BrowseOnClick(mGeneListButton, mGeneList, true, false, "None");
  connect(box, &QDialogButtonBox::accepted, this, &LdaDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void LdaDialog::Refill() {
  mGeneList = mSettings.GENE_LIST_FILE;
  ShowFileName(mGeneListButton, mGeneList, "None");
  mSamples->clear();
  const int samples = SampleGrouping.SampleCount();
  for (int s = 0; s < samples; ++s) mSamples->addItem(ToQString(SampleGrouping.SampleName(s)));
  mClasses->setRowCount(0);
  const LDA_RESULT& lda = TheLdaResult();
  for (int k = 0; k < lda.classCount; ++k) {
    QString numbers;
    for (int s = 0; s < samples && s < kMaxLdaSamples; ++s) {
      if (lda.ClassOf(s) != k) continue;
      if (!numbers.isEmpty()) numbers += QLatin1Char(',');
      numbers += QString::number(s + 1);
    }
    AddClassRow(k, numbers);
  }
  if (mClasses->rowCount() > 0) mClasses->selectRow(mClasses->rowCount() - 1);
}

void LdaDialog::AddClassRow(int classIndex, const QString& samples) {
  const int row = mClasses->rowCount();
  mClasses->insertRow(row);
  mClasses->setItem(row, 0, new QTableWidgetItem(QString::number(classIndex + 1)));
  mClasses->setItem(row, 1, new QTableWidgetItem(samples));
}

std::string LdaDialog::SelectedSampleNumbers() const {
  std::string numbers;
  for (int row = 0; row < mSamples->count(); ++row) {
    if (!mSamples->item(row)->isSelected()) continue;
    if (!numbers.empty()) numbers += ',';
    numbers += std::to_string(row + 1);
  }
  return numbers;
}

void LdaDialog::AddClass() {
  const std::string numbers = SelectedSampleNumbers();
  if (numbers.empty()) {
    AfxMessageBox(kSelectSamplesFirstMessage);
    return;
  }
  if (SamplesHaveClass(numbers)) {
    AfxMessageBox(kSamplesHaveClassMessage);
    return;
  }
  const int classIndex = TheLdaResult().classCount;
  if (!AssignClass(classIndex, numbers)) return;
  AddClassRow(classIndex, ToQString(numbers));
  mClasses->selectRow(mClasses->rowCount() - 1);
}

void LdaDialog::DeleteLast() {
  const int rows = mClasses->rowCount();
  if (rows == 0) {
    AfxMessageBox(kNoClassToDeleteMessage);
    return;
  }
  mClasses->removeRow(rows - 1);
  RemoveClass(rows - 1);
}

void LdaDialog::SelectClassSamples(int row) {
  const QTableWidgetItem* item = mClasses->item(row, 1);
  if (item == nullptr) return;
  std::set<int> chosen;
  for (int sample : ParseSampleNumbers(FromQString(item->text()))) chosen.insert(sample);
  for (int s = 0; s < mSamples->count(); ++s) mSamples->item(s)->setSelected(chosen.count(s) > 0);
}

void LdaDialog::SelectByCategory() {
  SelectSampleDialog dialog(false, kSelectionOverwrite, this);
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
  SetListSelection(dialog.Mode(), *mSamples, false);
}

void LdaDialog::Use() {
  mSettings.LDA_FILE = FromQString(mLdaFile->text().trimmed());
  if (!ReadLdaResult(false)) {
    AfxMessageBox(kCannotReadLdaFileMessage);
    return;
  }
  Refill();
}

void LdaDialog::accept() {
  if (IsNone(mGeneList)) {
    AfxMessageBox(kLdaNeedsGeneListMessage);
    return;
  }
  if (!mPca->isChecked() && TheLdaResult().classCount < 2) {
    AfxMessageBox(kLdaNeedsTwoClassesMessage);
    return;
  }
  mSettings.GENE_LIST_FILE = mGeneList;
  mSettings.LDA_FILE = FromQString(mLdaFile->text().trimmed());
  TheLdaResult().pca = mPca->isChecked();
  QDialog::accept();
}
