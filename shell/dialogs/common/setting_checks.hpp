// Check boxes that each show one of the group's on/off settings (an int, 0 or 1): the
// page shows them all from the settings and reads them all back in one step.
#pragma once

#include <span>
#include <vector>

#include "engine/group/group_settings.hpp"

class QBoxLayout;
class QCheckBox;
class QWidget;

class SettingChecks {
 public:
  struct Text {
    int id;
    const char* text;
    int GroupSettings::*setting;
  };

  // A box for the setting, for the caller to lay out.
  QCheckBox* Add(const char* text, int id, int GroupSettings::*setting, QWidget* parent);
  // A box for each text, in order, one below the other at the end of the layout.
  void AddAll(std::span<const Text> texts, QBoxLayout& layout, QWidget* parent);

  void Show(const GroupSettings& settings) const;
  void Read(GroupSettings& settings) const;

 private:
  struct Check {
    QCheckBox* box;
    int GroupSettings::*setting;
  };
  std::vector<Check> mChecks;
};
