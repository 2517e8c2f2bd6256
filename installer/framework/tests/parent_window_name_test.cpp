// The parent window's name kept between calls, and finding the host's window by it.
#include "installer/framework/parent_window_name.hpp"

#include <gtest/gtest.h>

#include <string>

#include "installer/framework/tests/database_sandbox.hpp"

namespace quellbrook {
namespace {

using testing::EnvironmentVariable;

TEST(ParentWindowName, ReplacedWholeAndCutToItsBuffer) {
  EXPECT_EQ(ParentWindowName(), kInitialParentWindowName);
  SetParentWindowName("Host A");
  EXPECT_EQ(ParentWindowName(), "Host A");
  SetParentWindowName("B");
  EXPECT_EQ(ParentWindowName(), "B");

  const std::string fits(kParentWindowNameSize - 1, 'x');
  SetParentWindowName(fits.c_str());
  EXPECT_EQ(ParentWindowName(), fits);
  const std::string tooLong = std::string(kParentWindowNameSize + 500, 'y') + "tail";
  SetParentWindowName(tooLong.c_str());
  EXPECT_EQ(ParentWindowName(), tooLong.substr(0, kParentWindowNameSize - 1));

  SetParentWindowName(kInitialParentWindowName);
}

TEST(ParentWindowName, TheHostWindowIsFoundByItsExactName) {
  {
    EnvironmentVariable windows(kHostWindowsVariable, "Other Host\nLibrary Host\nLibrary Host 2");
    EXPECT_EQ(FindTopLevelWindow("Library Host"), "Library Host");
    EXPECT_EQ(FindTopLevelWindow("Library Host 2"), "Library Host 2");
    EXPECT_EQ(FindTopLevelWindow("library host"), std::nullopt);
    EXPECT_EQ(FindTopLevelWindow("Library"), std::nullopt);
    EXPECT_EQ(FindTopLevelWindow(""), std::nullopt);
  }
  EnvironmentVariable none(kHostWindowsVariable, "");
  EXPECT_EQ(FindTopLevelWindow(kInitialParentWindowName), std::nullopt);
}

}  // namespace
}  // namespace quellbrook
