// The list of saved groups, choosing one and deleting one.
#include "shell/dialogs/group/group_name_box.hpp"

#include <QBoxLayout>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <utility>

#include "engine/group/group.hpp"
#include "platform/path.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr const char* kSettingsExtension = ".ini";

}  // namespace

GroupNameBox::GroupNameBox(QWidget* parent, std::function<void()> settingsRead)
    : QObject(parent), mSettingsRead(std::move(settingsRead)) {
  mBox = new QComboBox(parent);
  mBox->setObjectName(ControlName(kGroupNameBox));
  mBox->setEditable(true);
  mBox->setInsertPolicy(QComboBox::NoInsert);
  mBox->lineEdit()->setMaxLength(kMaxGroupNameLength);
  mDelete = new QPushButton(QStringLiteral("Delete"), parent);
  mDelete->setObjectName(ControlName(kDeleteGroupButton));
  connect(mBox, &QComboBox::activated, this, &GroupNameBox::OnChosen);
  connect(mDelete, &QPushButton::clicked, this, &GroupNameBox::OnDelete);
}

void GroupNameBox::Fill() {
  mFilling = true;
  mBox->clear();
  QStringList names;
  Group& group = TheGroup();
  for (const std::string& file : platform::ListFolderSorted(group.HomeFolder())) {
    const std::string name = platform::FileName(file);
    if (name.size() <= 4 || !platform::EqualsNoCase(platform::Extension(name), kSettingsExtension))
      continue;
    const QString stem = ToQString(name.substr(0, name.find('.')));
    if (!stem.isEmpty() && !names.contains(stem)) names.push_back(stem);
  }
  names.sort(Qt::CaseInsensitive);
  mBox->addItems(names);
  mBox->setCurrentIndex(-1);
  SetName(group.Name());
  mFilling = false;

  if (!platform::EqualsNoCase(group.Name(), kDefaultGroupName)) return;
  const int last = mBox->findText(ToQString(group.Settings().LAST_GROUP_NAME));
  if (last < 0 || group.Settings().LAST_GROUP_NAME.empty()) return;
  mBox->setCurrentIndex(last);
  OnChosen(last);
}

std::string GroupNameBox::Name() const {
  return FromQString(mBox->currentText().trimmed());
}

void GroupNameBox::SetName(const std::string& name) {
  mBox->setEditText(ToQString(name));
}

void GroupNameBox::OnChosen(int index) {
  if (mFilling || index < 0) return;
  TheGroup().ReadGroupSettings(FromQString(mBox->itemText(index)));
  if (mSettingsRead) mSettingsRead();
  SetName(FromQString(mBox->itemText(index)));
}

void GroupNameBox::OnDelete() {
  const int index = mBox->currentIndex();
  if (index < 0) return;
  const std::string name = FromQString(mBox->itemText(index));
  mBox->removeItem(index);
  std::error_code ignored;
  std::filesystem::remove(TheGroup().SettingsPath(name), ignored);
}

GroupNameBox* AddGroupNameFrame(QWidget& page, QBoxLayout& layout,
                                std::function<void()> settingsRead) {
  auto* frame = new QGroupBox(QStringLiteral("Group name"), &page);
  auto* row = new QHBoxLayout(frame);
  auto* names = new GroupNameBox(frame, std::move(settingsRead));
  row->addWidget(names->Box(), 1);
  row->addWidget(names->DeleteButton());
  layout.addWidget(frame);
  return names;
}
