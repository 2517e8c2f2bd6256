// The registry key step: each type's "Registry.ini" written into the sandbox's registry,
// text values merged as lists, and a refused entry refused alone.
#include "installer/steps/registry_key_step.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "installer/framework/tests/database_sandbox.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/tests/step_road.hpp"
#include "platform/registry.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/registry_file.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;

class RegistryKeyStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mStep.sourceFolder = mSandbox.File("source");
    mStep.logPath = mSandbox.File("install.log");
    mStep.types = {"Chip_A", "Chip_B", "Chip_C"};
    mStep.typeFolders = {"A", "B", "C"};
  }
  std::string IniPath(const std::string& folder) const {
    return mSandbox.File("source/" + folder + "/Registry.ini");
  }
  void WriteIni(const std::string& folder, int count,
                const std::vector<libgen::RegistryEntrySpec>& entries) {
    ASSERT_TRUE(libgen::WriteTextFile(IniPath(folder), libgen::RegistryIniText(count, entries)));
  }
  platform::RegistryStore Registry() const {
    return platform::ReadRegistryFile(platform::RegistryFilePath()).store;
  }

  testing::DatabaseSandbox mSandbox;
  RegistryKeyStep mStep;
};

TEST_F(RegistryKeyStepTest, WritesEachTypesKeysAndMergesTextLists) {
  mSandbox.SetRegistryText("SOFTWARE\\Lab\\Chip", "Paths", "B, c");
  WriteIni("A", 4,
           {{" hkey_local_machine ", "SOFTWARE\\Lab\\Chip", "Paths", "reg_sz", "a,b"},
            {"HKEY_CURRENT_USER", "Software\\Lab", "", "REG_DWORD", "hello"},
            {"HKEY_CLASSES_ROOT", ".chp", "Count", "REG_DWORD", "12 arrays"},
            {"HKEY_CLASSES_ROOT", ".chp", "None", "REG_DWORD", "none"}});
  // Chip_B ships no Registry.ini; Chip_C stops at its first missing root key.
  WriteIni("C", 3,
           {{"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\C", "Mode", "REG_SZ", "x"},
            {"", "SOFTWARE\\Lab\\Never", "", "", "y"},
            {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\Never", "", "", "z"}});
  EXPECT_EQ(mStep.RunRegistryKeyStep(), 0) << testing::ReadWholeFile(mStep.logPath);

  const platform::RegistryStore store = Registry();
  EXPECT_EQ(store.String(platform::kHkeyLocalMachine, "SOFTWARE\\Lab\\Chip", "Paths"), "B,c,a");
  // A default value is text, whatever its type says.
  EXPECT_EQ(store.String(platform::kHkeyCurrentUser, "Software\\Lab", ""), "hello");
  EXPECT_EQ(store.Number(platform::kHkeyClassesRoot, ".chp", "Count"), 12u);
  EXPECT_EQ(store.Number(platform::kHkeyClassesRoot, ".chp", "None"), 0u);
  EXPECT_EQ(store.String(platform::kHkeyLocalMachine, "SOFTWARE\\Lab\\C", "Mode"), "x");
  EXPECT_FALSE(store.KeyExists(platform::kHkeyLocalMachine, "SOFTWARE\\Lab\\Never"));
  EXPECT_EQ(LogMessages(mStep.logPath),
            std::vector<std::string>{"Start Installing Registry Keys..."});
}

TEST_F(RegistryKeyStepTest, ARefusedEntryIsRefusedAloneAndTheStepReportsIt) {
  WriteIni("B", 5,
           {{"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\One", "Level", "REG_DWORD", "3"},
            {"HKEY_NOWHERE", "SOFTWARE\\Lab\\Two", "", "", "v"},
            {"HKEY_LOCAL_MACHINE", "", "X", "REG_SZ", "v"},
            // No type: never the number type of the entry before it.
            {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\Four", "Level", "", "7"},
            {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\Five", "Name", "REG_BINARY", "v"},
            {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\Six", "Name", "REG_SZ", "six"}});
  // Count 5 leaves the sixth entry unread.
  EXPECT_EQ(mStep.RunRegistryKeyStep(), 1011);
  const platform::RegistryStore store = Registry();
  EXPECT_EQ(store.Number(platform::kHkeyLocalMachine, "SOFTWARE\\Lab\\One", "Level"), 3u);
  for (const char* key :
       {"SOFTWARE\\Lab\\Two", "SOFTWARE\\Lab\\Four", "SOFTWARE\\Lab\\Five", "SOFTWARE\\Lab\\Six"})
    EXPECT_FALSE(store.KeyExists(platform::kHkeyLocalMachine, key)) << key;
  const std::string ini = IniPath("B");
  EXPECT_EQ(
      LogMessages(mStep.logPath),
      (std::vector<std::string>{
          "Start Installing Registry Keys...",
          "ERROR: Cannot insert registry key. Unknown root key HKEY_NOWHERE for RootKey2 in " +
              ini + ".",
          "ERROR: Cannot insert registry key. Key3 should not be empty in " + ini,
          "ERROR: Cannot insert registry key. Type4 should not be empty in " + ini,
          "ERROR: Cannot insert registry key. Unknown data type REG_BINARY for Type5 in " + ini}));
}

TEST_F(RegistryKeyStepTest, CountsBeyondWhatTheFileCanHoldAreNotReadKeyByKey) {
  // A count far beyond the file's bytes reads the entries there, at once.
  const libgen::RegistryEntrySpec entry{"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\A", "Mode", "REG_SZ",
                                        "a"};
  WriteIni("A", INT32_MAX, {entry});
  // A file that could list more than 10000 entries is refused whole.
  ASSERT_TRUE(libgen::WriteTextFile(
      IniPath("B"), libgen::RegistryIniText(
                        INT32_MAX, {{"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\B", "", "", "b"}}) +
                        ";" + std::string(10000, 'x') + "\n"));
  EXPECT_EQ(mStep.RunRegistryKeyStep(), 1011);
  const platform::RegistryStore store = Registry();
  EXPECT_EQ(store.String(platform::kHkeyLocalMachine, "SOFTWARE\\Lab\\A", "Mode"), "a");
  EXPECT_FALSE(store.KeyExists(platform::kHkeyLocalMachine, "SOFTWARE\\Lab\\B"));
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "ERROR: Cannot insert registry key. More than 10000 registry keys in " + IniPath("B") +
                "; file not read.");
}

// The installer reads its login, tools folder and role from these trees: a library that could
// write there would choose what the next install runs and as whom.
TEST_F(RegistryKeyStepTest, KeysOfTheInstallerAndTheSystemAreRefused) {
  const std::vector<libgen::RegistryEntrySpec> refused = {
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Microsoft SQL Server\\80\\Tools\\ClientSetup",
       "SQLPath", "REG_SZ", "/library"},
      {"hkey_local_machine", "\\software\\\\kandorvale\\Tarnwell\\Database\\DBDefaultUser\\", "",
       "", "sa"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Kandorvale", "Owner", "REG_SZ", "lab"},
      {"HKEY_LOCAL_MACHINE", "System\\CurrentControlSet\\Services\\Lab", "ImagePath", "REG_SZ",
       "/library/run"},
      {"HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Lab", "REG_SZ",
       "/library/run"},
      {"HKEY_CURRENT_USER", "Environment", "PATH", "REG_SZ", "/library"}};
  // Neighbours that only share a prefix of a protected name stay allowed.
  const std::vector<libgen::RegistryEntrySpec> allowed = {
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\KandorvaleLab\\Chip", "Mode", "REG_SZ", "a"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\Microsoft", "Mode", "REG_SZ", "b"},
      {"HKEY_CLASSES_ROOT", ".chp", "", "", "Lab.Chip"}};
  std::vector<libgen::RegistryEntrySpec> entries = refused;
  entries.insert(entries.end(), allowed.begin(), allowed.end());
  WriteIni("A", static_cast<int>(entries.size()), entries);

  EXPECT_EQ(mStep.RunRegistryKeyStep(), 1011);
  const platform::RegistryStore store = Registry();
  for (const libgen::RegistryEntrySpec& entry : refused)
    EXPECT_FALSE(store.KeyExists(entry.root, entry.key)) << entry.key;
  for (const libgen::RegistryEntrySpec& entry : allowed)
    EXPECT_EQ(store.String(entry.root, entry.key, entry.name), entry.value) << entry.key;
  std::vector<std::string> expected = {"Start Installing Registry Keys..."};
  for (std::size_t i = 0; i < refused.size(); ++i)
    expected.push_back("ERROR: Cannot insert registry key. Key" + std::to_string(i + 1) + " " +
                       UpperText(refused[i].root) + "\\" + refused[i].key + " in " + IniPath("A") +
                       " is a key of the installer or the system.");
  EXPECT_EQ(LogMessages(mStep.logPath), expected);
}

TEST(RegistryList, MergesNewPiecesAfterTheExistingOnes) {
  EXPECT_EQ(MergeRegistryList("B, c", "a,b"), "B,c,a");
  EXPECT_EQ(MergeRegistryList("x", "X, y ,"), "x,y");
  EXPECT_EQ(MergeRegistryList("a,,b", "c"), "a,,b,c");
}

}  // namespace
}  // namespace quellbrook
