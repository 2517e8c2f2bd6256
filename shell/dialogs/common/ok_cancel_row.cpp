#include "shell/dialogs/common/ok_cancel_row.hpp"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>

QDialogButtonBox* AddOkCancelRow(QDialog& dialog, QBoxLayout& layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  // accept() is virtual: a dialog's own check runs before it closes.
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout.addWidget(buttons);
  return buttons;
}
