// The OK and Cancel row that ends most dialogs.
#pragma once

class QBoxLayout;
class QDialog;
class QDialogButtonBox;

// Adds the row to the end of the dialog's layout: OK accepts (the dialog's own accept(),
// where it checks its fields), Cancel rejects. The row is returned for more buttons.
QDialogButtonBox* AddOkCancelRow(QDialog& dialog, QBoxLayout& layout);
