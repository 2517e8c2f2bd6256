// What the analysis and scan parameter steps share around the CIF parameter converter: the
// converter pointed at one array type's CIF, and the file it wrote loaded through the
// analysis parameter step code once a conversion has succeeded.
#pragma once

#include <functional>
#include <string>

#include "installer/framework/progress_window.hpp"
#include "installer/steps/cif_param_converter.hpp"
#include "installer/steps/install_step.hpp"

namespace quellbrook {

inline constexpr const char* kParameterTable = "LOAD_CIF_FILE";
inline constexpr int kInstallCifParametersFailed = 3005;
inline constexpr int kAssayTypeMissing = 3019;

// The texts that open a parameter run on one road (install or import).
struct ParameterRunTexts {
  const char* progressText;
  const char* firstLogLine;
  const char* reportTitle;
  const char* reportRule;
};

// The common step opening, three steps long, with the analysis parameter step's scripts.
int BeginParameterRun(const InstallStep& step, ProgressWindow& window,
                      const ParameterRunTexts& texts);

// Points the converter at one array type's CIF for the step: the step's folders, log and
// report, the type, the CIF, the load file it writes and the INI of declarations it reads.
void PrepareConversion(CifParamConverter& converter, const InstallStep& step,
                       const std::string& type, const std::string& cifPath, const char* outputFile,
                       const std::string& definitionIniPath);

// Resets the window for one item of the run, shows the line and logs it.
void BeginParameterItem(const InstallStep& step, ProgressWindow& window, const std::string& line);

// Clears the library log and temporary tables, bulk-loads the file and counts its rows.
// Rows other than the records: 3020 (Oracle) or 3003, logged, and the file is left for a
// look. Else the report block (its lines up to "Database Activities -"), the procedure and
// the library log's newest row, whose status must be success (3005, logged); the file is
// then deleted. 0 on success. The window steps once per stage.
int LoadConvertedParameters(const InstallStep& step, ProgressWindow& window, const char* loadFile,
                            int records, const std::function<void()>& reportBlock);

// What follows a written conversion (`converted` its result): the step's warning flag takes
// the converter's unless already set, the window steps, and a failed conversion's file is
// removed (its result returned); else the converter's file and records load as above.
int LoadConversion(const InstallStep& step, ProgressWindow& window,
                   const CifParamConverter& converter, int converted, int& warningsSeen,
                   const std::function<void()>& reportBlock);

}  // namespace quellbrook
