// Opening files and addresses through the desktop's xdg-open.
#include "shell/services/open_service.hpp"

#include <QProcess>
#include <QStringList>

#include "shell/services/text_conversion.hpp"

namespace {

class XdgOpenService final : public OpenService {
 public:
  void Open(std::string_view target) override {
    // Started detached: the program never waits for the viewer, and a missing viewer
    // is as silent as a failed shell open always was.
    QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{ToQString(target)});
  }
};

XdgOpenService gXdgOpen;
OpenService* gOpener = &gXdgOpen;

}  // namespace

OpenService& Opener() {
  return *gOpener;
}

OpenService* SetOpenService(OpenService* service) {
  OpenService* previous = gOpener == &gXdgOpen ? nullptr : gOpener;
  gOpener = service != nullptr ? service : &gXdgOpen;
  return previous;
}
