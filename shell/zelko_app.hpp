// The application object: the start-up sequence that prepares the profile settings and
// the log document, creates the main window from the command line and shows it
// maximised, and the orderly end that saves the group before the window goes.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class CAnalysisDoc;
class CMainFrame;

// The registry key under which the profile settings (the recent-file list) are kept.
inline constexpr const char* kRegistryKey = "Quenlith (Zelko)";
inline constexpr int kRecentFileCount = 4;

class CZelkoApp {
 public:
  // arguments: the command line without the program's name.
  explicit CZelkoApp(QStringList arguments);
  ~CZelkoApp();
  CZelkoApp(const CZelkoApp&) = delete;
  CZelkoApp& operator=(const CZelkoApp&) = delete;

  // The start-up; false ends the program (a file argument that cannot be opened).
  bool InitInstance();
  // Saves the group (its settings file) while the log can still show a failure, then
  // takes down the window, the log sink and the message pump.
  void ExitInstance();

  CMainFrame* MainWindow() const { return mFrame.get(); }
  CAnalysisDoc* Document() const { return mDocument.get(); }
  // The steps InitInstance took, in order.
  const std::vector<std::string>& StartupSteps() const { return mSteps; }
  const QString& RegistryKey() const { return mRegistryKey; }
  const QStringList& RecentFiles() const { return mRecentFiles; }

 private:
  void Step(const char* name) { mSteps.emplace_back(name); }
  [[nodiscard]] bool ProcessShellCommand();

  QStringList mArguments;
  QString mRegistryKey;
  QStringList mRecentFiles;
  std::unique_ptr<CAnalysisDoc> mDocument;
  std::unique_ptr<CMainFrame> mFrame;
  std::vector<std::string> mSteps;
  bool mPumpInstalled = false;
};
