#include "shell/dialogs/common/setting_checks.hpp"

#include <QBoxLayout>
#include <QCheckBox>

#include "shell/dialogs/common/option_fields.hpp"

QCheckBox* SettingChecks::Add(const char* text, int id, int GroupSettings::*setting,
                              QWidget* parent) {
  QCheckBox* box = OptionCheck(text, id, parent);
  mChecks.push_back({box, setting});
  return box;
}

void SettingChecks::AddAll(std::span<const Text> texts, QBoxLayout& layout, QWidget* parent) {
  for (const Text& text : texts) layout.addWidget(Add(text.text, text.id, text.setting, parent));
}

void SettingChecks::Show(const GroupSettings& settings) const {
  for (const Check& check : mChecks) check.box->setChecked(settings.*check.setting != 0);
}

void SettingChecks::Read(GroupSettings& settings) const {
  for (const Check& check : mChecks) settings.*check.setting = check.box->isChecked() ? 1 : 0;
}
