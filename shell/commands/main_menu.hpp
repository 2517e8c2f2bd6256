// The main menu and accelerators of resource 128: every item with its command id, text
// and shortcut. Each action carries its id as data; the main frame routes and updates
// them.
#pragma once

#include <map>

class QAction;
class QMenuBar;
class QWidget;

// Fills the menu bar and returns the actions by command id, including the menu-less
// accelerator 118 (Ctrl+L), which is added to owner so its shortcut works.
std::map<int, QAction*> BuildMainMenu(QMenuBar& bar, QWidget& owner);
