// Opening files and addresses through the desktop's xdg-open.
#include "shell/services/open_service.hpp"

#include <QProcess>
#include <QStringList>

#include <string>

#include "engine/services/installed_service.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

XdgOpenService gXdgOpen;
constinit InstalledService<OpenService> gOpener{gXdgOpen};

}  // namespace

void XdgOpenService::Open(std::string_view target) {
  // Started detached: the program never waits for the viewer. A viewer that fails later
  // is the desktop's to report; only a missing xdg-open is ours.
  QProcess process;
  process.setProgram(QStringLiteral("xdg-open"));
  process.setArguments(QStringList{ToQString(target)});
  if (process.startDetached()) return;
  if (mToldMissing) return;
  mToldMissing = true;
  const std::string reason = FromQString(process.errorString());
  AfxMessageBox(MessageBuffer(kNoDesktopOpenerMessage, std::string(target).c_str(), reason.c_str()),
                MessageButtons::kOk, MessageIcon::kWarning);
}

OpenService& Opener() {
  return gOpener.Get();
}

OpenService* SetOpenService(OpenService* service) {
  return gOpener.Install(service);
}
