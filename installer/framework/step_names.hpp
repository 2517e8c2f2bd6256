// The step name table: for each install step, the scripts, bulk-load option, temporary
// table, stored procedure, control file and run script it uses on each DBMS. Data objects
// older than 3.1 take their own load scripts and files for the algorithm and analysis
// parameter steps.
#pragma once

#include <string>
#include <string_view>

namespace quellbrook {

// Indexes of the step name table.
enum LibStepCode : int {
  kStepAssay = 0,
  kStepAlgorithm = 1,
  kStepDevice = 2,
  kStepAnalysisParameters = 3,  // also the controls and scan-parameter steps
  kStepGeneInfoHeader = 4,
  kStepGeneInfoUrl = 5,
  kStepGeneInfoDescription = 6,
  kStepFluidics = 7,
  kStepSequence = 8,
  kStepNone = 9,
  kStepTemplate = 10,
  kStepMetadataUpdate = 11,
  kStepScanParameterUpdate = 12,
};
inline constexpr int kStepCodeCount = 13;

inline constexpr const char* kInstallLogName = "install.log";
inline constexpr const char* kSqlLogName = "sql.log";
// The table's default work database is the session's kDefaultWorkDatabase.

// The data-object version update scripts of step 11.
inline constexpr const char* kSqlMetadataUpdateScript = "sql_lib_trel30_update.sql";
inline constexpr const char* kOracleMetadataUpdateScript = "ora_lib_trel30_update.sql";

// One row of the table; a null name means the step has none.
struct StepNames {
  const char* sqlLoadScript;
  const char* sqlDropScript;
  // Either a bcp option as it stands on the command line or a format file name.
  const char* bcpOption;
  bool bcpFormatFile;
  const char* temporaryTable;
  const char* storedProcedure;
  const char* oracleLoadScript;
  const char* oracleDropScript;
  const char* controlFile;
  const char* oracleRunScript;
};

// The row of the step for a data object of the version; null for a code outside the
// table or one without names (9).
const StepNames* FindStepNames(int code, double version);

// The bcp option of the row as it stands on the command line: the character-mode option,
// or -f and the quoted format file name (formatFile in place of the bare name when given).
// Empty when the step has none.
std::string BcpOptionText(const StepNames& names, std::string_view formatFile = {});

}  // namespace quellbrook
