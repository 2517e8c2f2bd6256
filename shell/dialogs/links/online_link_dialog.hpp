// Dialog 167 "Go to an online link": tells the user which address was opened and put on
// the clipboard.
#pragma once

#include <QDialog>

#include <string_view>

class OnlineLinkDialog final : public QDialog {
  Q_OBJECT
 public:
  OnlineLinkDialog(std::string_view address, QWidget* parent);
};
