#include "tools/libgen/cif_files.hpp"

namespace libgen {

std::vector<std::pair<std::string, std::string>> DeclarationKeys(
    const std::string& prefix, const std::vector<ParameterDeclaration>& declarations) {
  std::vector<std::pair<std::string, std::string>> keys;
  keys.emplace_back(prefix + "ParamCount", std::to_string(declarations.size()));
  for (std::size_t i = 0; i < declarations.size(); ++i) {
    const std::string key = prefix + "Param" + std::to_string(i + 1);
    const ParameterDeclaration& declaration = declarations[i];
    keys.emplace_back(key, declaration.name);
    if (!declaration.type.empty()) keys.emplace_back(key + "Type", declaration.type);
    if (declaration.defaultValue) keys.emplace_back(key + "DefValue", *declaration.defaultValue);
  }
  return keys;
}

std::string AnalysisDefinitionText(const AnalysisDefinition& definition) {
  IniSection list{"AnalysisSections", {}};
  const auto addList = [&](const char* prefix, const std::vector<ListedSection>& sections) {
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const std::string key = prefix + std::to_string(i + 1);
      list.keys.emplace_back(key, sections[i].name);
      if (!sections[i].algorithm.empty())
        list.keys.emplace_back(key + "Alg", sections[i].algorithm);
    }
  };
  addList("Server", definition.server);
  addList("Grid", definition.grid);
  addList("Cell", definition.cell);
  addList("Chip", definition.chip);
  std::vector<IniSection> sections = {list};
  for (const DeclaredSection& declared : definition.sections) {
    IniSection section{declared.name, {}};
    for (const auto& [prefix, declarations] :
         {std::pair{"Def", &declared.defaults}, std::pair{"Min", &declared.minimums},
          std::pair{"Max", &declared.maximums}}) {
      if (declarations->empty()) continue;
      for (auto& key : DeclarationKeys(prefix, *declarations)) section.keys.push_back(key);
    }
    sections.push_back(std::move(section));
  }
  return IniText(sections);
}

std::string ScannerIniText(const std::string& scanner,
                           const std::vector<ParameterDeclaration>& chip,
                           const std::vector<ParameterDeclaration>& scannerParameters) {
  return IniText({{"Chip", DeclarationKeys("Def", chip)},
                  {scanner, DeclarationKeys("Def", scannerParameters)}});
}

IniSection HpSection(const ScanType& type) {
  return {"HP",
          {{"Width", type.width},
           {"Height", type.height},
           {"FocusWidth", type.focusWidth},
           {"FocusHeight", type.focusHeight}}};
}

std::string HpMapText(const std::vector<ScanType>& types) {
  IniSection list{"Types", {}};
  std::vector<IniSection> sections;
  for (std::size_t i = 0; i < types.size(); ++i) {
    list.keys.emplace_back("Type" + std::to_string(i + 1), types[i].name);
    IniSection section = HpSection(types[i]);
    section.name = types[i].name;
    sections.push_back(std::move(section));
  }
  sections.insert(sections.begin(), list);
  return IniText(sections);
}

}  // namespace libgen
