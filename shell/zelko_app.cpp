// Start-up and end of the program.
#include "shell/zelko_app.hpp"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/info/gene_info_install.hpp"
#include "genome/info/snp_info_install.hpp"
#include "shell/main_frame.hpp"
#include "shell/services/rtf_reader.hpp"
#include "shell/services/shell_services.hpp"
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
    QFile file(mArguments.front());
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.read(kMaxDocumentFileBytes);
    if (!ReadRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                 mDocument->Text()))
      mDocument->Text().setPlainText(QString::fromUtf8(bytes));
    mRecentFiles.Add(QFileInfo(file).absoluteFilePath().toStdString());
  } else if (!mDocument->OnNewDocument()) {
    return false;
  }
  mFrame = std::make_unique<CMainFrame>(*mDocument);
  mFrame->InitialUpdateFrame();
  return true;
}

void CZelkoApp::ExitInstance() {
  if (GroupStarted()) ExitGroup();
  if (mFrame) mRecentFiles.WriteList();
  mFrame.reset();
  mDocument.reset();
  if (mPumpInstalled) {
    SetPumpHook({});
    RemoveShellServices();
    mPumpInstalled = false;
  }
}
