// The information file dialog of Tools/Make Information File.
#include "shell/dialogs/annotation/info_file_dialog.hpp"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdio>
#include <optional>
#include <string>

#include "engine/services/user_prompt.hpp"
#include "genes/annotation/annotation_import.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/static_link.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/services/web_addresses.hpp"

namespace {

std::string NotACsvMessage(const std::string& path) {
  const int length = std::snprintf(nullptr, 0, InfoFileDialog::kNotACsvMessage, path.c_str());
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, InfoFileDialog::kNotACsvMessage, path.c_str());
  return text;
}

}  // namespace

InfoFileDialog::InfoFileDialog(ANNOT_IMPORT& record, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Make information files")), mRecord(record) {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Nelquad Annotation or Ortholog CSV file:"), this), 0,
                  0);
  mCsvButton = OptionFileButton(kCsvFile, this);
  mCsvButton->setText(QStringLiteral("Vosk annotation file"));
  grid->addWidget(mCsvButton, 0, 1);
  mArrayType = new QLabel(QStringLiteral("Array type"), this);
  mArrayType->setObjectName(ControlName(kArrayType));
  grid->addWidget(mArrayType, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Gene ontology file:"), this), 2, 0);
  mOntologyButton = OptionFileButton(kOntologyFile, this);
  grid->addWidget(mOntologyButton, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("(Put all the three GO files in the same directory, "
                                            "and only specify one here)"),
                             this),
                  3, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);

  auto* kindBox = new QGroupBox(QStringLiteral("Make"), this);
  auto* kindLayout = new QHBoxLayout(kindBox);
  mGeneInfo = new QRadioButton(QStringLiteral("&Gene information file"), kindBox);
  mGeneInfo->setObjectName(ControlName(kGeneInfoRadio));
  mGenomeInfo = new QRadioButton(QStringLiteral("Genome &information file"), kindBox);
  mGenomeInfo->setObjectName(ControlName(kGenomeInfoRadio));
  // The ticks follow the record, not the clicks: an ortholog file keeps its
  // kind.
  mGeneInfo->setAutoExclusive(false);
  mGenomeInfo->setAutoExclusive(false);
  kindLayout->addWidget(mGeneInfo);
  kindLayout->addWidget(mGenomeInfo);
  layout->addWidget(kindBox);

  auto* second = new QGridLayout;
  second->addWidget(new QLabel(QStringLiteral("Another array type for common probe set file "
                                              "(for example Nelquad_Rat_2):"),
                               this),
                    0, 0);
  mOtherArrayType = OptionEdit(kOtherArrayType, this);
  mOtherArrayType->setText(ToQString(mRecord.otherArrayType));
  second->addWidget(mOtherArrayType, 0, 1);
  second->addWidget(new QLabel(QStringLiteral("Output file:"), this), 1, 0);
  mOutputButton = OptionFileButton(kOutputFile, this);
  mOutputButton->setText(QStringLiteral("Output file"));
  second->addWidget(mOutputButton, 1, 1);
  second->setColumnStretch(1, 1);
  layout->addLayout(second);

  auto* help = new CStaticLink(QStringLiteral("Help"),
                               std::string(kManualAddress) + "#information_files", this);
  help->setObjectName(ControlName(kHelpLink));
  layout->addWidget(help);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);

  ShowFileName(mCsvButton, mRecord.csvPath, "None");
  ShowFileName(mOntologyButton, mRecord.ontologyPath, "None");
  ShowFileName(mOutputButton, mRecord.outputPath, "None");
  UpdateChoices();

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(mCsvButton, &QPushButton::clicked, this, &InfoFileDialog::ChooseCsvFile);
  BrowseOnClick(mOntologyButton, mRecord.ontologyPath, true, true, "None");
  BrowseOnClick(mOutputButton, mRecord.outputPath, false, false, "None");
  connect(mGeneInfo, &QRadioButton::clicked, this,
          [this] { ChooseKind(kGeneInfoFileType, mGeneInfo); });
  connect(mGenomeInfo, &QRadioButton::clicked, this,
          [this] { ChooseKind(kGenomeInfoFileType, mGenomeInfo); });
  connect(mOtherArrayType, &QLineEdit::textChanged, this, [this](const QString& text) {
    mRecord.otherArrayType = FromQString(text);
    UpdateChoices();
  });
}

void InfoFileDialog::UpdateChoices() {
  mOrtholog = ReadCsvHeader(mRecord) && mRecord.csvKind == kOrthologCsvKind;
  if (mOrtholog) {
    mRecord.type = kCommonProbeSetFileType;
    mArrayType->setText(ToQString("Ortholog CSV file for '" + mRecord.chipType + "' array"));
  } else {
    if (mRecord.type == kCommonProbeSetFileType) mRecord.type = kGeneInfoFileType;
    mGeneInfo->setChecked(mRecord.type == kGeneInfoFileType);
    mGenomeInfo->setChecked(mRecord.type == kGenomeInfoFileType);
    mArrayType->setText(ToQString("Annotation CSV file for '" + mRecord.chipType + "' array"));
  }
  MakeInfoFileName(mRecord);
  ShowFileName(mOutputButton, mRecord.outputPath, "None");
}

void InfoFileDialog::ChooseCsvFile() {
  FileDialogRequest request;
  request.open = true;
  request.startFile = mRecord.csvPath;
  request.defaultExtension = "csv";
  request.filter = kCsvFilter;
  const std::optional<std::string> chosen = Prompt().FileName(request);
  if (!chosen) return;
  mRecord.csvPath = *chosen;
  ShowFileName(mCsvButton, mRecord.csvPath, "None");
  // Tried on a record of its own, so that a file that is no CSV of the array
  // maker leaves the chip type, folder and kind of the previous one.
  ANNOT_IMPORT trial;
  trial.csvPath = *chosen;
  if (ReadCsvHeader(trial))
    UpdateChoices();
  else
    AfxMessageBox(NotACsvMessage(*chosen));
}

void InfoFileDialog::ChooseKind(int type, QRadioButton* clicked) {
  if (mOrtholog) {
    // The click has toggled the box; an ortholog file makes only pair files.
    clicked->setChecked(!clicked->isChecked());
    return;
  }
  mRecord.type = type;
  UpdateChoices();
}
