// The program: the group starts in the current folder, then the window.
#include <QApplication>

#include <clocale>
#include <filesystem>
#include <system_error>

#include "engine/group/group.hpp"
#include "shell/zelko_app.hpp"

int main(int argc, char** argv) {
  // The current folder is the home of the group settings, as it was before the window.
  std::error_code error;
  const std::filesystem::path home = std::filesystem::current_path(error);
  StartGroup(error ? std::string(".") : home.string());

  QApplication application(argc, argv);
  // Numbers are read and written in the C locale whatever the desktop's language.
  std::setlocale(LC_NUMERIC, "C");

  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  CZelkoApp zelko(arguments);
  if (!zelko.InitInstance()) {
    zelko.ExitInstance();
    return 1;
  }
  const int result = QApplication::exec();
  zelko.ExitInstance();
  return result;
}
