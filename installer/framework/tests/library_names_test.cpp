// Names that would reach outside the library's folders are told from those that stay in.
#include "installer/framework/library_names.hpp"

#include <gtest/gtest.h>

namespace quellbrook {
namespace {

TEST(LibraryNames, PlainNamesStayInTheirFolder) {
  for (const char* good : {"HG-U95A", "Chip A", "Mapping10K_Xba131", "a.b"})
    EXPECT_TRUE(IsPlainLibraryName(good)) << good;
  for (const char* bad : {"", ".", "..", "../x", "a/b", "a\\b", "*", "Chip?", "C:x", "a\tb"})
    EXPECT_FALSE(IsPlainLibraryName(bad)) << bad;
}

TEST(LibraryNames, RelativePathsMayNestButNotClimb) {
  for (const char* good : {"HG-U95A", "lib\\HG-U95A", "lib/HG/x"})
    EXPECT_TRUE(IsRelativeLibraryPath(good)) << good;
  for (const char* bad : {"", "/etc", "\\\\server\\share", "lib\\..\\..\\x", "lib/", "a//b",
                          "C:\\lib", "lib\\*", "..", "x/."})
    EXPECT_FALSE(IsRelativeLibraryPath(bad)) << bad;
}

}  // namespace
}  // namespace quellbrook
