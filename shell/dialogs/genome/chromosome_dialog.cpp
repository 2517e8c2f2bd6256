// The chromosome analysis dialog.
#include "shell/dialogs/genome/chromosome_dialog.hpp"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <string>
#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group_settings.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/options_button_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

struct FileRow {
  int id;
  const char* label;
  std::string GroupSettings::*path;
  bool canSwitchOff;
  const char* shownOff;   // what the button shows while the file is unset
  const char* browseOff;  // what it shows after the user switched the file off
};

constexpr FileRow kFileRows[] = {
    {ChromosomeDialog::kGenomeInfoButton,
     "&Genome information file:", &GroupSettings::GENOME_INFO_FILE, false, "None", "None"},
    {ChromosomeDialog::kRefGeneButton, "&refGene file (optional):", &GroupSettings::REF_GENE_FILE,
     true, "None", "None"},
    {ChromosomeDialog::kCytobandButton, "&Cytoband file (optional):", &GroupSettings::CYTOBAND_FILE,
     true, "None", "None"},
    {ChromosomeDialog::kGeneListButton, "Gene or &SNP list file:", &GroupSettings::GENE_LIST_FILE,
     true, "all genes or SNPs", "all genes/markers"},
};

}  // namespace

ChromosomeDialog::ChromosomeDialog(GroupSettings& settings, std::function<void()> openOptions,
                                   QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("View data along chromosome")),
      mSettings(settings) {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  int row = 0;
  for (const FileRow& file : kFileRows) {
    auto* label = new QLabel(QString::fromLatin1(file.label), this);
    QPushButton* button = OptionFileButton(file.id, this);
    label->setBuddy(button);
    grid->addWidget(label, row, 0);
    grid->addWidget(button, row, 1);
    ++row;
    std::string& path = settings.*file.path;
    ShowFileName(button, path, file.shownOff);
    connect(button, &QPushButton::clicked, this, [button, &path, file] {
      BrowseFileName(button, path, true, file.canSwitchOff, file.browseOff);
    });
  }
  auto* methodLabel = new QLabel(QStringLiteral("Analysis &method:"), this);
  mMethod = new QComboBox(this);
  mMethod->setObjectName(ControlName(kMethod));
  methodLabel->setBuddy(mMethod);
  grid->addWidget(methodLabel, row, 0);
  grid->addWidget(mMethod, row, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);

  // Expression arrays have no calls to infer from.
  if (ArrayType == 0) {
    settings.CHRO_METHOD = kChroExpression;
    mMethod->setEnabled(false);
  }
  for (const std::string_view name : kChroMethodNames)
    mMethod->addItem(ToQString(std::string(name)));
  mMethod->setCurrentIndex(settings.CHRO_METHOD);
  connect(mMethod, &QComboBox::currentIndexChanged, this, &ChromosomeDialog::MethodChosen);

  auto* help = ManualLink("chromosome", this);
  layout->addWidget(help);
  AddOptionsButtonRow(*this, *layout, std::move(openOptions));
}

void ChromosomeDialog::MethodChosen(int index) {
  if (index < 0) return;
  mSettings.CHRO_METHOD = index;
  if (ArrayType != 0 && index == kChroExpression) {
    AfxMessageBox(kExpressionOnSnpMessage);
    mSettings.CHRO_METHOD = kChroLoh;
    const QSignalBlocker quiet(mMethod);
    mMethod->setCurrentIndex(kChroLoh);
  }
}

void ChromosomeDialog::accept() {
  if (IsNone(mSettings.GENOME_INFO_FILE)) {
    AfxMessageBox(kNoGenomeInfoMessage);
    return;
  }
  QDialog::accept();
}
