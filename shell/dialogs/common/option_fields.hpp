// The controls of the options pages and their checked reading: a number outside its range
// is refused with the standard message, and the field keeps the focus.
#pragma once

#include <initializer_list>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

QCheckBox* OptionCheck(const char* text, int id, QWidget* parent);
QComboBox* OptionCombo(std::initializer_list<const char*> items, int id, QWidget* parent);
QLineEdit* OptionEdit(int id, QWidget* parent);
// A flat button that shows a file setting.
QPushButton* OptionFileButton(int id, QWidget* parent);
// Each click of the button browses for the file setting path, as BrowseFileName
// (shell_helpers.hpp) does with these choices. path lives as long as the button.
void BrowseOnClick(QPushButton* button, std::string& path, bool openDialog, bool canSwitchOff,
                   const char* offText);
// The file button for the setting path: it shows path (offText while unset) and browses
// for it on a click.
QPushButton* OptionFileButton(int id, std::string& path, bool openDialog, bool canSwitchOff,
                              const char* offText, QWidget* parent);

// Texts as the fields show them: doubles with 15 significant digits, floats with 6.
void ShowInt(QLineEdit* edit, int value);
void ShowDouble(QLineEdit* edit, double value);
void ShowFloat(QLineEdit* edit, float value);

// The messages that refuse a field.
std::string IntegerRangeMessage(int low, int high);
std::string NumberRangeMessage(double low, double high);
inline constexpr const char* kNotAnIntegerMessage = "Please enter an integer.";
inline constexpr const char* kNotANumberMessage = "Please enter a number.";

// The field's value when it is a number (an integer) within [low, high]; otherwise the
// user is told, the field takes the focus and false is returned, value unchanged.
bool ReadIntField(QLineEdit* edit, int low, int high, int& value);
bool ReadDoubleField(QLineEdit* edit, double low, double high, double& value);
bool ReadDoubleField(QLineEdit* edit, double& value);
bool ReadFloatField(QLineEdit* edit, double low, double high, float& value);
bool ReadFloatField(QLineEdit* edit, float& value);

// The combo's chosen index, or unchanged when nothing is chosen (a setting beyond the
// list shows no choice and keeps its value).
int ChosenIndex(const QComboBox* combo, int unchanged);
