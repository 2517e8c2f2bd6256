// Test support: a menu of the window's menu bar opened with the mouse and one of its items
// chosen with the mouse, as a user does, so that the focus moves and the items are brought
// up to date the way they are for the user.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

// Clicks the title of the menu-bar menu that holds the item; the menu, open, or null when
// no menu holds the item.
inline QMenu* OpenMenuHolding(QMainWindow& window, QAction* item) {
  QMenuBar* bar = window.menuBar();
  for (QAction* title : bar->actions()) {
    QMenu* menu = title->menu();
    if (menu == nullptr || !menu->actions().contains(item)) continue;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
    EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000))
        << title->text().toStdString();
    return menu;
  }
  ADD_FAILURE() << "no menu holds " << item->text().toStdString();
  return nullptr;
}

// Opens the item's menu and clicks the item; true when the menu closed after the click
// (a disabled item leaves it open, and the menu is then closed with Escape).
inline bool ChooseMenuItem(QMainWindow& window, QAction* item) {
  QMenu* menu = OpenMenuHolding(window, item);
  if (menu == nullptr) return false;
  QTest::mouseMove(menu, menu->actionGeometry(item).center());
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  const bool closed = QTest::qWaitFor([menu] { return !menu->isVisible(); }, 500);
  if (!closed) QTest::keyClick(menu, Qt::Key_Escape);
  QApplication::processEvents();
  return closed;
}
