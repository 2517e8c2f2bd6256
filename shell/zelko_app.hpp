// The application object: the start-up sequence that prepares the profile settings and
// the log document, creates the main window from the command line and shows it
// maximised, and the orderly end that saves the group before the window goes.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

#include "shell/services/recent_file_list.hpp"

class CAnalysisDoc;
class CMainFrame;

// The registry key under which the profile settings (the recent-file list) are kept.
inline constexpr const char* kRegistryKey = "Quenlith (Zelko)";
inline constexpr const char* kProfileName = "Zelko";
inline constexpr int kRecentFileCount = 4;
// A document file given on the command line is read up to this size.
inline constexpr qint64 kMaxDocumentFileBytes = qint64{64} << 20;

class CZelkoApp {
 public:
  // arguments: the command line without the program's name.
  explicit CZelkoApp(QStringList arguments);
  ~CZelkoApp();
  CZelkoApp(const CZelkoApp&) = delete;
  CZelkoApp& operator=(const CZelkoApp&) = delete;

  // The start-up; false ends the program (a file argument that cannot be opened).
  bool InitInstance();
  // Saves the group (its settings file) while the log can still show a failure, writes
  // the recent-file list, then takes down the window, the log sink and the message pump.
  void ExitInstance();

  CMainFrame* MainWindow() const { return mFrame.get(); }
  CAnalysisDoc* Document() const { return mDocument.get(); }
  // The steps InitInstance took, in order.
  const std::vector<std::string>& StartupSteps() const { return mSteps; }
  const QString& RegistryKey() const { return mRegistryKey; }
  const CRecentFileList& RecentFiles() const { return mRecentFiles; }

 private:
  void Step(const char* name) { mSteps.emplace_back(name); }
  [[nodiscard]] bool ProcessShellCommand();

  QStringList mArguments;
  QString mRegistryKey;
  CRecentFileList mRecentFiles{kRegistryKey, kProfileName, kRecentFileCount};
  std::unique_ptr<CAnalysisDoc> mDocument;
  std::unique_ptr<CMainFrame> mFrame;
  std::vector<std::string> mSteps;
  bool mPumpInstalled = false;
};
