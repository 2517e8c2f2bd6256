// Tests of the registry file: typed values read back exactly through the file, names
// without regard to case, keys made and taken down as trees, damaged files read as far
// as they are sound, and changes that replace the file whole.
#include "platform/registry.hpp"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/system_error.hpp"
#include "platform/tests/temp_folder.hpp"
#include "platform/write_fault.hpp"

namespace platform {
namespace {

using platform::testing::TempFolder;

constexpr const char* kAppKey = "Software\\Quenlith (Zelko)\\Zelko";

std::string ReadWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

TEST(Registry, ValuesComeBackExactlyThroughTheFile) {
  TempFolder folder;
  const std::string path = folder.File("deep/er/registry");
  // Every byte a text may hold, quotes, backslashes and line breaks included.
  std::string everyByte;
  for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
  const std::string withNul("a\0b", 3);
  ASSERT_TRUE(UpdateRegistryFile(path, [&](RegistryStore& store) {
    return store.SetString(kHkeyCurrentUser, kAppKey, "File1", "C:\\data\\\"x\".doc") &&
           store.SetString(kHkeyCurrentUser, kAppKey, "all \"bytes\"\n", everyByte) &&
           store.SetString(kHkeyCurrentUser, kAppKey, "", withNul) &&
           store.SetNumber(kHkeyLocalMachine, "SOFTWARE\\Maker\\Database", "Port", 0xFFFFFFFFu) &&
           store.SetNumber(kHkeyLocalMachine, "SOFTWARE\\Maker\\Database", "Zero", 0) &&
           store.SetString(kHkeyLocalMachine, "SOFTWARE\\Maker\\Database", "Empty", "");
  }));
  EXPECT_FALSE(std::filesystem::exists(path + ".damaged"));

  const RegistryReading reading = ReadRegistryFile(path);
  ASSERT_EQ(reading.damagedLine, 0) << reading.fault;
  const RegistryStore& store = reading.store;
  EXPECT_EQ(store.String(kHkeyCurrentUser, kAppKey, "File1"), "C:\\data\\\"x\".doc");
  EXPECT_EQ(store.String(kHkeyCurrentUser, kAppKey, "all \"bytes\"\n"), everyByte);
  EXPECT_EQ(store.String(kHkeyCurrentUser, kAppKey, ""), withNul);
  EXPECT_EQ(store.Number(kHkeyLocalMachine, "SOFTWARE\\Maker\\Database", "Port"), 0xFFFFFFFFu);
  EXPECT_EQ(store.Number(kHkeyLocalMachine, "SOFTWARE\\Maker\\Database", "Zero"), 0u);
  EXPECT_EQ(store.String(kHkeyLocalMachine, "SOFTWARE\\Maker\\Database", "Empty"), "");
  // A value is read only as the type it has.
  EXPECT_EQ(store.Number(kHkeyLocalMachine, "SOFTWARE\\Maker\\Database", "Empty"), std::nullopt);
  EXPECT_EQ(store.String(kHkeyLocalMachine, "SOFTWARE\\Maker\\Database", "Port"), std::nullopt);
  // The same store written again gives the same file.
  EXPECT_EQ(store.ToText(), ReadWhole(path));
}

TEST(Registry, NamesIgnoreCaseAndKeysFormTrees) {
  RegistryStore store;
  ASSERT_TRUE(store.SetString(
      kHkeyCurrentUser, "Software\\Quenlith (Zelko)\\Zelko\\Recent File List", "File1", "a.doc"));
  ASSERT_TRUE(store.SetNumber(kHkeyCurrentUser, "Software\\Quenlith (Zelko)\\Zelko\\Settings",
                              "PreviewPages", 1));
  // Case of roots, keys and value names does not matter; empty parts are skipped.
  EXPECT_EQ(store.String("hkey_current_user",
                         "SOFTWARE\\quenlith (zelko)\\\\ZELKO\\recent file list\\", "FILE1"),
            "a.doc");
  ASSERT_TRUE(store.SetString(
      kHkeyCurrentUser, "software\\QUENLITH (ZELKO)\\zelko\\Recent File List", "file1", "b.doc"));
  EXPECT_EQ(
      store.ValueNames(kHkeyCurrentUser, "Software\\Quenlith (Zelko)\\Zelko\\Recent File List"),
      std::vector<std::string>{"File1"})
      << "the value keeps its first spelling";
  EXPECT_EQ(store.String(kHkeyCurrentUser, "Software\\Quenlith (Zelko)\\Zelko\\Recent File List",
                         "File1"),
            "b.doc");
  // Keys above come into being; sub-keys are listed in the order made.
  EXPECT_TRUE(store.KeyExists(kHkeyCurrentUser, "Software\\Quenlith (Zelko)"));
  EXPECT_TRUE(store.KeyExists(kHkeyCurrentUser, ""));
  EXPECT_EQ(store.SubKeyNames(kHkeyCurrentUser, kAppKey),
            (std::vector<std::string>{"Recent File List", "Settings"}));
  EXPECT_FALSE(store.KeyExists(kHkeyLocalMachine, kAppKey)) << "each root has its own keys";

  // Names Windows refuses change nothing.
  EXPECT_FALSE(store.SetString("HKEY_NOWHERE", "Software", "x", "y"));
  EXPECT_FALSE(store.SetString(kHkeyCurrentUser, "Software\\bad\tname", "x", "y"));
  EXPECT_FALSE(store.CreateKey(kHkeyCurrentUser, "Software\\" + std::string(256, 'k')));
  EXPECT_TRUE(store.CreateKey(kHkeyCurrentUser, "Software\\" + std::string(255, 'k')));
  EXPECT_FALSE(store.SetString(kHkeyCurrentUser, "Software", std::string(16384, 'v'), "y"));

  // Taking a key down takes its sub-keys; the root and its neighbours stay.
  EXPECT_TRUE(
      store.DeleteValue(kHkeyCurrentUser, kAppKey + std::string("\\Settings"), "previewpages"));
  EXPECT_FALSE(
      store.DeleteValue(kHkeyCurrentUser, kAppKey + std::string("\\Settings"), "PreviewPages"));
  EXPECT_TRUE(store.DeleteKey(kHkeyCurrentUser, "software\\quenlith (zelko)"));
  EXPECT_FALSE(store.KeyExists(kHkeyCurrentUser, kAppKey));
  EXPECT_FALSE(store.KeyExists(kHkeyCurrentUser, "Software\\Quenlith (Zelko)"));
  EXPECT_TRUE(store.KeyExists(kHkeyCurrentUser, "Software"));
  EXPECT_FALSE(store.DeleteKey(kHkeyCurrentUser, ""));
  EXPECT_FALSE(store.DeleteKey(kHkeyCurrentUser, "Software\\Quenlith (Zelko)"));
}

TEST(Registry, DamagedTextIsReadAsFarAsItIsSound) {
  const std::string sound =
      "Zelko registry 1\r\n"
      "[HKEY_CURRENT_USER\\Software\\A]\r\n"
      "\"one\"=\"1\"\n"
      "\n"
      "@=dword:0000002A\n";
  const RegistryReading whole = ParseRegistry(sound);
  ASSERT_EQ(whole.damagedLine, 0) << whole.fault;
  EXPECT_EQ(whole.store.Number(kHkeyCurrentUser, "Software\\A", ""), 42u);

  const struct {
    std::string tail;
    const char* fault;
  } kDamage[] = {
      {"\"two\"=\"open", "text value not valid"},
      {"\"two\"=\"bad \\q escape\"", "text value not valid"},
      {"\"two\"=\"x\" trailing", "text value not valid"},
      {"\"two\"=\"\\x4\"", "text value not valid"},
      {"\"two\"=dword:2a", "dword value not 8 hexadecimal digits"},
      {"\"two\"=dword:0000002g", "dword value not 8 hexadecimal digits"},
      {"\"two\"", "no '=' after the value name"},
      {"two=\"x\"", "value name not valid"},
      {"[HKEY_CURRENT_USER\\Software\\B", "key line without its closing ']'"},
      {"[HKEY_SOMEWHERE\\Software\\B]", "key name not valid"},
      {"\"two\"=\"" + std::string(kMaxRegistryLineLength, 'x') + "\"",
       "line longer than the reader takes"},
  };
  for (const auto& damage : kDamage) {
    const RegistryReading reading = ParseRegistry(sound + damage.tail + "\n\"three\"=\"3\"\n");
    EXPECT_EQ(reading.damagedLine, 6) << damage.tail.substr(0, 40);
    EXPECT_EQ(reading.fault, damage.fault) << damage.tail.substr(0, 40);
    EXPECT_EQ(reading.store.String(kHkeyCurrentUser, "Software\\A", "one"), "1");
    EXPECT_EQ(reading.store.Number(kHkeyCurrentUser, "Software\\A", ""), 42u);
    EXPECT_FALSE(reading.store.Value(kHkeyCurrentUser, "Software\\A", "three"));
  }
  EXPECT_EQ(ParseRegistry("\"v\"=\"x\"\n").damagedLine, 1) << "no signature";
  EXPECT_EQ(ParseRegistry("Zelko registry 1\n\"v\"=\"x\"\n").fault, "value before any key");
  EXPECT_EQ(ParseRegistry("").damagedLine, 0);

  // Every cut of a sound file reads without harm, keeping what came before the cut.
  RegistryStore store;
  ASSERT_TRUE(store.SetString(kHkeyLocalMachine, "SOFTWARE\\M", "Name", "a \"b\" \\c\n"));
  ASSERT_TRUE(store.SetNumber(kHkeyLocalMachine, "SOFTWARE\\M", "N", 7));
  const std::string text = store.ToText();
  for (std::size_t cut = 0; cut < text.size(); ++cut) {
    const RegistryReading reading = ParseRegistry(std::string_view(text).substr(0, cut));
    if (reading.damagedLine == 0) continue;
    EXPECT_FALSE(reading.store.Value(kHkeyLocalMachine, "SOFTWARE\\M", "N")) << cut;
  }
}

TEST(Registry, ChangesReplaceTheFileAndKeepADamagedOne) {
  TempFolder folder;
  const std::string path = folder.File("registry");
  EXPECT_EQ(ReadRegistryFile(path).damagedLine, 0) << "a missing file is an empty registry";
  {
    std::ofstream(path, std::ios::binary) << "Zelko registry 1\n[HKEY_USERS\\x]\n\"a\"=\"1\"\n"
                                             "\"b\"=garbage\n\"c\"=\"3\"\n";
  }
  const std::string damaged = ReadWhole(path);
  // A change that declines leaves the file alone.
  ASSERT_TRUE(UpdateRegistryFile(path, [](RegistryStore&) { return false; }));
  EXPECT_EQ(ReadWhole(path), damaged);
  EXPECT_FALSE(std::filesystem::exists(path + ".damaged"));

  ASSERT_TRUE(UpdateRegistryFile(path, [](RegistryStore& store) {
    EXPECT_EQ(store.String(kHkeyUsers, "x", "a"), "1");
    return store.SetString(kHkeyUsers, "x", "d", "4");
  }));
  EXPECT_EQ(ReadWhole(path + ".damaged"), damaged);
  const RegistryReading reading = ReadRegistryFile(path);
  EXPECT_EQ(reading.damagedLine, 0);
  EXPECT_EQ(reading.store.ValueNames(kHkeyUsers, "x"), (std::vector<std::string>{"a", "d"}));
  // No temporary file is left beside it.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    ++entries;
  }
  EXPECT_EQ(entries, 3) << "the registry, its lock and the damaged copy";

  // A file that cannot be replaced says why and stays as it was.
  const std::string blocked = folder.File("blocked");
  std::filesystem::create_directories(blocked + "/registry");
  std::string error;
  EXPECT_FALSE(UpdateRegistryFile(
      blocked + "/registry", [](RegistryStore& store) { return store.CreateKey(kHkeyUsers, "y"); },
      &error));
  EXPECT_NE(error.find("registry"), std::string::npos) << error;
  EXPECT_NE(error.find("(" + SystemErrorText(EISDIR) + ")"), std::string::npos) << error;
}

// The registry is put in place as every other file: flushed, renamed, and its folder
// flushed after the rename.
TEST(Registry, AChangeReachesTheDiskFileAndFolder) {
  TempFolder folder;
  const std::string path = folder.File("registry");
  static std::vector<WriteStep> steps;
  steps.clear();
  SetWriteFault([](WriteStep step, const std::string&) {
    steps.push_back(step);
    return 0;
  });
  const bool written = UpdateRegistryFile(
      path, [](RegistryStore& store) { return store.SetNumber(kHkeyUsers, "x", "n", 7); });
  SetWriteFault(nullptr);
  ASSERT_TRUE(written);
  EXPECT_EQ(steps, (std::vector<WriteStep>{WriteStep::kOpen, WriteStep::kWrite, WriteStep::kSync,
                                           WriteStep::kRename, WriteStep::kFolderSync}));
}

TEST(Registry, PathComesFromTheEnvironment) {
  const char* saved = std::getenv(kRegistryPathVariable);
  const std::string previous = saved != nullptr ? saved : "";
  ::setenv(kRegistryPathVariable, "/sandbox/registry", 1);
  EXPECT_EQ(RegistryFilePath(), "/sandbox/registry");
  ::setenv(kRegistryPathVariable, "", 1);
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') {
    EXPECT_EQ(RegistryFilePath(), std::string(home) + "/.zelko/registry");
  }
  if (saved != nullptr) {
    ::setenv(kRegistryPathVariable, previous.c_str(), 1);
  } else {
    ::unsetenv(kRegistryPathVariable);
  }
}

}  // namespace
}  // namespace platform
