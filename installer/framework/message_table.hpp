// The one table of the installer's result numbers and their texts. A result of 0 is
// success and 4001 success with warnings; every other result an operation gives is the
// number of its text here. Several texts are printf formats that the caller fills.
#pragma once

#include <string>
#include <string_view>

namespace quellbrook {

inline constexpr int kResultSuccess = 0;
inline constexpr int kDevicesFileMissing = 1001;
inline constexpr int kInvalidCommandParameters = 1007;
inline constexpr int kCannotUpdateOldServer = 1008;
inline constexpr int kCannotUpdateWithoutClient = 1009;
inline constexpr int kIniSectionMissing = 1010;
inline constexpr int kRegistryKeyErrors = 1011;
inline constexpr int kWriteIntermediateFilesFailed = 2001;
inline constexpr int kGeneInfoDatabaseNameMissing = 2006;
inline constexpr int kProcessDatabaseNameMissing = 2007;
inline constexpr int kCopyFilesFailed = 2008;
inline constexpr int kValidationFailedForAll = 2009;
inline constexpr int kScanParameterUpdateFailed = 2010;
inline constexpr int kValidationFailed = 2011;
inline constexpr int kFilePathMissing = 2016;
inline constexpr int kConnectFailed = 3004;
inline constexpr int kUnknownDeviceType = 3014;
inline constexpr int kEmptyDeviceAnnotation = 3015;
inline constexpr int kSqlToolsMissing = 3017;
inline constexpr int kThereAreErrors = 3027;
inline constexpr int kThereAreWarnings = 4001;

// The text of a number; empty for a number the table doesn't hold.
std::string_view MessageText(int number);

// The text of a number filled printf-style with the arguments, at whatever length.
std::string FormatMessageText(int number, ...);

}  // namespace quellbrook
