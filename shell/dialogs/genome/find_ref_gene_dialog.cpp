// The refGene search dialog.
#include "shell/dialogs/genome/find_ref_gene_dialog.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <limits>

#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/services/text_conversion.hpp"

FindRefGeneDialog::FindRefGeneDialog(QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Find refGene")) {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  mKeywords = OptionEdit(kKeywords, this);
  mKeywords->setMaxLength(kMaxKeywordsLength);
  mLocusLinkId = OptionEdit(kLocusLinkId, this);
  grid->addWidget(new QLabel(QStringLiteral("Keywords:"), this), 0, 0);
  grid->addWidget(mKeywords, 0, 1);
  grid->addWidget(
      new QLabel(QStringLiteral("Can use wildcards, e.g. \"receptor * kinase\", \"receptor ?\", "
                                "\"receptor [1-9]\"."),
                 this),
      1, 1);
  grid->addWidget(new QLabel(QStringLiteral("LocusLink ID:"), this), 2, 0);
  grid->addWidget(mLocusLinkId, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Empty \"Keywords\" to use LocusLink ID"), this), 3, 1);
  layout->addLayout(grid);
  AddOkCancelRow(*this, *layout);
  Preset("", 0);
}

void FindRefGeneDialog::Preset(const std::string& keywords, int locusLinkId) {
  mKeywordsText = keywords.substr(0, kMaxKeywordsLength);
  mId = locusLinkId;
  mKeywords->setText(ToQString(mKeywordsText));
  ShowInt(mLocusLinkId, mId);
}

void FindRefGeneDialog::accept() {
  int id = mId;
  if (!ReadIntField(mLocusLinkId, 0, std::numeric_limits<int>::max(), id)) return;
  mKeywordsText = mKeywords->text().toStdString();
  mId = id;
  QDialog::accept();
}
