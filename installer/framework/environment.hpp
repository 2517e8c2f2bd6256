// The machine as the installer sees it: the role, the DBMS, the database names, the
// versions and folders that the array maker's other products leave in the registry, the
// database tools' folder, and who and what is running the installation. Every function
// reads afresh and keeps nothing; each falls back to its default when a value is missing.
#pragma once

#include <string>
#include <string_view>

namespace quellbrook {

// Keys below HKEY_LOCAL_MACHINE.
inline constexpr std::string_view kRunAtServerFlagKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\Database\\RunAtServerFlag\\";
inline constexpr std::string_view kTarnwellKey = "SOFTWARE\\Kandorvale\\Tarnwell\\";
inline constexpr std::string_view kPirodexKey = "SOFTWARE\\Kandorvale\\Pirodex\\";
inline constexpr std::string_view kQuellbrookKey = "SOFTWARE\\Kandorvale\\Quellbrook\\";
inline constexpr std::string_view kBrandiskellKey = "SOFTWARE\\Kandorvale\\Brandiskell";
inline constexpr std::string_view kComponentPathKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\Database\\ComponentPath\\";
inline constexpr std::string_view kDbPublishTypeKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\Database\\DBPublishType";
inline constexpr std::string_view kDatabaseNameKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\Database\\DatabaseName\\";
inline constexpr std::string_view kDbDefaultUserKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\Database\\DBDefaultUser";
inline constexpr std::string_view kDbPasswordKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\Database\\DBPassword";
inline constexpr std::string_view kGeneInfoDatabaseNameKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\Database\\GeneInfoDatabaseName\\";
inline constexpr std::string_view kPembVersionKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\Database\\PEMBVersionNumber";
inline constexpr std::string_view kTrelVersionKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\Database\\TrelVersionNumber";
inline constexpr std::string_view kLocalLibraryPathKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\Database\\LocalLibraryPathName";
inline constexpr std::string_view kDefaultPreferencesKey =
    "SOFTWARE\\Kandorvale\\Tarnwell\\DefaultPreferences";
inline constexpr std::string_view kSqlClientSetupKey =
    "SOFTWARE\\Microsoft\\Microsoft SQL Server\\80\\Tools\\ClientSetup\\";
inline constexpr std::string_view kSqlServerSetupKey = "SOFTWARE\\Microsoft\\MSSQLServer\\Setup\\";
inline constexpr std::string_view kWindowsCurrentVersionKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";

// Value names (the rest are default values).
inline constexpr const char* kInstallMarkerValue = "InstallPath";
inline constexpr const char* kInstallSequencesValue = "InstallSequences";
inline constexpr const char* kScriptDirValue = "Scriptdir";
inline constexpr const char* kProductVersionValue = "TarnwellVersion";
inline constexpr const char* kSqlPathValue = "SQLPath";
inline constexpr const char* kServicePackValue = "CSDVersion";
inline constexpr const char* kLocalDatabaseServiceFile = "pembservice.exe";

// Machine roles and their texts.
inline constexpr int kRolePlainClient = 0;
inline constexpr int kRoleServer = 1;
inline constexpr int kRoleLocalDatabaseClient = 2;
inline constexpr const char* kRolePlainClientText = "Client Machine";
inline constexpr const char* kRoleServerText = "QIRO Server";
inline constexpr const char* kRoleLocalDatabaseClientText = "Client Machine - Local Database";

// DBMS kinds as the database session numbers them (0: none, so no connection).
inline constexpr int kDbmsNone = 0;
inline constexpr int kDbmsSqlServer = 1;
inline constexpr int kDbmsOracle = 2;

inline constexpr const char* kDefaultProcessDatabase = "TREL3";
inline constexpr const char* kDefaultGeneInfoDatabase = "GeneInfo";
inline constexpr const char* kDefaultDataObjectVersion = "3.0";

// 1 unless RunAtServerFlag's default value reads "FALSE" (any case) or can't be read.
int IsServerMachine();
// The role number (kRole...), its text in roleText. A readable non-empty RunAtServerFlag
// makes a server even when it says "FALSE".
int GetSystemRole(std::string& roleText);
int IsTarnwellInstalled();
int IsPirodexInstalled();
int IsSequenceInstallEnabled();
// 1 when the Brandiskell key exists and ComponentPath names a folder holding
// "pembservice.exe".
int IsLocalDatabaseClient();

// "Oracle", "MS SQL Server" or "Unknown", for the reports.
void GetDbmsType(std::string& out);
// The process database for kDbmsSqlServer or kDbmsOracle (result 1); any other kind gives 0
// and leaves out alone.
int GetDatabaseName(int dbmsType, std::string& out);
int GetGeneInfoDatabaseName(std::string& out);
// The data-object version text ("3.0" when absent); read as a decimal number by callers.
void GetDataObjectVersion(std::string& out);
// True for a data-object version of 3.1 or later; exactly "3.1" counts.
bool IsVersionAtLeast31(double version);
// The same for a version kept as a float: the float nearest 3.1 lies below the double 3.1,
// so it is compared with the float 3.1.
bool IsVersionAtLeast31(float version);
void GetLocalLibraryPath(std::string& out);
void GetScriptFolder(std::string& out);
void GetProductVersion(std::string& out);

// 0 with folder = "<SQLPath>\binn" of the first SQLPath (client setup before server setup)
// whose binn folder holds the tools; else 3017 with its message text in message.
int FindSqlToolsFolder(std::string& folder, std::string& message);
// True when folder's "binn" sub-folder holds both osql and bcp (with or without ".exe",
// any case, trailing blanks ignored).
bool HasSqlTools(std::string_view folder);

// The operating system's name and service pack text, and "major.minor".
void GetOsDescription(std::string& name, std::string& version);
// The name the reports give a system version: the three versions the installer knows by
// name, nothing for others, then a blank and the service pack text.
void DescribeOs(int major, int minor, std::string_view servicePack, std::string& name,
                std::string& version);
// The user running the installation; empty when unknown.
void GetInstallingUser(std::string& out);
// This computer's name; empty when unknown.
std::string GetLocalComputerName();

}  // namespace quellbrook
