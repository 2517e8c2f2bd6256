// Test support for the Compare Samples sheet: the mouse and key events a user gives its
// tabs, buttons, boxes, lists and edits.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include "shell/dialogs/common/property_sheet.hpp"

namespace compare_events {

inline void ClickTab(PropertySheet& sheet, int index) {
  QTabBar* tabs = sheet.findChild<QTabBar*>();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
}

// A box on its own square: the rest of a wide box's row is not part of it.
inline void Click(QWidget& button) {
  QTest::mouseClick(&button, Qt::LeftButton, {},
                    qobject_cast<QCheckBox*>(&button) != nullptr
                        ? QPoint(button.height() / 2, button.height() / 2)
                        : button.rect().center());
}

inline void ClickRow(QListWidget& list, int row) {
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    list.visualItemRect(list.item(row)).center());
}

inline void ClickRow(QTableWidget& list, int row, Qt::KeyboardModifiers keys = {}) {
  list.scrollToItem(list.item(row, 0));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, keys,
                    list.visualItemRect(list.item(row, 0)).center());
}

// Replaces the edit's text as typed.
inline void Type(QLineEdit& edit, const char* text) {
  edit.setFocus();
  QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(&edit, QString::fromLatin1(text));
}

}  // namespace compare_events
