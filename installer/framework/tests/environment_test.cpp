// Tests of the installer's environment on hand-made registries: values read as into a
// 260-byte buffer, a missing key told from a missing value, and every reader's fallback.
#include "installer/framework/environment.hpp"

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "installer/framework/message_table.hpp"
#include "installer/framework/registry_values.hpp"
#include "installer/framework/tests/registry_sandbox.hpp"

namespace quellbrook {
namespace {

using testing::RegistrySandbox;

void Touch(const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

TEST(RegistryValues, ReadAsIntoTheBufferWithMissingKeyAndValueApart) {
  RegistrySandbox registry;
  const std::string key = "SOFTWARE\\Maker\\Values";
  registry.SetText(key, "Fits", std::string(259, 'a'));
  registry.SetText(key, "TooLong", std::string(260, 'b'));
  registry.SetNumber(key, "Number", 0x00434241u);
  registry.SetText(key, nullptr, "default");

  std::string out = "before";
  EXPECT_EQ(ReadRegistryText(kLocalMachine, key, "Fits", out), RegistryRead::kRead);
  EXPECT_EQ(out, std::string(259, 'a'));
  EXPECT_EQ(ReadRegistryText(kLocalMachine, key, "TooLong", out), RegistryRead::kUnreadable);
  EXPECT_EQ(ReadRegistryText(kLocalMachine, key, "Absent", out), RegistryRead::kUnreadable);
  // Key paths: any case, a trailing backslash as the system's own keys are written.
  EXPECT_TRUE(ReadRegistryValue(kLocalMachine, "software\\MAKER\\values\\", nullptr, out));
  EXPECT_EQ(out, "default");
  EXPECT_TRUE(ReadRegistryValue(kLocalMachine, key, "Number", out));
  EXPECT_EQ(out, "ABC");
  // A key that can't be opened leaves the caller's text alone.
  out = "kept";
  EXPECT_EQ(ReadRegistryText(kLocalMachine, "SOFTWARE\\Maker\\Nothing", nullptr, out),
            RegistryRead::kNoKey);
  EXPECT_EQ(out, "kept");
  EXPECT_TRUE(RegistryKeyExists(kLocalMachine, key));
  EXPECT_FALSE(RegistryKeyExists(kLocalMachine, "SOFTWARE\\Maker\\Nothing"));
}

TEST(Environment, RoleFollowsRunAtServerFlagAndTheLocalDatabase) {
  RegistrySandbox registry;
  std::string role;
  // No key at all: a plain client.
  EXPECT_EQ(IsServerMachine(), 0);
  EXPECT_EQ(GetSystemRole(role), kRolePlainClient);
  EXPECT_EQ(role, "Client Machine");

  // "FALSE" is not a server to IsServerMachine, yet any text makes the role a server.
  registry.SetText(kRunAtServerFlagKey, nullptr, "false");
  EXPECT_EQ(IsServerMachine(), 0);
  EXPECT_EQ(GetSystemRole(role), kRoleServer);
  EXPECT_EQ(role, "QIRO Server");

  // An empty text is a server to IsServerMachine but not to the role.
  registry.SetText(kRunAtServerFlagKey, nullptr, "");
  EXPECT_EQ(IsServerMachine(), 1);
  EXPECT_EQ(GetSystemRole(role), kRolePlainClient);

  // A client with a local database: the product key and its service file both needed.
  const auto components = registry.Folder().Path() / "Components";
  registry.SetText(kComponentPathKey, nullptr, "  " + components.string() + "  ");
  EXPECT_EQ(IsLocalDatabaseClient(), 0);
  registry.MakeKey(kBrandiskellKey);
  EXPECT_EQ(IsLocalDatabaseClient(), 0);  // no service file yet
  Touch(components / "PembService.EXE");
  EXPECT_EQ(IsLocalDatabaseClient(), 1);
  EXPECT_EQ(GetSystemRole(role), kRoleLocalDatabaseClient);
  EXPECT_EQ(role, "Client Machine - Local Database");
  registry.SetText(kRunAtServerFlagKey, nullptr, "TRUE");
  EXPECT_EQ(GetSystemRole(role), kRoleServer);
}

TEST(Environment, ProductsAndSwitches) {
  RegistrySandbox registry;
  EXPECT_EQ(IsTarnwellInstalled(), 0);
  EXPECT_EQ(IsPirodexInstalled(), 0);
  EXPECT_EQ(IsSequenceInstallEnabled(), 0);
  registry.SetText(kTarnwellKey, kInstallMarkerValue, "");
  EXPECT_EQ(IsTarnwellInstalled(), 0);
  registry.SetText(kTarnwellKey, kInstallMarkerValue, "C:\\Tarnwell");
  registry.SetText(kPirodexKey, kInstallMarkerValue, "C:\\Pirodex");
  EXPECT_EQ(IsTarnwellInstalled(), 1);
  EXPECT_EQ(IsPirodexInstalled(), 1);
  registry.SetText(kQuellbrookKey, "InstallSequences", "yes");
  EXPECT_EQ(IsSequenceInstallEnabled(), 1);
  registry.SetText(kQuellbrookKey, "InstallSequences", " Yes");
  EXPECT_EQ(IsSequenceInstallEnabled(), 0);

  std::string text = "old";
  GetLocalLibraryPath(text);
  EXPECT_EQ(text, "");
  GetScriptFolder(text);
  EXPECT_EQ(text, "");
  registry.SetText(kLocalLibraryPathKey, nullptr, " D:\\Library\\ ");
  registry.SetText(kDefaultPreferencesKey, "ScriptDir", "\tE:\\Scripts");
  GetLocalLibraryPath(text);
  EXPECT_EQ(text, "D:\\Library\\");
  GetScriptFolder(text);
  EXPECT_EQ(text, "E:\\Scripts");
}

TEST(Environment, DbmsAndDatabaseNames) {
  RegistrySandbox registry;
  std::string text;
  GetDbmsType(text);
  EXPECT_EQ(text, "MS SQL Server");
  registry.SetText(kDbPublishTypeKey, nullptr, " oracle ");
  GetDbmsType(text);
  EXPECT_EQ(text, "Oracle");
  registry.SetText(kDbPublishTypeKey, nullptr, "sql");
  GetDbmsType(text);
  EXPECT_EQ(text, "MS SQL Server");
  registry.SetText(kDbPublishTypeKey, nullptr, "SQL Server");
  GetDbmsType(text);
  EXPECT_EQ(text, "Unknown");

  EXPECT_EQ(GetDatabaseName(kDbmsSqlServer, text), 1);
  EXPECT_EQ(text, "TREL3");
  registry.SetText(kDatabaseNameKey, nullptr, "  ");
  EXPECT_EQ(GetDatabaseName(kDbmsSqlServer, text), 1);
  EXPECT_EQ(text, "TREL3");
  registry.SetText(kDatabaseNameKey, nullptr, " PROCESS ");
  registry.SetText(kDbDefaultUserKey, nullptr, "ORAUSER");
  EXPECT_EQ(GetDatabaseName(kDbmsSqlServer, text), 1);
  EXPECT_EQ(text, "PROCESS");
  EXPECT_EQ(GetDatabaseName(kDbmsOracle, text), 1);
  EXPECT_EQ(text, "ORAUSER");
  text = "untouched";
  EXPECT_EQ(GetDatabaseName(kDbmsNone, text), 0);
  EXPECT_EQ(GetDatabaseName(3, text), 0);
  EXPECT_EQ(text, "untouched");

  EXPECT_EQ(GetGeneInfoDatabaseName(text), 1);
  EXPECT_EQ(text, "GeneInfo");
  registry.SetText(kGeneInfoDatabaseNameKey, nullptr, "Genes2 ");
  EXPECT_EQ(GetGeneInfoDatabaseName(text), 1);
  EXPECT_EQ(text, "Genes2");
}

TEST(Environment, VersionsFallBackKeyByKey) {
  RegistrySandbox registry;
  std::string text;
  GetDataObjectVersion(text);
  EXPECT_EQ(text, "3.0");
  // The older key is asked only when the newer key opens without its value.
  registry.SetText(kTrelVersionKey, nullptr, "2.5");
  GetDataObjectVersion(text);
  EXPECT_EQ(text, "3.0");
  registry.MakeKey(kPembVersionKey);
  GetDataObjectVersion(text);
  EXPECT_EQ(text, "2.5");
  registry.SetText(kPembVersionKey, nullptr, " 3.1 ");
  GetDataObjectVersion(text);
  EXPECT_EQ(text, "3.1");
  EXPECT_TRUE(IsVersionAtLeast31(std::atof(text.c_str())));
  EXPECT_FALSE(IsVersionAtLeast31(std::atof("3.09")));
}

TEST(Environment, ProductVersionTellsMissingKeyFromMissingValue) {
  RegistrySandbox registry;
  std::string text = "old";
  GetProductVersion(text);
  EXPECT_EQ(text, "");
  registry.MakeKey(kTarnwellKey);
  GetProductVersion(text);
  EXPECT_EQ(text, "Unknown");
  registry.SetText(kTarnwellKey, "TarnwellVersion", " 4.0.1 ");
  GetProductVersion(text);
  EXPECT_EQ(text, "4.0.1");
}

TEST(Environment, SqlToolsFolderIsTheFirstSqlPathHoldingBothTools) {
  RegistrySandbox registry;
  std::string folder = "old";
  std::string message = "old";
  EXPECT_EQ(FindSqlToolsFolder(folder, message), 3017);
  EXPECT_EQ(folder, "");
  EXPECT_EQ(message,
            "Cannot find the executable path for bcp.exe and osql.exe files.\nPlease make sure "
            "that the MSDE or SQL Server has been installed.");

  const auto client = registry.Folder().Path() / "client";
  const auto server = registry.Folder().Path() / "server";
  registry.SetText(kSqlClientSetupKey, "SQLPath", client.string());
  registry.SetText(kSqlServerSetupKey, "SQLPath", server.string());
  Touch(client / "binn" / "osql.exe");  // bcp missing: the client folder doesn't count
  Touch(server / "binn" / "OSQL.EXE");
  EXPECT_EQ(FindSqlToolsFolder(folder, message), 3017);
  Touch(server / "binn" / "Bcp.Exe ");
  EXPECT_EQ(FindSqlToolsFolder(folder, message), 0);
  EXPECT_EQ(folder, server.string() + "\\binn");
  EXPECT_EQ(message, "");
  // Both count: the client setup wins. Programs here carry no extension.
  Touch(client / "binn" / "bcp");
  EXPECT_EQ(FindSqlToolsFolder(folder, message), 0);
  EXPECT_EQ(folder, client.string() + "\\binn");

  EXPECT_FALSE(HasSqlTools(""));
  EXPECT_FALSE(HasSqlTools((registry.Folder().Path() / "none").string()));
}

TEST(Environment, OsDescriptionNamesThreeVersions) {
  std::string name;
  std::string version;
  DescribeOs(4, 0, "Service Pack 6", name, version);
  EXPECT_EQ(name, "MicroSoft Windows NT Service Pack 6");
  EXPECT_EQ(version, "4.0");
  DescribeOs(5, 0, "Service Pack 4", name, version);
  EXPECT_EQ(name, "Microsoft Windows 2000 Service Pack 4");
  DescribeOs(5, 1, "", name, version);
  EXPECT_EQ(name, "Microsoft Windows XP ");
  DescribeOs(6, 1, "SP1", name, version);
  EXPECT_EQ(name, " SP1");
  EXPECT_EQ(version, "6.1");
}

TEST(Environment, OsDescriptionOfThisMachineTakesTheServicePackFromTheRegistry) {
  RegistrySandbox registry;
  registry.SetText(kWindowsCurrentVersionKey, "CSDVersion", "Service Pack 3");
  std::string name;
  std::string version;
  GetOsDescription(name, version);
  EXPECT_TRUE(std::regex_match(version, std::regex("[0-9]+\\.[0-9]+"))) << version;
  ASSERT_GE(name.size(), 15u);
  EXPECT_EQ(name.substr(name.size() - 15), " Service Pack 3");
}

}  // namespace
}  // namespace quellbrook
