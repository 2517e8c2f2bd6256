// The dialog that makes a gene list file from keywords.
#include "shell/dialogs/annotation/keyword_gene_list_dialog.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "shell/dialogs/annotation/term_gene_list_dialog.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"

KeywordGeneListDialog::KeywordGeneListDialog(QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Make gene list file by keywords")) {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);
  grid->addWidget(new QLabel(QStringLiteral("Keywords:"), this), 0, 0);
  mKeywordEdit = new QLineEdit(this);
  mKeywordEdit->setObjectName(ControlName(kKeywords));
  mKeywordEdit->setMaxLength(kMaxKeywordsLength);
  grid->addWidget(mKeywordEdit, 0, 1);
  auto* hint =
      new QLabel(QStringLiteral("Genes whose name or description contains the keywords, in any "
                                "case. Wildcards: \"*\" any text, \"?\" any one character, "
                                "\"[1-9]\" one of a range, e.g. \"receptor * kinase\"."),
                 this);
  hint->setWordWrap(true);
  grid->addWidget(hint, 1, 1);
  mOutput = AddGeneListOutputRow(*grid, 2, kOutputButton, kOutputFile, mOutputFile, this);
  grid->setColumnStretch(1, 1);
  auto* help = ManualLink("make-gene-list", this);
  layout->addWidget(help);
  AddOkCancelRow(*this, *layout);

  // Wildcards make poor file names, so the proposed name leaves them out.
  connect(mKeywordEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
    mOutputFile = ProposedGeneListFile(FromQString(text), "?*");
    mOutput->setText(ToQString(mOutputFile));
  });
}

void KeywordGeneListDialog::accept() {
  mKeywords = FromQString(mKeywordEdit->text());
  mOutputFile = FromQString(mOutput->text());
  QDialog::accept();
}
