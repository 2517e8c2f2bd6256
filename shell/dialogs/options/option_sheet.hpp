// The options sheet: four pages (Clustering, Analysis, Model, Chromosome) that edit a copy
// of the program's options, with two buttons of its own, "Reset Default" and "Print
// Settings". OK keeps the copy for the caller to put in force and remembers the page it
// was pressed on; Cancel drops the copy.
#pragma once

#include "shell/dialogs/common/property_sheet.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/dialogs/options/option_values.hpp"

class OptionSheet final : public PropertySheet {
  Q_OBJECT
 public:
  static constexpr int kResetDefaultButton = 120;
  static constexpr int kPrintSettingsButton = 122;

  // Takes the options in force and opens at the page OPTION_PAGE names.
  explicit OptionSheet(QWidget* parent);

  // The options as the pages left them.
  const OptionValues& Values() const { return mValues; }

  // The active page must let go; then OPTION_PAGE becomes its index.
  void accept() override;

  // Every setting back to its default in the group (the settings file too), and every
  // page shows it.
  void ResetDefault();
  // The group's settings in force into the log, as their file holds them.
  void PrintSettings();

 private:
  OptionValues mValues;
};
