// The expression export dialog, its rules between forms and its proposed file name.
#include "shell/dialogs/expression/export_expression_dialog.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/options_button_row.hpp"
#include "shell/dialogs/common/select_samples_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr const char* kAllGenes = "all genes";

QCheckBox* CheckBox(const char* text, int id, bool on, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromLatin1(text), parent);
  box->setObjectName(ControlName(id));
  box->setChecked(on);
  return box;
}

}  // namespace

int& ExpressionExportNumber() {
  static int number = 1;
  return number;
}

ExportExpressionDialog::ExportExpressionDialog(std::function<void()> openOptions, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Export expression values")) {
  Group& group = TheGroup();
  const GroupSettings& settings = group.Settings();
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);

  grid->addWidget(new QLabel(QStringLiteral("Genes:"), this), 0, 0);
  mGeneListFile = settings.GENE_LIST_FILE;
  mGeneList = new QPushButton(this);
  mGeneList->setObjectName(ControlName(kGeneListButton));
  ShowFileName(mGeneList, mGeneListFile, kAllGenes);
  grid->addWidget(mGeneList, 0, 1);
  mProbeSetName =
      CheckBox("Use the probe set name in the 2nd column", kProbeSetNameColumn, false, this);
  grid->addWidget(mProbeSetName, 1, 0, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("Samples:"), this), 2, 0);
  mSamples = new QListWidget(this);
  mSamples->setObjectName(ControlName(kSampleList));
  mSamples->setSelectionMode(QAbstractItemView::MultiSelection);
  // No sample chosen yet (the first export) offers them all: a selection of none could
  // only be refused at OK.
  bool anyChosen = false;
  for (int sample = 0; sample < SampleGrouping.SampleCount(); ++sample)
    anyChosen = anyChosen || SampleGrouping.Selected(sample);
  for (int sample = 0; sample < SampleGrouping.SampleCount(); ++sample) {
    auto* item = new QListWidgetItem(ToQString(SampleGrouping.SampleName(sample)), mSamples);
    item->setSelected(!anyChosen || SampleGrouping.Selected(sample));
  }
  grid->addWidget(mSamples, 2, 1);
  auto* byCategory = new QPushButton(QStringLiteral("Select by category"), this);
  byCategory->setObjectName(ControlName(kSelectByCategory));
  byCategory->setEnabled(SampleInfo.ColumnCount() > 0);
  grid->addWidget(byCategory, 3, 1);

  mHasBoth = CheckBox("Has both signal and call", kHasBoth, settings.HAS_BOTH != 0, this);
  mHasStd = CheckBox("Has standard error", kHasStd, settings.HAS_STD != 0, this);
  mGct = CheckBox("GCT format for GeneCluster", kGctFormat, settings.GCT_FORMAT != 0, this);
  mNameLast = CheckBox("Gene names in the last column", kNameLast, settings.NAME_LAST != 0, this);
  mHeader = CheckBox("Include header information", kIncludeHeader,
                     settings.EXPRESSION_INCLUDE_HEADER != 0, this);
  mAppend =
      CheckBox("Append to this file", kAppend, group.RunOptions().appendExpressionExport, this);
  int row = 4;
  for (QCheckBox* box : {mHasBoth, mHasStd, mGct, mNameLast, mHeader, mAppend})
    grid->addWidget(box, row++, 0, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("Output file:"), this), row, 0);
  mOutput = new QPushButton(this);
  mOutput->setObjectName(ControlName(kOutputFile));
  grid->addWidget(mOutput, row++, 1);
  auto* help = ManualLink("model-based-expression-export", this);
  layout->addWidget(help);
  AddOptionsButtonRow(*this, *layout, std::move(openOptions));

  // The table form leaves no room for calls, errors or a last name column.
  const auto leaveTableForm = [this](bool on) {
    if (on) mGct->setChecked(false);
  };
  connect(mHasBoth, &QCheckBox::toggled, this, leaveTableForm);
  connect(mHasStd, &QCheckBox::toggled, this, leaveTableForm);
  connect(mGct, &QCheckBox::toggled, this, [this](bool on) {
    if (on) {
      mHasBoth->setChecked(false);
      mHasStd->setChecked(false);
      mNameLast->setChecked(false);
    }
    ProposeOutputFile();
  });
  connect(mHeader, &QCheckBox::toggled, this, [this] { ProposeOutputFile(); });
  connect(mGeneList, &QPushButton::clicked, this, [this] {
    BrowseFileName(mGeneList, mGeneListFile, true, true, kAllGenes);
    ProposeOutputFile();
  });
  BrowseOnClick(mOutput, mOutputFile, false, false, "");
  connect(byCategory, &QPushButton::clicked, this, [this] {
    SelectSampleDialog select(false, kSelectionOverwrite, this);
    if (Prompts().RunDialog(select) == QDialog::Accepted)
      SetListSelection(select.Mode(), *mSamples, false);
  });

  ProposeOutputFile();
}

bool ExportExpressionDialog::ProbeSetNameColumn() const {
  return mProbeSetName->isChecked();
}

void ExportExpressionDialog::ProposeOutputFile() {
  const Group& group = TheGroup();
  std::string extension = mGct->isChecked() ? "gct" : "xls";
  if (mHeader->isChecked()) extension = std::to_string(ExpressionExportNumber()) + "." + extension;
  if (IsNone(mGeneListFile)) {
    mOutputFile =
        platform::JoinPath(group.Settings().WORKING_DIR, group.Name() + " expression." + extension);
  } else {
    mOutputFile = platform::ReplaceExtension(mGeneListFile, " expression." + extension);
  }
  SetControlText(mOutput, ToQString(platform::FileName(mOutputFile)));
}

void ExportExpressionDialog::accept() {
  if (mSamples->selectedItems().isEmpty()) {
    AfxMessageBox("Please select arrays to be exported");
    return;
  }
  for (int sample = 0; sample < mSamples->count(); ++sample)
    SampleGrouping.SetSelected(sample, mSamples->item(sample)->isSelected());
  Group& group = TheGroup();
  GroupSettings& settings = group.Settings();
  settings.GENE_LIST_FILE = mGeneListFile;
  settings.HAS_BOTH = mHasBoth->isChecked() ? 1 : 0;
  settings.HAS_STD = mHasStd->isChecked() ? 1 : 0;
  settings.GCT_FORMAT = mGct->isChecked() ? 1 : 0;
  settings.NAME_LAST = mNameLast->isChecked() ? 1 : 0;
  settings.EXPRESSION_INCLUDE_HEADER = mHeader->isChecked() ? 1 : 0;
  group.RunOptions().appendExpressionExport = mAppend->isChecked();
  if (mHeader->isChecked()) ++ExpressionExportNumber();
  QDialog::accept();
}
