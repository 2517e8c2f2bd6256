// Small routines every dialog, view and command uses to talk to the user: the status-bar
// message, the clipboard, the file fields of dialogs and the folder browser's start folder.
// Opening an address is OpenLink (shell/dialogs/links/open_link.hpp), since it may tell
// the user in a dialog.
#pragma once

#include <string>
#include <string_view>

class QFileDialog;
class QPushButton;
class QString;
class QWidget;

// The filter of the file dialogs that choose a table or list of the program.
inline constexpr const char* kDataFileFilter =
    "Tab-delimited Text Files (*.xls;*.txt)|*.xls;*.txt|All Files (*.*)|*.*||";

// Sets a pane of the main window's status bar and repaints it at once; every caller uses
// pane 0. Nothing happens before the main window exists.
void SetStatusText(int pane, std::string_view text);

// Puts the text on the clipboard; a clipboard that cannot be reached is silent.
void CopyTextToClipboard(std::string_view text);

// Shows a file setting in a button, label or edit: the path, or when it is unset
// ("None..." or empty) offText, or "None" when offText is empty.
void ShowFileName(QWidget* control, std::string_view path, std::string_view offText);

// The file button of the dialogs. With canSwitchOff on a set path, the path is switched
// off to "None <path>" (so switching on again restores it) and the control shows the off
// text. Otherwise a file dialog opens at the path (an open dialog when openDialog, else a
// save dialog); OK puts the chosen path into path and the control, Cancel changes nothing.
void BrowseFileName(QWidget* control, std::string& path, bool openDialog, bool canSwitchOff,
                    std::string_view offText);

// A dialog's push button named by its control id; it never takes Return as the default
// button does, so Return stays with the dialog.
QPushButton* ControlButton(const char* text, int id, QWidget* parent);

// Has the toolkit fill the widget white before each paint: the canvases of the views.
void FillWhiteBehindPaint(QWidget& widget);

// The folder the next folder browser shows first; the folder buttons fill it.
extern std::string BrowseFolderStart;

enum class FolderBrowseEvent { kInitialized, kSelectionChanged };

// Serves every folder browser: at start it shows BrowseFolderStart, and while the user
// moves it shows the selected folder in the browser's status line. Always 0.
int BrowseFolderCallback(QFileDialog& browser, FolderBrowseEvent event, const QString& folder);

// Gives a folder browser (a dialog that is not the desktop's own) its status line.
void AddFolderBrowserStatusLine(QFileDialog& browser);

// The status line that AddFolderBrowserStatusLine gave the browser, or "" when none.
QString FolderBrowserStatusText(const QFileDialog& browser);

// Shows text in a button, label or edit.
void SetControlText(QWidget* control, const QString& text);
