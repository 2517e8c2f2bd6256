// The file rows at the foot of the filter dialogs: each caption beside its file button, and
// under the last, the list the filter writes, a reminder to close that file first.
#pragma once

#include <initializer_list>

class QGridLayout;
class QPushButton;
class QWidget;

struct FilterFileRow {
  const char* caption;
  QPushButton* button;
};

QGridLayout* FilterFileRows(std::initializer_list<FilterFileRow> rows, QWidget* parent);
