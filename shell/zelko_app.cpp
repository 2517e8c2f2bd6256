// Start-up and end of the program.
#include "shell/zelko_app.hpp"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextDocument>

#include "engine/base/file_kind.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/info/gene_info_install.hpp"
#include "genome/info/snp_info_install.hpp"
#include "shell/main_frame.hpp"
#include "shell/services/rtf_reader.hpp"
#include "shell/services/shell_services.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/views/frame/analysis_doc.hpp"

CZelkoApp::CZelkoApp(QStringList arguments) : mArguments(std::move(arguments)) {}

CZelkoApp::~CZelkoApp() {
  ExitInstance();
}

bool CZelkoApp::InitInstance() {
  // Long computations keep the window alive by handling pending events between lines.
  SetPumpHook([] { QCoreApplication::processEvents(); });
  InstallShellServices();
  InstallGeneInfoReader();
  InstallSnpInfoReader();
  mPumpInstalled = true;
  Step("message pump");

  mRegistryKey = QString::fromLatin1(kRegistryKey);
  Step("registry key");

  mRecentFiles.ReadList();
  Step("profile settings");

  // One single-document template (resource 128): the log document, the main frame and
  // the navigation tree.
  Step("document template");
  Step("shell open");

  if (!ProcessShellCommand()) return false;
  Step("command line");

  mFrame->showMaximized();
  mFrame->update();
  Step("show maximized");
  return true;
}

bool CZelkoApp::ProcessShellCommand() {
  mDocument = std::make_unique<CAnalysisDoc>();
  if (!mArguments.isEmpty()) {
    // A file argument opens as the log document (a saved log as the rich text it is);
    // one that cannot be read ends the start.
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFileStart(
        FromQString(mArguments.front()), static_cast<std::size_t>(kMaxDocumentFileBytes));
    if (!bytes) return false;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    if (!ReadRtf(text, mDocument->Text()))
      mDocument->Text().setPlainText(
          QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    mRecentFiles.Add(QFileInfo(mArguments.front()).absoluteFilePath().toStdString());
  } else if (!mDocument->OnNewDocument()) {
    return false;
  }
  mFrame = std::make_unique<CMainFrame>(*mDocument);
  mFrame->InitialUpdateFrame();
  // The start's settings file was read before there was a log to show its fault in.
  if (GroupStarted() && !TheGroup().SettingsReadFault().empty())
    LogMessage(TheGroup().SettingsReadFault(), 0, kLogRed);
  return true;
}

void CZelkoApp::ExitInstance() {
  if (GroupStarted()) ExitGroup();
  if (mFrame) static_cast<void>(mRecentFiles.WriteList());  // its failure is in the log
  mFrame.reset();
  mDocument.reset();
  if (mPumpInstalled) {
    SetPumpHook({});
    RemoveShellServices();
    mPumpInstalled = false;
  }
}
