// The toolkit's message boxes, file dialogs and modal dialogs behind the prompt service.
#include "shell/services/prompt_service.hpp"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

static_assert(kAnswerOk == ids::kIdOk && kAnswerCancel == ids::kIdCancel &&
              kAnswerYes == ids::kIdYes && kAnswerNo == ids::kIdNo);

class WidgetPromptService final : public PromptService {
 public:
  int MessageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                 MessageIcon icon) override {
    QMessageBox box(Icon(icon), ToQString(caption), ToQString(text), StandardButtons(buttons),
                    ActiveWindow());
    switch (box.exec()) {
      case QMessageBox::Ok:
        return kAnswerOk;
      case QMessageBox::Yes:
        return kAnswerYes;
      case QMessageBox::No:
        return kAnswerNo;
      default:
        return kAnswerCancel;
    }
  }

  std::optional<std::string> FileName(const FileDialogRequest& request) override {
    QFileDialog dialog(ActiveWindow());
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!request.promptOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.filter.empty()) dialog.setNameFilter(ToolkitFilter(request.filter));
    if (!request.defaultExtension.empty())
      dialog.setDefaultSuffix(ToQString(request.defaultExtension));
    if (!request.startFile.empty()) dialog.selectFile(ToQString(request.startFile));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return FromQString(dialog.selectedFiles().front());
  }

  std::optional<std::string> FolderName(std::string_view title) override {
    QFileDialog browser(ActiveWindow(), ToQString(title));
    browser.setFileMode(QFileDialog::Directory);
    browser.setOption(QFileDialog::ShowDirsOnly);
    browser.setOption(QFileDialog::DontUseNativeDialog);  // so it can carry a status line
    AddFolderBrowserStatusLine(browser);
    BrowseFolderCallback(browser, FolderBrowseEvent::kInitialized, QString());
    QObject::connect(&browser, &QFileDialog::currentChanged, &browser,
                     [&browser](const QString& folder) {
                       BrowseFolderCallback(browser, FolderBrowseEvent::kSelectionChanged, folder);
                     });
    if (browser.exec() != QDialog::Accepted || browser.selectedFiles().isEmpty())
      return std::nullopt;
    return FromQString(browser.selectedFiles().front());
  }

  int RunDialog(QDialog& dialog) override { return dialog.exec(); }

 private:
  static QWidget* ActiveWindow() { return QApplication::activeWindow(); }

  static QMessageBox::StandardButtons StandardButtons(MessageButtons buttons) {
    switch (buttons) {
      case MessageButtons::kOk:
        return QMessageBox::Ok;
      case MessageButtons::kOkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
      case MessageButtons::kYesNo:
        return QMessageBox::Yes | QMessageBox::No;
      case MessageButtons::kYesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
  }

  static QMessageBox::Icon Icon(MessageIcon icon) {
    switch (icon) {
      case MessageIcon::kNone:
        return QMessageBox::NoIcon;
      case MessageIcon::kInformation:
        return QMessageBox::Information;
      case MessageIcon::kQuestion:
        return QMessageBox::Question;
      case MessageIcon::kWarning:
        return QMessageBox::Warning;
      case MessageIcon::kStop:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
  }
};

}  // namespace

PromptService& WindowPrompts() {
  static WidgetPromptService prompts;
  return prompts;
}

PromptService& Prompts() {
  if (auto* installed = dynamic_cast<PromptService*>(&Prompt())) return *installed;
  return WindowPrompts();
}

QString ToolkitFilter(std::string_view filter) {
  const QStringList parts = ToQString(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    patterns.replace(QLatin1String("*.*"), QLatin1String("*"));
    // The description repeats the patterns in brackets; the toolkit reads them from there.
    const qsizetype bracket = name.indexOf(QLatin1Char('('));
    if (bracket >= 0) name.truncate(bracket);
    entries << name.trimmed() + QLatin1String(" (") + patterns + QLatin1Char(')');
  }
  return entries.join(QLatin1String(";;"));
}
