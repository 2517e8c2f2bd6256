// One array type's converted parameters, the file the CIF parameter converter wrote, loaded
// through the analysis parameter step code: the part the analysis and scan parameter steps
// share once a conversion has succeeded.
#pragma once

#include <functional>

#include "installer/framework/progress_window.hpp"
#include "installer/steps/install_step.hpp"

namespace quellbrook {

inline constexpr const char* kParameterTable = "LOAD_CIF_FILE";
inline constexpr int kInstallCifParametersFailed = 3005;
inline constexpr int kAssayTypeMissing = 3019;

// Clears the library log and temporary tables, bulk-loads the file and counts its rows.
// Rows other than the records: 3020 (Oracle) or 3003, logged, and the file is left for a
// look. Else the report block (its lines up to "Database Activities -"), the procedure and
// the library log's newest row, whose status must be success (3005, logged); the file is
// then deleted. 0 on success. The window steps once per stage.
int LoadConvertedParameters(const InstallStep& step, ProgressWindow& window, const char* loadFile,
                            int records, const std::function<void()>& reportBlock);

}  // namespace quellbrook
