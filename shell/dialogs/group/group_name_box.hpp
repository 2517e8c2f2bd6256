// The group-name box of the Open Group and Get External Data sheets: an editable, sorted
// list of the groups whose settings files lie in the home folder, and a "Delete" button.
// Choosing a group reads its settings; the page then shows them.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QBoxLayout;
class QComboBox;
class QPushButton;
class QWidget;

inline constexpr int kGroupNameBox = 1016;
inline constexpr int kDeleteGroupButton = 1201;
// A group name holds at most this many characters.
inline constexpr int kMaxGroupNameLength = 255;

class GroupNameBox final : public QObject {
  Q_OBJECT
 public:
  // settingsRead runs after a chosen group's settings were read.
  GroupNameBox(QWidget* parent, std::function<void()> settingsRead);

  QComboBox* Box() const { return mBox; }
  QPushButton* DeleteButton() const { return mDelete; }

  // Lists the settings files of the home folder (each name up to its first '.'). When the
  // group is the default one and its LAST_GROUP_NAME is listed, that group is chosen and
  // its settings read; otherwise the box shows the group's name.
  void Fill();
  // The name typed or chosen, without surrounding blanks.
  std::string Name() const;
  void SetName(const std::string& name);

 private:
  void OnChosen(int index);
  void OnDelete();

  QComboBox* mBox;
  QPushButton* mDelete;
  std::function<void()> mSettingsRead;
  bool mFilling = false;
};

// The box and its "Delete" button in a "Group name" frame at the end of the page's layout.
GroupNameBox* AddGroupNameFrame(QWidget& page, QBoxLayout& layout,
                                std::function<void()> settingsRead);
