// One application object for all window tests, in the C numeric locale as the program.
#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>

namespace {

class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "shell_tests";
    static char* argv[] = {name, nullptr};
    mApplication = new QApplication(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
  }
  void TearDown() override {
    delete mApplication;
    mApplication = nullptr;
  }

 private:
  QApplication* mApplication = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
