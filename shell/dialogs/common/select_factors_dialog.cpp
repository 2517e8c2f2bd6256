// The select factors dialog: one line per sample-information column with its categories.
#include "shell/dialogs/common/select_factors_dialog.hpp"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "engine/group/sample_info.hpp"
#include "shell/dialogs/common/ok_cancel_row.hpp"
#include "shell/services/text_conversion.hpp"

SelectFactorsDialog::SelectFactorsDialog(std::string& factors, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Select factors")), mFactors(factors) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Sample information columns (categories):")));
  mColumns = new QListWidget;
  mColumns->setObjectName(ControlName(kColumnList));
  mColumns->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (int c = 0; c < SampleInfo.ColumnCount(); ++c) {
    const SampleInfoColumn& column = SampleInfo.Column(c);
    std::string line = column.name + " (";
    for (int k = 0; k < column.CategoryCount(); ++k) {
      if (k > 0) line += '|';
      line += column.categories[static_cast<std::size_t>(k)].name;
    }
    line += ')';
    mColumns->addItem(ToQString(line));
  }
  layout->addWidget(mColumns);
  AddOkCancelRow(*this, *layout);
}

void SelectFactorsDialog::accept() {
  std::string factors;
  for (int row = 0; row < mColumns->count(); ++row) {
    if (!mColumns->item(row)->isSelected()) continue;
    if (!factors.empty()) factors += ", ";
    factors += SampleInfo.Column(row).name;
  }
  mFactors = factors.empty() ? std::string("None") : factors;
  QDialog::accept();
}
