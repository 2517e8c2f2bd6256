// The files the CIF parameter converter reads: the analysis definition INI (its section
// list and the parameters each section declares, with types and defaults), a scanner INI,
// an array type's CIF file (plain INI sections of values) and "HPMap.INI" (scan types by
// their HP values).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/libgen/library_folder.hpp"

namespace libgen {

inline constexpr std::string_view kAnalysisIniName = "Analysis.ini";
inline constexpr std::string_view kHpMapIniName = "HPMap.INI";

struct ParameterDeclaration {
  std::string name;
  std::string type;                         // empty writes no Type key ("string")
  std::optional<std::string> defaultValue;  // nothing writes no DefValue key
};

// One section of a definition INI: the parameters it declares under each prefix.
struct DeclaredSection {
  std::string name;
  std::vector<ParameterDeclaration> defaults;
  std::vector<ParameterDeclaration> minimums;
  std::vector<ParameterDeclaration> maximums;
};

struct ListedSection {
  std::string name;
  std::string algorithm;  // empty writes no Alg key
};

struct AnalysisDefinition {
  std::vector<ListedSection> server;
  std::vector<ListedSection> grid;
  std::vector<ListedSection> cell;
  std::vector<ListedSection> chip;
  std::vector<DeclaredSection> sections;
};

// The keys "<prefix>ParamCount" and "<prefix>Param<i>" with Type and DefValue.
std::vector<std::pair<std::string, std::string>> DeclarationKeys(
    const std::string& prefix, const std::vector<ParameterDeclaration>& declarations);

std::string AnalysisDefinitionText(const AnalysisDefinition& definition);

// A scanner INI: [Chip] and [<scanner>], each with its "Def" declarations.
std::string ScannerIniText(const std::string& scanner,
                           const std::vector<ParameterDeclaration>& chip,
                           const std::vector<ParameterDeclaration>& scannerParameters);

// HP values of one scan type.
struct ScanType {
  std::string name;
  std::string width;
  std::string height;
  std::string focusWidth;
  std::string focusHeight;
};

// [Types] Type1.. and a section per type with its four values.
std::string HpMapText(const std::vector<ScanType>& types);

// A CIF's [HP] section for a scan type's values.
IniSection HpSection(const ScanType& type);

}  // namespace libgen
