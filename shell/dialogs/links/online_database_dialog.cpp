// The online database dialog and the command that opens the chosen page.
#include "shell/dialogs/links/online_database_dialog.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/group/group.hpp"
#include "genes/annotation/online_addresses.hpp"
#include "shell/dialogs/links/open_link.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/text_conversion.hpp"

OnlineDatabaseDialog::OnlineDatabaseDialog(int choice, bool directGo, QWidget* parent)
    : QDialog(parent), mDatabases(new QButtonGroup(this)) {
  setObjectName(ControlName(ids::kOnlineDatabaseDialog));
  setWindowTitle(QStringLiteral("Go to online database"));
  auto* layout = new QVBoxLayout(this);
  auto* box = new QGroupBox(QStringLiteral("Which database"));
  auto* boxLayout = new QVBoxLayout(box);
  const struct {
    int id;
    const char* label;
  } kDatabases[] = {{ids::kDatabaseLocusLink, "LocusLink"},
                    {ids::kDatabasePortal, "Nelquad"},
                    {ids::kDatabaseGenBank, "GenBank"},
                    {ids::kDatabaseDbSnp, "dbSNP"}};
  int index = 0;
  for (const auto& database : kDatabases) {
    auto* radio = new QRadioButton(QString::fromLatin1(database.label));
    radio->setObjectName(ControlName(database.id));
    mDatabases->addButton(radio, index++);
    boxLayout->addWidget(radio);
  }
  // A choice from an edited settings file that names no database falls back to the first.
  QAbstractButton* chosen = mDatabases->button(choice);
  (chosen != nullptr ? chosen : mDatabases->button(0))->setChecked(true);
  layout->addWidget(box);
  layout->addWidget(new QLabel(QStringLiteral("Current gene:")));
  mGeneText = new QLabel;
  mGeneText->setObjectName(ControlName(ids::kCurrentGeneText));
  mGeneText->setWordWrap(true);
  layout->addWidget(mGeneText);
  mDirectGo =
      new QCheckBox(QStringLiteral("Control+&L key to directly go to the selected database"));
  mDirectGo->setObjectName(ControlName(ids::kDirectGoCheck));
  mDirectGo->setChecked(directGo);
  layout->addWidget(mDirectGo);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void OnlineDatabaseDialog::SetGeneText(const std::string& text) {
  mGeneText->setText(ToQString(text));
}

int OnlineDatabaseDialog::Choice() const {
  return mDatabases->checkedId();
}

bool OnlineDatabaseDialog::DirectGo() const {
  return mDirectGo->isChecked();
}

void OpenOnlineDatabase(QWidget* parent, bool withDialog) {
  GroupSettings& settings = TheGroup().Settings();
  const int unit = settings.CUR_UNIT;
  // CUR_UNIT comes from a settings file; one outside the chip description names nothing.
  const std::string geneText = OnlineDatabaseGeneText(unit);
  if (geneText.empty()) return;
  if (withDialog) {
    OnlineDatabaseDialog dialog(settings.WHICH_ONLINE_DATABASE,
                                settings.DIRECT_GO_ONLINE_DATABASE != 0, parent);
    dialog.SetGeneText(geneText);
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
    settings.WHICH_ONLINE_DATABASE = dialog.Choice();
    settings.DIRECT_GO_ONLINE_DATABASE = dialog.DirectGo() ? 1 : 0;
  }
  const int database = settings.WHICH_ONLINE_DATABASE;
  const std::string address = OnlineDatabaseAddress(database, unit);
  if (database == kDbSnpDatabase && address.empty()) {
    AfxMessageBox("Not a SNP array or genome info file is not used");
    return;
  }
  if (!address.empty()) OpenLink(address);
}
