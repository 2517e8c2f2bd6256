// One application object for all window tests, in the C numeric locale and with the
// window's services installed, as the program has them.
#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>

#include "shell/services/shell_services.hpp"

namespace {

class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "shell_tests";
    static char* argv[] = {name, nullptr};
    mApplication = new QApplication(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    InstallShellServices();
  }
  void TearDown() override {
    RemoveShellServices();
    delete mApplication;
    mApplication = nullptr;
  }

 private:
  QApplication* mApplication = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
