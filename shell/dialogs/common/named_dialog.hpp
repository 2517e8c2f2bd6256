// The base of the program's own dialogs: each is found by the object name its resource
// id gives it ("c" and the id), and shows its title.
#pragma once

#include <QDialog>
#include <QString>

#include "shell/services/text_conversion.hpp"

class NamedDialog : public QDialog {
 protected:
  NamedDialog(QWidget* parent, int id, const QString& title) : QDialog(parent) {
    setObjectName(ControlName(id));
    setWindowTitle(title);
  }
};
