// The library's "Controls.INI": control sets, each naming an assay and its algorithm, and
// in each assay's section its controls with their member probe sets.
#pragma once

#include <string>
#include <vector>

namespace libgen {

inline constexpr const char* kControlsIniName = "Controls.INI";

struct Control {
  std::string name;
  std::vector<std::string> members;  // written as given, blanks included
};

struct ControlSetSpec {
  std::string assay;
  std::string algorithm;
  std::vector<Control> controls;
};

// [Controls] NumControlSets, ControlSetNAssay, ControlSetNAlg; then per set its assay's
// section with NumControls, ControlN and ControlNNameM. CRLF lines.
std::string ControlsIniText(const std::vector<ControlSetSpec>& sets);

// Controls for the standard library's assays: Expr3 through the "Stat" algorithm with a
// control of three members, Geno2 with the algorithm "None" and one of two.
std::vector<ControlSetSpec> StandardControls();

}  // namespace libgen
