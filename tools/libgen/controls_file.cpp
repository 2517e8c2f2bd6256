#include "tools/libgen/controls_file.hpp"

#include "tools/libgen/library_folder.hpp"

namespace libgen {

std::string ControlsIniText(const std::vector<ControlSetSpec>& sets) {
  std::vector<IniSection> sections(
      1, IniSection{"Controls", {{"NumControlSets", std::to_string(sets.size())}}});
  for (std::size_t i = 0; i < sets.size(); ++i) {
    const ControlSetSpec& set = sets[i];
    const std::string key = "ControlSet" + std::to_string(i + 1);
    sections[0].keys.emplace_back(key + "Assay", set.assay);
    sections[0].keys.emplace_back(key + "Alg", set.algorithm);
    if (set.assay.empty()) continue;
    IniSection section{set.assay, {{"NumControls", std::to_string(set.controls.size())}}};
    for (std::size_t j = 0; j < set.controls.size(); ++j) {
      const std::string control = "Control" + std::to_string(j + 1);
      section.keys.emplace_back(control, set.controls[j].name);
      for (std::size_t k = 0; k < set.controls[j].members.size(); ++k)
        section.keys.emplace_back(control + "Name" + std::to_string(k + 1),
                                  set.controls[j].members[k]);
    }
    sections.push_back(std::move(section));
  }
  return IniText(sections);
}

std::vector<ControlSetSpec> StandardControls() {
  return {{"Expr3", "Stat", {{"AFFX-Hyb", {"HybA_at", "HybB_at", "HybC_at"}}}},
          {"Geno2", "None", {{"AFFX-Geno", {"Geno1_at", "Geno2_at"}}}}};
}

}  // namespace libgen
