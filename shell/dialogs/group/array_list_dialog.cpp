// The array list file dialog.
#include "shell/dialogs/group/array_list_dialog.hpp"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <span>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/group/group_settings.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/byte_writer.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"
#include "platform/system_error.hpp"
#include "shell/dialogs/common/browse_into_edit.hpp"
#include "shell/dialogs/common/manual_link.hpp"
#include "shell/dialogs/common/select_samples_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

// The first characters of two lines are the same, letter case aside; a line shorter
// than that many characters must match the other one's length too.
bool SameStart(std::string_view a, std::string_view b, int characters) {
  const auto count = static_cast<std::size_t>(characters);
  return platform::EqualsNoCase(a.substr(0, count), b.substr(0, count));
}

QListWidget* ArrayList(int id, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(ControlName(id));
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  return list;
}

// The lines as the file; the system's error number when it cannot be written, else 0.
int WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text.append(line).push_back('\n');
  int error = 0;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  if (!platform::WriteWholeFile(path, std::span<const std::uint8_t>(bytes, text.size()), &error))
    return error != 0 ? error : EIO;
  return 0;
}

}  // namespace

std::string SeparatorLine(std::string_view word) {
  return "--- " + std::string(word) + "---";
}

std::vector<std::string> WithAutomaticSeparators(const std::vector<std::string>& lines,
                                                 int characters, std::string_view word) {
  std::vector<std::string> result;
  const std::string separator = SeparatorLine(word);
  const std::string* previous = nullptr;
  for (const std::string& line : lines) {
    if (Contains(line, kReplicateWord)) continue;
    if (!Contains(line, kStandardizeWord) && previous != nullptr &&
        !SameStart(*previous, line, characters))
      result.push_back(separator);
    result.push_back(line);
    previous = &line;
  }
  return result;
}

ArrayListDialog::ArrayListDialog(GroupSettings& settings, QWidget* parent)
    : NamedDialog(parent, kDialogId, QStringLiteral("Array list file")), mSettings(settings) {
  auto* layout = new QVBoxLayout(this);

  auto* lists = new QGridLayout;
  lists->addWidget(new QLabel(QStringLiteral("All arrays:"), this), 0, 0);
  lists->addWidget(new QLabel(QStringLiteral("Arrays to be used:"), this), 0, 2);
  mAll = ArrayList(kAllArrays, this);
  mUsed = ArrayList(kUsedArrays, this);
  lists->addWidget(mAll, 1, 0);
  lists->addWidget(mUsed, 1, 2);
  auto* middle = new QVBoxLayout;
  QPushButton* add = ControlButton("Add array", kAddArray, this);
  QPushButton* remove = ControlButton("Delete", kDelete, this);
  QPushButton* replicate = ControlButton("Add replicate separator", kAddReplicate, this);
  QPushButton* standardize = ControlButton("Add standardize separator", kAddStandardize, this);
  for (QPushButton* button : {add, remove, replicate, standardize}) middle->addWidget(button);
  middle->addStretch(1);
  lists->addLayout(middle, 1, 1);
  layout->addLayout(lists);

  auto* automatic = new QHBoxLayout;
  automatic->addWidget(new QLabel(QStringLiteral("Treat arrays with identical first"), this));
  mCharacters = new QLineEdit(QString::number(kDefaultCompareCharacters), this);
  mCharacters->setObjectName(ControlName(kCompareCharacters));
  mCharacters->setMaximumWidth(48);
  automatic->addWidget(mCharacters);
  automatic->addWidget(new QLabel(QStringLiteral("characters as "), this));
  QPushButton* autoReplicates = ControlButton("Replicates", kAutoReplicates, this);
  QPushButton* autoStandardize =
      ControlButton("In same Standardizing Group", kAutoStandardize, this);
  automatic->addWidget(autoReplicates);
  automatic->addWidget(autoStandardize);
  automatic->addStretch(1);
  layout->addLayout(automatic);

  mUseStandardize = new QCheckBox(QStringLiteral("Use standardize seperators"), this);
  mUseStandardize->setObjectName(ControlName(kUseStandardizeSeparators));
  mUseStandardize->setChecked(settings.USE_STD_SEP != 0);
  layout->addWidget(mUseStandardize);

  auto* file = new QHBoxLayout;
  file->addWidget(new QLabel(QStringLiteral("Array list file:"), this));
  mFileName = new QLineEdit(this);
  mFileName->setObjectName(ControlName(kFileName));
  file->addWidget(mFileName, 1);
  QPushButton* open = ControlButton("Open", kOpen, this);
  file->addWidget(open);
  layout->addLayout(file);

  auto* bottom = new QHBoxLayout;
  mSelectByCategory = ControlButton("Select by category", kSelectByCategory, this);
  QPushButton* sort = ControlButton("S&ort", kSort, this);
  QPushButton* doNotUse = ControlButton("Do not use", kDoNotUse, this);
  for (QPushButton* button : {mSelectByCategory, sort, doNotUse}) bottom->addWidget(button);
  auto* help = ManualLink("array-list-file", this);
  bottom->addWidget(help);
  bottom->addStretch(1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* save = buttons->button(QDialogButtonBox::Ok);
  save->setText(QStringLiteral("&Save && Use"));
  save->setObjectName(ControlName(kSaveAndUse));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(ControlName(kCancel));
  bottom->addWidget(buttons);
  layout->addLayout(bottom);

  const Group& group = TheGroup();
  for (int array = 0; array < group.NumArrays(); ++array)
    mAll->addItem(ToQString(group.Array(array).name));
  // The category selection flags arrays by their place in group order.
  mSelectByCategory->setEnabled(SampleInfo.ColumnCount() > 0);
  if (!IsUnsetPath(settings.ARRAY_LIST_FILE)) {
    mFileName->setText(ToQString(settings.ARRAY_LIST_FILE));
    LoadFile(settings.ARRAY_LIST_FILE);
  }

  connect(add, &QPushButton::clicked, this, &ArrayListDialog::AddSelectedArrays);
  connect(remove, &QPushButton::clicked, this, &ArrayListDialog::DeleteSelectedLines);
  connect(replicate, &QPushButton::clicked, this,
          [this] { InsertLine(ToQString(SeparatorLine(kReplicateWord))); });
  connect(standardize, &QPushButton::clicked, this,
          [this] { InsertLine(ToQString(SeparatorLine(kStandardizeWord))); });
  connect(autoReplicates, &QPushButton::clicked, this,
          [this] { AddAutomaticSeparators(kReplicateWord); });
  connect(autoStandardize, &QPushButton::clicked, this,
          [this] { AddAutomaticSeparators(kStandardizeWord); });
  connect(open, &QPushButton::clicked, this, [this] {
    if (const std::optional<std::string> chosen = BrowseIntoEdit(*mFileName)) LoadFile(*chosen);
  });
  connect(mSelectByCategory, &QPushButton::clicked, this, &ArrayListDialog::SelectByCategory);
  connect(sort, &QPushButton::clicked, this, &ArrayListDialog::SortArrays);
  connect(doNotUse, &QPushButton::clicked, this, &ArrayListDialog::DoNotUse);
  connect(buttons, &QDialogButtonBox::accepted, this, &ArrayListDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void ArrayListDialog::LoadFile(const std::string& path) {
  if (path.empty()) return;
  platform::LineReader reader;
  if (!reader.Open(path, kArrayListLineLength)) {
    LogMessage(platform::WithReadFailure(MessageBuffer(kArrayListReadFailedMessage, path.c_str()),
                                         reader.OpenFailure()),
               0, kLogRed);
    return;
  }
  mUsed->clear();
  std::string_view line;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (line.empty()) break;
    mUsed->addItem(ToQString(line));
  }
}

void ArrayListDialog::InsertLine(const QString& text) {
  int row = mUsed->count();
  for (int k = 0; k < mUsed->count(); ++k) {
    if (!mUsed->item(k)->isSelected()) continue;
    row = k + 1;
    break;
  }
  mUsed->insertItem(row, text);
}

void ArrayListDialog::AddSelectedArrays() {
  for (int k = 0; k < mAll->count(); ++k)
    if (mAll->item(k)->isSelected()) InsertLine(mAll->item(k)->text());
  // A list being made from nothing gets a name the user can keep or change.
  if (mFileName->text().isEmpty()) {
    const Group& group = TheGroup();
    mFileName->setText(ToQString(
        platform::JoinPath(group.Settings().WORKING_DIR, group.Name() + " array list.txt")));
  }
}

void ArrayListDialog::DeleteSelectedLines() {
  for (int k = mUsed->count() - 1; k >= 0; --k)
    if (mUsed->item(k)->isSelected()) delete mUsed->takeItem(k);
}

void ArrayListDialog::AddAutomaticSeparators(std::string_view word) {
  bool numeric = false;
  const int characters = mCharacters->text().trimmed().toInt(&numeric);
  if (!numeric || characters < 1 || mUsed->count() == 0) {
    AfxMessageBox(kAutomaticSeparatorRefusedMessage);
    return;
  }
  const std::vector<std::string> lines = WithAutomaticSeparators(UsedLines(), characters, word);
  mUsed->clear();
  for (const std::string& line : lines) mUsed->addItem(ToQString(line));
}

void ArrayListDialog::SelectByCategory() {
  SelectSampleDialog dialog(true, kSelectionOverwrite, this);
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
  SetListSelection(dialog.Mode(), *mAll, true);
  AddSelectedArrays();
}

void ArrayListDialog::SortArrays() {
  std::vector<QString> names;
  for (int k = 0; k < mAll->count(); ++k) names.push_back(mAll->item(k)->text());
  std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  mAll->clear();
  for (const QString& name : names) mAll->addItem(name);
  // Rows no longer follow the arrays' numbers, which the category selection relies on.
  mSelectByCategory->setEnabled(false);
}

void ArrayListDialog::DoNotUse() {
  mFileName->clear();
  accept();
}

std::vector<std::string> ArrayListDialog::UsedLines() const {
  std::vector<std::string> lines;
  for (int k = 0; k < mUsed->count(); ++k) lines.push_back(FromQString(mUsed->item(k)->text()));
  return lines;
}

void ArrayListDialog::accept() {
  const std::string name = FromQString(mFileName->text().trimmed());
  const std::vector<std::string> lines = UsedLines();
  if (lines.empty() || name.empty()) {
    mSettings.ARRAY_LIST_FILE.clear();
    LogMessage(kNoArrayListMessage);
  } else {
    // The setting names the file only once it holds these lines.
    if (const int error = WriteLines(name, lines); error != 0) {
      AfxMessageBox(
          platform::WithSystemReason("Writing array list file " + name + " failed", error));
      return;
    }
    mSettings.ARRAY_LIST_FILE = name;
    LogMessage(MessageBuffer(kArrayListWritingMessage, name.c_str()));
  }
  mSettings.USE_STD_SEP = mUseStandardize->isChecked() ? 1 : 0;
  QDialog::accept();
}
