// Status text, clipboard and the file fields of dialogs.
#include "shell/services/shell_helpers.hpp"

#include <QAbstractButton>
#include <QClipboard>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/process.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/shell_frame.hpp"

std::string BrowseFolderStart;

namespace {

constexpr const char* kStatusLineName = "folderBrowserStatus";

QString OffText(std::string_view offText) {
  return offText.empty() ? QStringLiteral("None") : ToQString(offText);
}

}  // namespace

void SetStatusText(int pane, std::string_view text) {
  if (ShellFrame* frame = TheFrame()) frame->SetStatusText(pane, text);
}

void CopyTextToClipboard(std::string_view text) {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(ToQString(text));
}

void SetControlText(QWidget* control, const QString& text) {
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(text);
  }
}

void ShowFileName(QWidget* control, std::string_view path, std::string_view offText) {
  SetControlText(control, IsNone(path) ? OffText(offText) : ToQString(path));
}

void BrowseFileName(QWidget* control, std::string& path, bool openDialog, bool canSwitchOff,
                    std::string_view offText) {
  if (canSwitchOff && !IsNone(path)) {
    path = "None " + path;
    SetControlText(control, OffText(offText));
    return;
  }
  FileDialogRequest request;
  request.open = openDialog;
  request.filter = kDataFileFilter;
  if (!IsNone(path)) {
    request.startFile = path;
  } else if (path.size() >= 6) {
    request.startFile = path.substr(5);  // the path that "None " switched off
  }
  const std::optional<std::string> chosen = Prompts().FileName(request);
  if (!chosen) return;
  // File settings hold at most this many characters; a longer one would not read back.
  if (chosen->size() > static_cast<std::size_t>(kMaxSettingTextLength)) {
    AfxMessageBox(MessageBuffer("The path is longer than %d characters; choose a shorter one",
                                kMaxSettingTextLength));
    return;
  }
  path = *chosen;
  SetControlText(control, ToQString(path));
}

int BrowseFolderCallback(QFileDialog& browser, FolderBrowseEvent event, const QString& folder) {
  switch (event) {
    case FolderBrowseEvent::kInitialized:
      if (!BrowseFolderStart.empty()) browser.setDirectory(ToQString(BrowseFolderStart));
      break;
    case FolderBrowseEvent::kSelectionChanged:
      if (auto* status = browser.findChild<QLabel*>(QLatin1String(kStatusLineName)))
        status->setText(folder);
      break;
  }
  return 0;
}

void AddFolderBrowserStatusLine(QFileDialog& browser) {
  auto* grid = qobject_cast<QGridLayout*>(browser.layout());
  if (grid == nullptr) return;
  auto* status = new QLabel(&browser);
  status->setObjectName(QLatin1String(kStatusLineName));
  grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
}

QString FolderBrowserStatusText(const QFileDialog& browser) {
  const auto* status = browser.findChild<QLabel*>(QLatin1String(kStatusLineName));
  return status != nullptr ? status->text() : QString();
}

QPushButton* ControlButton(const char* text, int id, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(ControlName(id));
  button->setAutoDefault(false);
  return button;
}

void FillWhiteBehindPaint(QWidget& widget) {
  widget.setAutoFillBackground(true);
  QPalette colours = widget.palette();
  colours.setColor(QPalette::Window, Qt::white);
  widget.setPalette(colours);
}
