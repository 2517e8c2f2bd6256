#include "installer/framework/environment.hpp"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "installer/framework/message_table.hpp"
#include "installer/framework/registry_values.hpp"
#include "installer/framework/text_functions.hpp"
#include "platform/path.hpp"

namespace quellbrook {
namespace {

constexpr std::size_t kMaxUserNameLength = 259;

// The value read and non-empty.
bool ReadsNonEmpty(std::string_view key, const char* valueName) {
  std::string text;
  return ReadRegistryValue(kLocalMachine, key, valueName, text) && !text.empty();
}

// The trimmed text, or fallback when the value can't be read or is blank after trimming
// and blankIsMissing says so.
std::string ReadTrimmedOr(std::string_view key, const char* valueName, const char* fallback,
                          bool blankIsMissing) {
  std::string text;
  if (!ReadRegistryValue(kLocalMachine, key, valueName, text)) return fallback;
  text = TrimText(text);
  if (blankIsMissing && text.empty()) return fallback;
  return text;
}

// A file name as the directory search compares it: any case, trailing blanks dropped.
bool NamesTool(std::string_view fileName, std::string_view tool) {
  const std::string name = TrimRight(fileName);
  return platform::EqualsNoCase(name, tool) ||
         platform::EqualsNoCase(name, std::string(tool) + ".exe");
}

}  // namespace

int IsServerMachine() {
  std::string text;
  if (!ReadRegistryValue(kLocalMachine, kRunAtServerFlagKey, nullptr, text)) return 0;
  return platform::EqualsNoCase(text, "FALSE") ? 0 : 1;
}

int GetSystemRole(std::string& roleText) {
  roleText = kRolePlainClientText;
  if (ReadsNonEmpty(kRunAtServerFlagKey, nullptr)) {
    roleText = kRoleServerText;
    return kRoleServer;
  }
  if (IsLocalDatabaseClient() == 1) {
    roleText = kRoleLocalDatabaseClientText;
    return kRoleLocalDatabaseClient;
  }
  return kRolePlainClient;
}

int IsTarnwellInstalled() {
  return ReadsNonEmpty(kTarnwellKey, kInstallMarkerValue) ? 1 : 0;
}

int IsPirodexInstalled() {
  return ReadsNonEmpty(kPirodexKey, kInstallMarkerValue) ? 1 : 0;
}

int IsSequenceInstallEnabled() {
  std::string text;
  if (!ReadRegistryValue(kLocalMachine, kQuellbrookKey, kInstallSequencesValue, text)) return 0;
  return !text.empty() && platform::EqualsNoCase(text, "Yes") ? 1 : 0;
}

int IsLocalDatabaseClient() {
  if (!RegistryKeyExists(kLocalMachine, kBrandiskellKey)) return 0;
  std::string folder;
  if (!ReadRegistryValue(kLocalMachine, kComponentPathKey, nullptr, folder)) return 0;
  folder = TrimText(folder);
  if (folder.empty()) return 0;
  return platform::FindFileNoCase(folder, kLocalDatabaseServiceFile).has_value() ? 1 : 0;
}

void GetDbmsType(std::string& out) {
  std::string text;
  if (!ReadRegistryValue(kLocalMachine, kDbPublishTypeKey, nullptr, text)) {
    out = "MS SQL Server";
    return;
  }
  text = TrimText(text);
  if (platform::EqualsNoCase(text, "ORACLE"))
    out = "Oracle";
  else if (platform::EqualsNoCase(text, "SQL"))
    out = "MS SQL Server";
  else
    out = "Unknown";
}

int GetDatabaseName(int dbmsType, std::string& out) {
  std::string_view key;
  if (dbmsType == kDbmsSqlServer)
    key = kDatabaseNameKey;
  else if (dbmsType == kDbmsOracle)
    key = kDbDefaultUserKey;
  else
    return 0;
  out = ReadTrimmedOr(key, nullptr, kDefaultProcessDatabase, true);
  return 1;
}

int GetGeneInfoDatabaseName(std::string& out) {
  out = ReadTrimmedOr(kGeneInfoDatabaseNameKey, nullptr, kDefaultGeneInfoDatabase, true);
  return 1;
}

void GetDataObjectVersion(std::string& out) {
  std::string text;
  const RegistryRead first = ReadRegistryText(kLocalMachine, kPembVersionKey, nullptr, text);
  if (first == RegistryRead::kRead) {
    out = TrimText(text);
    return;
  }
  // Only a key that opens without its value sends the search on to the older key.
  if (first == RegistryRead::kUnreadable &&
      ReadRegistryValue(kLocalMachine, kTrelVersionKey, nullptr, text)) {
    out = TrimText(text);
    return;
  }
  out = kDefaultDataObjectVersion;
}

bool IsVersionAtLeast31(double version) {
  return version >= 3.1;
}

bool IsVersionAtLeast31(float version) {
  return version >= 3.1f;
}

void GetLocalLibraryPath(std::string& out) {
  out = ReadTrimmedOr(kLocalLibraryPathKey, nullptr, "", false);
}

void GetScriptFolder(std::string& out) {
  out = ReadTrimmedOr(kDefaultPreferencesKey, kScriptDirValue, "", false);
}

void GetProductVersion(std::string& out) {
  std::string text;
  switch (ReadRegistryText(kLocalMachine, kTarnwellKey, kProductVersionValue, text)) {
    case RegistryRead::kRead:
      out = TrimText(text);
      return;
    case RegistryRead::kUnreadable:
      out = "Unknown";
      return;
    case RegistryRead::kNoKey:
      out.clear();
      return;
  }
}

bool HasSqlTools(std::string_view folder) {
  if (folder.empty()) return false;
  bool osql = false;
  bool bcp = false;
  for (const std::string& name : platform::ListFolderSorted(platform::JoinPath(folder, "binn"))) {
    osql = osql || NamesTool(name, "osql");
    bcp = bcp || NamesTool(name, "bcp");
    if (osql && bcp) return true;
  }
  return false;
}

int FindSqlToolsFolder(std::string& folder, std::string& message) {
  folder.clear();
  message.clear();
  std::string clientPath;
  std::string serverPath;
  const bool clientRead =
      ReadRegistryValue(kLocalMachine, kSqlClientSetupKey, kSqlPathValue, clientPath);
  const bool serverRead =
      ReadRegistryValue(kLocalMachine, kSqlServerSetupKey, kSqlPathValue, serverPath);
  const std::string* chosen = nullptr;
  if (clientRead && HasSqlTools(clientPath))
    chosen = &clientPath;
  else if (serverRead && HasSqlTools(serverPath))
    chosen = &serverPath;
  if (chosen == nullptr) {
    message = MessageText(kSqlToolsMissing);
    return kSqlToolsMissing;
  }
  folder = *chosen + "\\binn";
  return kResultSuccess;
}

void DescribeOs(int major, int minor, std::string_view servicePack, std::string& name,
                std::string& version) {
  version = FormatText("%d.%d", major, minor);
  name.clear();
  if (major <= 4)
    name = "MicroSoft Windows NT";
  else if (major == 5 && minor == 0)
    name = "Microsoft Windows 2000";
  else if (major == 5 && minor == 1)
    name = "Microsoft Windows XP";
  name += ' ';
  name += servicePack;
}

void GetOsDescription(std::string& name, std::string& version) {
  name.clear();
  version.clear();
  utsname system{};
  if (uname(&system) != 0) return;
  int major = 0;
  int minor = 0;
  if (std::sscanf(system.release, "%d.%d", &major, &minor) < 1) return;
  std::string servicePack;
  if (!ReadRegistryValue(kLocalMachine, kWindowsCurrentVersionKey, kServicePackValue, servicePack))
    servicePack.clear();
  DescribeOs(major, minor, servicePack, name, version);
}

void GetInstallingUser(std::string& out) {
  out.clear();
  std::array<char, 4096> buffer{};
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr || found->pw_name == nullptr)
    return;
  out = found->pw_name;
  if (out.size() > kMaxUserNameLength) out.resize(kMaxUserNameLength);
}

std::string GetLocalComputerName() {
  std::array<char, 256> buffer{};
  if (gethostname(buffer.data(), buffer.size() - 1) != 0) return std::string();
  return std::string(buffer.data());
}

}  // namespace quellbrook
