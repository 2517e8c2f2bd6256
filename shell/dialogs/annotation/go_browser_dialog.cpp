// The outside gene-ontology browser's dialog.
#include "shell/dialogs/annotation/go_browser_dialog.hpp"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <optional>
#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/annotation/ontology_browser_link.hpp"
#include "platform/readable_file.hpp"
#include "platform/system_error.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/static_link.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr const char* kDownloadAddress = "https://zelko.example.org/ontoroam.html";

// Kept from one run of the dialog to the next while the program runs.
int ChosenClass = 0;
std::string ChosenGeneList2;

}  // namespace

int GoBrowserDialog::OntologyClass() {
  return ChosenClass;
}

const std::string& GoBrowserDialog::GeneList2() {
  return ChosenGeneList2;
}

GoBrowserDialog::GoBrowserDialog(QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Ontoroam")) {
  const GroupSettings& settings = TheGroup().Settings();
  mInfoFile = settings.ONTOROAM_INFO_FILE;
  mGeneList1 = settings.GENE_LIST_FILE;
  mGeneList2 = ChosenGeneList2;

  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Ontoroam directory: "), this), 0, 0);
  mFolder = new QLineEdit(ToQString(settings.ONTOROAM_DIR), this);
  mFolder->setObjectName(ControlName(kFolder));
  grid->addWidget(mFolder, 0, 1);
  auto* folderButton = new QPushButton(QStringLiteral("Directory"), this);
  folderButton->setObjectName(ControlName(kFolderButton));
  grid->addWidget(folderButton, 0, 2);

  struct FileRow {
    const char* label;
    int id;
    QPushButton** button;
    std::string* path;
    bool canSwitchOff;
  };
  const FileRow rows[] = {
      {"Ontoroam gene information file:", kInfoFile, &mInfoButton, &mInfoFile, false},
      {"Gene list file 1:", kGeneList1, &mList1Button, &mGeneList1, false},
      {"Gene list file 2 (optional):", kGeneList2, &mList2Button, &mGeneList2, true}};
  int row = 1;
  for (const FileRow& file : rows) {
    grid->addWidget(new QLabel(QString::fromLatin1(file.label), this), row, 0);
    *file.button = OptionFileButton(file.id, *file.path, true, file.canSwitchOff, "None", this);
    grid->addWidget(*file.button, row, 1, 1, 2);
    ++row;
  }
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);

  auto* classBox = new QGroupBox(QStringLiteral("Gene Ontology class"), this);
  auto* classLayout = new QHBoxLayout(classBox);
  mClasses = new QButtonGroup(this);
  const std::pair<const char*, int> classes[kOntologyClassCount] = {
      {"Biological process", kBiologicalProcess},
      {"Molecular function", kMolecularFunction},
      {"Cellular Component", kCellularComponent}};
  for (int index = 0; index < kOntologyClassCount; ++index) {
    auto* radio = new QRadioButton(QString::fromLatin1(classes[index].first), classBox);
    radio->setObjectName(ControlName(classes[index].second));
    mClasses->addButton(radio, index);
    classLayout->addWidget(radio);
  }
  mClasses->button(ChosenClass >= 0 && ChosenClass < kOntologyClassCount ? ChosenClass : 0)
      ->setChecked(true);
  layout->addWidget(classBox);

  auto* help = new CStaticLink(QStringLiteral("Download Ontoroam"), kDownloadAddress, this);
  help->setObjectName(ControlName(kHelpLink));
  layout->addWidget(help);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("&Run Ontoroam"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &GoBrowserDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(folderButton, &QPushButton::clicked, this, &GoBrowserDialog::BrowseFolder);
}

void GoBrowserDialog::BrowseFolder() {
  BrowseFolderStart = FromQString(mFolder->text());
  if (const std::optional<std::string> folder = Prompt().FolderName("Ontoroam directory")) {
    mFolder->setText(ToQString(*folder));
    TheGroup().Settings().ONTOROAM_DIR = *folder;
  }
}

void GoBrowserDialog::accept() {
  GroupSettings& settings = TheGroup().Settings();
  settings.ONTOROAM_DIR = FromQString(mFolder->text());
  const std::string program = OntoroamProgramPath(settings.ONTOROAM_DIR);
  if (!platform::CanReadFile(program)) {
    AfxMessageBox(program + kNotFoundSuffix);
    return;
  }
  if (IsNone(mInfoFile) || IsNone(mGeneList1)) {
    AfxMessageBox(kFilesUnsetMessage);
    return;
  }
  settings.ONTOROAM_INFO_FILE = mInfoFile;
  settings.GENE_LIST_FILE = mGeneList1;
  ChosenGeneList2 = mGeneList2;
  ChosenClass = mClasses->checkedId() >= 0 ? mClasses->checkedId() : 0;
  const OntoroamRun run{settings.ONTOROAM_DIR, mInfoFile, mGeneList1, mGeneList2, ChosenClass};
  int error = 0;
  if (!WriteOntoroamIni(run, error)) {
    AfxMessageBox(platform::WithSystemReason(kIniFailedMessage, error));
    return;
  }
  if (!StartOntoroam(run.folder, error)) {
    AfxMessageBox(platform::WithSystemReason("Starting '" + program + "' failed", error));
    return;
  }
  QDialog::accept();
}
