// Building the options pages' controls and reading their fields.
#include "shell/dialogs/common/option_fields.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

bool Refuse(QLineEdit* edit, const std::string& message) {
  AfxMessageBox(message);
  edit->setFocus();
  edit->selectAll();
  return false;
}

// The text as a number; an empty text is none.
bool ParseNumber(QLineEdit* edit, double& value) {
  bool ok = false;
  value = edit->text().trimmed().toDouble(&ok);
  return ok;
}

}  // namespace

QCheckBox* OptionCheck(const char* text, int id, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromLatin1(text), parent);
  box->setObjectName(ControlName(id));
  return box;
}

QComboBox* OptionCombo(std::initializer_list<const char*> items, int id, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(ControlName(id));
  for (const char* item : items) combo->addItem(QString::fromLatin1(item));
  return combo;
}

QLineEdit* OptionEdit(int id, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(ControlName(id));
  return edit;
}

QPushButton* OptionFileButton(int id, QWidget* parent) {
  auto* button = new QPushButton(parent);
  button->setObjectName(ControlName(id));
  button->setFlat(true);
  button->setStyleSheet(QStringLiteral("text-align: left"));
  button->setAutoDefault(false);
  return button;
}

QPushButton* OptionFileButton(int id, std::string& path, bool openDialog, bool canSwitchOff,
                              const char* offText, QWidget* parent) {
  QPushButton* button = OptionFileButton(id, parent);
  ShowFileName(button, path, offText);
  BrowseOnClick(button, path, openDialog, canSwitchOff, offText);
  return button;
}

void BrowseOnClick(QPushButton* button, std::string& path, bool openDialog, bool canSwitchOff,
                   const char* offText) {
  QObject::connect(button, &QPushButton::clicked, button,
                   [button, &path, openDialog, canSwitchOff, offText] {
                     BrowseFileName(button, path, openDialog, canSwitchOff, offText);
                   });
}

void ShowInt(QLineEdit* edit, int value) {
  edit->setText(QString::number(value));
}

void ShowDouble(QLineEdit* edit, double value) {
  edit->setText(QString::number(value, 'g', std::numeric_limits<double>::digits10));
}

void ShowFloat(QLineEdit* edit, float value) {
  edit->setText(QString::number(value, 'g', std::numeric_limits<float>::digits10));
}

std::string IntegerRangeMessage(int low, int high) {
  return MessageBuffer("Please enter an integer between %d and %d.", low, high);
}

std::string NumberRangeMessage(double low, double high) {
  return MessageBuffer("Please enter a number between %.15g and %.15g.", low, high);
}

bool ReadIntField(QLineEdit* edit, int low, int high, int& value) {
  bool ok = false;
  const int number = edit->text().trimmed().toInt(&ok);
  if (!ok) return Refuse(edit, kNotAnIntegerMessage);
  if (number < low || number > high) return Refuse(edit, IntegerRangeMessage(low, high));
  value = number;
  return true;
}

bool ReadDoubleField(QLineEdit* edit, double low, double high, double& value) {
  double number = 0.0;
  if (!ParseNumber(edit, number)) return Refuse(edit, kNotANumberMessage);
  if (number < low || number > high) return Refuse(edit, NumberRangeMessage(low, high));
  value = number;
  return true;
}

bool ReadDoubleField(QLineEdit* edit, double& value) {
  double number = 0.0;
  if (!ParseNumber(edit, number)) return Refuse(edit, kNotANumberMessage);
  value = number;
  return true;
}

bool ReadFloatField(QLineEdit* edit, double low, double high, float& value) {
  double number = 0.0;
  if (!ReadDoubleField(edit, low, high, number)) return false;
  value = static_cast<float>(number);
  return true;
}

bool ReadFloatField(QLineEdit* edit, float& value) {
  double number = 0.0;
  if (!ReadDoubleField(edit, number)) return false;
  value = static_cast<float>(number);
  return true;
}

int ChosenIndex(const QComboBox* combo, int unchanged) {
  const int index = combo->currentIndex();
  return index < 0 ? unchanged : index;
}
