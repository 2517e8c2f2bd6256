// The OK, Cancel and "&Options..." row that ends the dialogs from which the user can
// reach the program's options before running a job.
#pragma once

#include <functional>

class QBoxLayout;
class QDialog;

// Adds the row to the dialog's layout: OK accepts, Cancel rejects, Options runs
// openOptions when one is given.
void AddOptionsButtonRow(QDialog& dialog, QBoxLayout& layout, std::function<void()> openOptions);
