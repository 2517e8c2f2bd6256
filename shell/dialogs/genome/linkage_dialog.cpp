// The linkage analysis dialog.
#include "shell/dialogs/genome/linkage_dialog.hpp"

#include <QButtonGroup>
#include <QCheckBox>
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

#include "engine/group/group.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/options_button_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr const char* kMerlinFolderLabel = "Merlin directory: ";

QPushButton* IdButton(const QString& text, int id, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(ControlName(id));
  return button;
}

}  // namespace

LinkageDialog::LinkageDialog(std::int64_t seed, std::function<void()> openOptions, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Linkage Analysis")), mSeed(seed) {
  const GroupSettings& s = TheGroup().Settings();
  mPedigreeFile = s.PEDIGREE_FILE;
  mMerlinFolder = s.MERLIN_DIR;
  auto* layout = new QVBoxLayout(this);

  auto* files = new QGridLayout;
  files->addWidget(new QLabel(QStringLiteral("Pedigree file:"), this), 0, 0);
  mPedigreeButton = IdButton(QString(), kPedigreeFile, this);
  ShowFileName(mPedigreeButton, mPedigreeFile, "None");
  files->addWidget(mPedigreeButton, 0, 1);
  layout->addLayout(files);

  auto* model = new QGroupBox(QStringLiteral("One-locus disease model"), this);
  auto* grid = new QGridLayout(model);
  mSimulate = OptionCheck("&Simulate data of one-locus disease", kSimulate, model);
  mSimulate->setChecked(s.LINKAGE_SIMULATE != 0);
  grid->addWidget(mSimulate, 0, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Random seed:"), model), 0, 2);
  mSeedEdit = OptionEdit(kRandomSeed, model);
  mSeedEdit->setText(QString::number(static_cast<qlonglong>(mSeed)));
  grid->addWidget(mSeedEdit, 0, 3);
  mFrequency = OptionEdit(kDiseaseFrequency, model);
  mPenetrance = OptionEdit(kPenetrance, model);
  mPhenocopy = OptionEdit(kPhenocopy, model);
  int row = 1;
  for (const auto& [label, edit] : {std::pair{"Disease allele freqency:", mFrequency},
                                    {"Penetrance:", mPenetrance},
                                    {"Phenocopy:", mPhenocopy}}) {
    grid->addWidget(new QLabel(QString::fromLatin1(label), model), row, 0, 1, 2);
    grid->addWidget(edit, row++, 2, 1, 2);
  }
  ShowFloat(mFrequency, s.LINKAGE_DISEASE_FREQ);
  ShowFloat(mPenetrance, s.LINKAGE_PENETRANCE);
  ShowFloat(mPhenocopy, s.LINKAGE_PHENOCOPY);
  auto* modes = new QButtonGroup(this);
  const int modeIds[3] = {kRecessive, kDominant, kLoh};
  const char* modeTexts[3] = {"Recessive", "Dominant", "LOH"};
  for (int k = 0; k < 3; ++k) {
    mModes[k] = new QRadioButton(QString::fromLatin1(modeTexts[k]), model);
    mModes[k]->setObjectName(ControlName(modeIds[k]));
    modes->addButton(mModes[k], k);
    grid->addWidget(mModes[k], row, k);
  }
  // The LOH mode is kept for settings files that hold it, not offered.
  mModes[2]->setVisible(false);
  mModes[s.LINKAGE_INHERITANCE >= 0 && s.LINKAGE_INHERITANCE < 3 ? s.LINKAGE_INHERITANCE : 0]
      ->setChecked(true);
  layout->addWidget(model);

  mReduction = OptionCheck("&Apply inheritance vector reduction", kReduction, this);
  mReduction->setChecked(s.INHERIT_REDUCTION != 0);
  mSkip = OptionCheck("Skip &non-informative markers", kSkipNoninformative, this);
  mSkip->setChecked(s.SKIP_NONINFORMATIVE != 0);
  mOneCrossover = OptionCheck("Assume at most one &crossover between two adjacent markers",
                              kOneCrossover, this);
  mOneCrossover->setChecked(s.ONE_CROSSOVER != 0);
  for (QCheckBox* box : {mReduction, mSkip, mOneCrossover}) layout->addWidget(box);

  auto* merlin = new QHBoxLayout;
  mMerlin = OptionCheck("Use &Merlin for analysis", kCallMerlin, this);
  mMerlin->setChecked(s.CALL_MERLIN != 0);
  merlin->addWidget(mMerlin);
  mFolderButton = IdButton(QString::fromLatin1(kMerlinFolderLabel) + ToQString(mMerlinFolder),
                           kMerlinFolder, this);
  merlin->addWidget(mFolderButton, 1);
  layout->addLayout(merlin);

  auto* help = ManualLink("linkage", this);
  layout->addWidget(help);
  AddOptionsButtonRow(*this, *layout, std::move(openOptions));

  mSeedEdit->setEnabled(mSimulate->isChecked());
  connect(mSimulate, &QCheckBox::toggled, mSeedEdit, &QWidget::setEnabled);
  BrowseOnClick(mPedigreeButton, mPedigreeFile, true, false, "None");
  connect(mFolderButton, &QPushButton::clicked, this, &LinkageDialog::BrowseMerlinFolder);
}

void LinkageDialog::BrowseMerlinFolder() {
  BrowseFolderStart = mMerlinFolder;
  if (const std::optional<std::string> folder = Prompt().FolderName("Merlin directory")) {
    mMerlinFolder = *folder;
    mFolderButton->setText(QString::fromLatin1(kMerlinFolderLabel) + ToQString(mMerlinFolder));
  }
}

void LinkageDialog::accept() {
  float frequency = 0, penetrance = 0, phenocopy = 0;
  if (!ReadFloatField(mFrequency, 0.0, 1.0, frequency) ||
      !ReadFloatField(mPenetrance, 0.0, 1.0, penetrance) ||
      !ReadFloatField(mPhenocopy, 0.0, 1.0, phenocopy))
    return;
  bool whole = true;
  const qlonglong seed = mSeedEdit->text().trimmed().toLongLong(&whole);
  if (mSimulate->isChecked() && !whole) {
    AfxMessageBox(kNotAnIntegerMessage);
    mSeedEdit->setFocus();
    return;
  }
  if (whole) mSeed = seed;
  GroupSettings& s = TheGroup().Settings();
  s.PEDIGREE_FILE = mPedigreeFile;
  s.MERLIN_DIR = mMerlinFolder;
  s.LINKAGE_SIMULATE = mSimulate->isChecked() ? 1 : 0;
  s.LINKAGE_DISEASE_FREQ = frequency;
  s.LINKAGE_PENETRANCE = penetrance;
  s.LINKAGE_PHENOCOPY = phenocopy;
  for (int k = 0; k < 3; ++k)
    if (mModes[k]->isChecked()) s.LINKAGE_INHERITANCE = k;
  s.INHERIT_REDUCTION = mReduction->isChecked() ? 1 : 0;
  s.SKIP_NONINFORMATIVE = mSkip->isChecked() ? 1 : 0;
  s.ONE_CROSSOVER = mOneCrossover->isChecked() ? 1 : 0;
  s.CALL_MERLIN = mMerlin->isChecked() ? 1 : 0;
  QDialog::accept();
}
