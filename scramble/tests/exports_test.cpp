// The built library exports exactly the two scrambling functions, and callers can bind them.
#include "scramble/tamsk.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

extern "C" int TamskRoundTripFromC(char* text);

namespace {

// Names of the defined dynamic symbols, as the dynamic linker would offer them to a caller.
std::set<std::string> DefinedDynamicSymbols(const std::string& library, int* exitStatus) {
  const std::string command =
      std::string("'") + TAMSK_NM_PROGRAM + "' -D --defined-only '" + library + "'";
  std::set<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *exitStatus = -1;
    return names;
  }
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    // The name is the last field; a versioned name keeps its "@@node" suffix and so fails.
    std::istringstream fields(line);
    std::string field, name;
    while (fields >> field) name = field;
    if (!name.empty()) names.insert(name);
  }
  *exitStatus = pclose(pipe);
  return names;
}

TEST(TamskExports, ExactlyEncryptTextAndDecryptText) {
  int status = 0;
  const std::set<std::string> names = DefinedDynamicSymbols(TAMSK_LIBRARY_PATH, &status);
  ASSERT_EQ(status, 0) << "nm failed on " << TAMSK_LIBRARY_PATH;
  EXPECT_EQ(names, (std::set<std::string>{"DecryptText", "EncryptText"}));
}

TEST(TamskExports, CallableFromC) {
  char text[] = "partnumbers";
  EXPECT_EQ(TamskRoundTripFromC(text), 1);
  EXPECT_STREQ(text, "partnumbers");
}

}  // namespace
