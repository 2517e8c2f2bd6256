// Installs the control probe-set lists of "Controls.INI" as algorithm parameters of the
// assays the database already knows, through the analysis parameters' load.
#pragma once

#include <string>
#include <vector>

#include "installer/steps/install_step.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

inline constexpr const char* kControlsSourceFile = "Controls.INI";
inline constexpr const char* kControlsLoadFile = "controls.txt";
inline constexpr int kAlgorithmCifNameMissing = 2015;

struct ControlEntry {
  std::string name;
  std::vector<std::string> members;
};

// An assay's controls; a set without an assay name contributes no records.
struct ControlSet {
  std::string assay;
  std::string cifName;
  std::vector<ControlEntry> controls;
};

class ControlStep : public InstallStep {
 public:
  // 0 (also without "Controls.INI" or with nothing to install), or 2001, 2015, 3003 or
  // 3020 (rows lost on the way), 3004 or 3026.
  int RunControlStep();
  // Fills sets from the INI: 0, or 2015 (logged) when a set's algorithm has no CIF name;
  // the sets read before it stay.
  int ReadControlsIni(const std::string& iniPath, std::vector<ControlSet>& sets);
  // The same over the file's text already read; iniPath names it in the messages.
  int ReadControlsIni(const platform::ProfileText& ini, const std::string& iniPath,
                      std::vector<ControlSet>& sets);
  // Writes "controls.txt" in the current folder for the sets whose assay the database
  // knows: false when it can't, or when a value holds the separator or a line break
  // (refusal then says which). members: member records; records: every record written.
  bool WriteControlsFile(const std::vector<ControlSet>& sets, int& members, int& records,
                         std::string* refusal = nullptr);
  // True when an entry, trimmed, equals the name without regard to case.
  static bool IsKnownAssay(const std::string& assay, const std::vector<std::string>& known);
};

}  // namespace quellbrook
