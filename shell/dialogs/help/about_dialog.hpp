// Dialog 100 "About Zelko": the program's name and two links, to the home page and to
// the manual's acknowledgements.
#pragma once

#include <QDialog>

class AboutDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent);
};
