#include "installer/steps/cif_param_converter.hpp"

#include <array>
#include <cstdlib>
#include <utility>

#include "installer/framework/environment.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

constexpr const char* kSectionList = "AnalysisSections";
constexpr const char* kAlgorithmIni = "Algorithm.ini";
constexpr int kParamMissing = 1006;
constexpr int kDefaultUsed = 1004;
constexpr int kAlgorithmCifNameMissing = 2015;

struct BuiltInDefault {
  std::string_view name;
  std::string_view value;
};

constexpr std::array<BuiltInDefault, 11> kBuiltInDefaults = {{
    {"Algorithm Name", "VururozuzuDuda"},
    {"Version Number", "5.0"},
    {"Baseline File", ""},
    {"Scale Mask File", ""},
    {"Norm Mask File", ""},
    {"Probe Mask File", ""},
    {"ProgID", ""},
    {"UsersetUsed", ""},
    {"GridAlignProgID", kDefaultGridAlignProgId},
    {"NormMethod", "2"},
    {"SFMethod", "1"},
}};

const BuiltInDefault* FindBuiltInDefault(std::string_view name) {
  for (const BuiltInDefault& entry : kBuiltInDefaults)
    if (platform::EqualsNoCase(entry.name, name)) return &entry;
  return nullptr;
}

std::string ReadIniText(const platform::ProfileText& ini, std::string_view section,
                        std::string_view key, std::string_view fallback) {
  return ini.String(section, key, fallback, kIniValueBufferSize);
}

// The value of the key, or nothing when it reads as the sentinel.
bool ReadPresent(const platform::ProfileText& ini, std::string_view section, std::string_view key,
                 std::string& value) {
  value = ReadIniText(ini, section, key, kNoDefaultSentinel);
  return !platform::EqualsNoCase(value, kNoDefaultSentinel);
}

bool HasRecord(const ParamList& list, std::string_view label, std::string_view name) {
  for (const ParamEntry& entry : list)
    if (entry.label == label && entry.name == name) return true;
  return false;
}

void Append(ParamList& to, ParamList&& from) {
  for (ParamEntry& entry : from) to.push_back(std::move(entry));
}

struct ListToWrite {
  const ParamList* list;
  const char* kind;
  const char* group;
};

}  // namespace

bool ReadParamDefinitions(const std::string& iniPath, std::string_view section,
                          std::string_view prefix, ParamList& list) {
  return ReadParamDefinitions(platform::ProfileText::Read(iniPath), section, prefix, list);
}

bool ReadParamDefinitions(const platform::ProfileText& ini, std::string_view section,
                          std::string_view prefix, ParamList& list) {
  list.clear();
  const std::string base(prefix);
  int count = ini.Int(section, base + "ParamCount", -1);
  if (count <= 0) return true;
  const bool whole = count <= kMaxDeclaredParameters;
  if (!whole) count = kMaxDeclaredParameters;
  for (int i = 1; i <= count; ++i) {
    const std::string key = FormatText("%sParam%d", base.c_str(), i);
    ParamEntry entry;
    entry.name = ReadIniText(ini, section, key, "");
    if (entry.name.empty()) continue;
    entry.type = ReadIniText(ini, section, key + "Type", "");
    if (entry.type.empty()) entry.type = "string";
    entry.hasDefault = ReadPresent(ini, section, key + "DefValue", entry.value) ? 1 : 0;
    if (entry.hasDefault == 0) entry.value.clear();
    list.push_back(std::move(entry));
  }
  return whole;
}

std::vector<AnalysisSection> ReadAnalysisSectionList(std::string_view prefix,
                                                     const std::string& iniPath, bool* cut) {
  return ReadAnalysisSectionList(prefix, platform::ProfileText::Read(iniPath), cut);
}

std::vector<AnalysisSection> ReadAnalysisSectionList(std::string_view prefix,
                                                     const platform::ProfileText& ini, bool* cut) {
  std::vector<AnalysisSection> sections;
  const std::string base(prefix);
  if (cut != nullptr) *cut = false;
  for (int i = 1;; ++i) {
    const std::string key = FormatText("%s%d", base.c_str(), i);
    const std::string name = TrimText(ReadIniText(ini, kSectionList, key, ""));
    if (name.empty()) break;
    if (i > kMaxListedSections) {
      if (cut != nullptr) *cut = true;
      break;
    }
    sections.push_back({name, TrimText(ReadIniText(ini, kSectionList, key + "Alg", ""))});
  }
  return sections;
}

CifParamConverter::CifParamConverter() {
  std::string text;
  GetDataObjectVersion(text);
  dbVersion = std::strtof(text.c_str(), nullptr);
}

bool CifParamConverter::AtLeast31() const {
  return IsVersionAtLeast31(dbVersion);
}

void CifParamConverter::ReadDeclarations(std::string_view section, std::string_view prefix,
                                         ParamList& list) {
  if (ReadParamDefinitions(mDefinitions, section, prefix, list)) return;
  LogWarning(
      FormatText("The section %.*s of %s declares more than %d %.*s parameters; only "
                 "the first %d are read.",
                 static_cast<int>(section.size()), section.data(), definitionIniPath.c_str(),
                 kMaxDeclaredParameters, static_cast<int>(prefix.size()), prefix.data(),
                 kMaxDeclaredParameters));
}

void CifParamConverter::LogError(const std::string& message) const {
  WriteLogLine(logPath, message, kLogError);
}

void CifParamConverter::LogWarning(const std::string& message) {
  WriteLogLine(logPath, message, kLogWarning);
  warningFlag = 1;
}

int CifParamConverter::ResolveParameters(const std::string& cif, const std::string& section,
                                         const std::string& label, const ParamList& declarations,
                                         ParamList& out, int lenient, int useMinimum,
                                         int processMissingSection) {
  return ResolveParameters(platform::ProfileText::Read(cif), cif, section, label, declarations, out,
                           lenient, useMinimum, processMissingSection);
}

int CifParamConverter::Resolve(const std::string& section, const std::string& label,
                               const ParamList& declarations, ParamList& out, int lenient,
                               int useMinimum, int processMissingSection) {
  return ResolveParameters(mCif, cifPath, section, label, declarations, out, lenient, useMinimum,
                           processMissingSection);
}

int CifParamConverter::ResolveParameters(const platform::ProfileText& cifText,
                                         const std::string& cif, const std::string& section,
                                         const std::string& label, const ParamList& declarations,
                                         ParamList& out, int lenient, int useMinimum,
                                         int processMissingSection) {
  out.clear();
  if (!IniSectionExists(section, cifText)) {
    if (lenient == 0) {
      LogError(FormatMessageText(kIniSectionMissing, section.c_str(), cif.c_str()));
      return 0;
    }
    if (processMissingSection == 0) return 1;
  }
  for (const ParamEntry& declared : declarations) {
    std::string value;
    if (ReadPresent(cifText, section, declared.name, value)) {
      const bool floats = platform::EqualsNoCase(declared.type, "floats");
      if (floats || platform::EqualsNoCase(declared.type, "ints")) {
        std::vector<std::string> pieces;
        SplitList(value, pieces, '\t', 2);
        pieces.resize(2);
        const char* type = floats ? "float" : "int";
        out.push_back({label, declared.name + "Min", pieces[0], type, 0});
        out.push_back({label, declared.name + "Max", pieces[1], type, 0});
      } else {
        out.push_back({label, declared.name, value, declared.type, 0});
      }
      continue;
    }
    if (declared.hasDefault != 0) {
      LogWarning(FormatMessageText(kDefaultUsed, declared.name.c_str(), section.c_str(),
                                   cif.c_str(), declared.value.c_str()));
      out.push_back({label, declared.name, declared.value, declared.type, 0});
      continue;
    }
    const BuiltInDefault* builtIn = FindBuiltInDefault(declared.name);
    value = builtIn != nullptr ? std::string(builtIn->value) : std::string();
    bool minimumFound = false;
    if (useMinimum == 1 && declared.name.find("Def") != std::string::npos) {
      const std::string minimumKey = "Min" + declared.name.substr(3);
      std::string minimum;
      if (ReadPresent(cifText, section, minimumKey, minimum)) {
        value = minimum;
        minimumFound = true;
        LogWarning(
            FormatText("%s is missing in the section %s inside %s.  Minimum value %s=%s is used.",
                       declared.name.c_str(), section.c_str(), cif.c_str(), minimumKey.c_str(),
                       minimum.c_str()));
      }
    }
    if (builtIn != nullptr || (lenient == 1 && (useMinimum != 1 || minimumFound))) {
      out.push_back({label, declared.name, value, declared.type, 0});
      continue;
    }
    LogError(FormatMessageText(kParamMissing, declared.name.c_str(), section.c_str(), cif.c_str()));
    return 0;
  }
  return 1;
}

std::string CifParamConverter::GhostGridsValue() const {
  std::vector<ParameterRecord> records;
  for (const char* key : kHpScanKeys) {
    const std::string value = TrimText(ReadIniText(mCif, kHpSection, key, ""));
    if (value.empty()) return "FALSE";
    records.push_back({key, value, ""});
  }
  const platform::ProfileText map =
      platform::ProfileText::Read(platform::JoinPath(sourceFolder, kHpMapIniName));
  std::vector<std::string> types;
  ReadTypeList(map, types);
  std::string scanType;
  MatchTypeByParameters(scanType, map, records, types);
  return platform::EqualsNoCase(scanType, kGhostGridsType) ? "TRUE" : "FALSE";
}

bool CifParamConverter::ConvertAnalysis() {
  const std::string algorithms = platform::JoinPath(sourceFolder, kAlgorithmIni);
  const platform::ProfileText algorithmIni = platform::ProfileText::Read(algorithms);
  const std::string& definitions = definitionIniPath;
  for (const char* group : {"Server", "Grid", "Cell", "Chip"}) {
    const std::string prefix = group;
    bool cut = false;
    const std::vector<AnalysisSection> listed = ReadAnalysisSectionList(prefix, mDefinitions, &cut);
    if (cut)
      LogWarning(FormatText("%s lists more than %d %s sections; only the first %d are read.",
                            definitions.c_str(), kMaxListedSections, group, kMaxListedSections));
    for (const AnalysisSection& section : listed) {
      std::string cifName;
      if (!GetAlgorithmCifName(algorithmIni, section.algorithm, cifName)) {
        LogError(FormatMessageText(kAlgorithmCifNameMissing, section.algorithm.c_str(),
                                   algorithms.c_str()));
        return false;
      }
      ParamList defaults, minimums, maximums;
      ReadDeclarations(section.name, "Def", defaults);
      if (prefix == "Server") {
        ParamList resolved;
        if (Resolve(section.name, "Server", defaults, resolved, 0, 0, 0) == 0) return false;
        for (ParamEntry& entry : resolved) {
          if (AtLeast31() && platform::EqualsNoCase(typeName, kBaseCallType)) {
            if (entry.name == "BaseCallProgID" &&
                (platform::EqualsNoCase(entry.value, kOlderBaseCallProgId) ||
                 platform::EqualsNoCase(entry.value, kOlderBaseCallProgIdOther)))
              entry.value = kNewerBaseCallProgId;
            if (entry.name == "ViewProgID1" && entry.value == kOlderViewerProgId)
              entry.value = kNewerViewerProgId;
          }
          if (!AtLeast31() && entry.name == "GridAlignProgID") entry.name = "AlignProgID";
        }
        serverParams = std::move(resolved);
        continue;
      }
      ReadDeclarations(section.name, "Min", minimums);
      ReadDeclarations(section.name, "Max", maximums);
      ParamList def, min, max;
      if (prefix == "Grid") {
        if (Resolve(section.name, cifName, defaults, def, gridLenient, minForDefault, 0) == 0 ||
            Resolve(section.name, cifName, minimums, min, gridLenient, 0, 0) == 0 ||
            Resolve(section.name, cifName, maximums, max, gridLenient, 0, 0) == 0)
          return false;
        gridDefaults = std::move(def);
        gridMinimums = std::move(min);
        gridMaximums = std::move(max);
        bool hasGhostGrids = false;
        for (const ParamEntry& entry : gridDefaults) hasGhostGrids |= entry.name == kGhostGrids;
        if (AtLeast31() && !hasGhostGrids)
          gridDefaults.push_back({cifName, kGhostGrids, GhostGridsValue(), "string", 0});
      } else if (prefix == "Cell") {
        if (Resolve(section.name, cifName, defaults, def, 0, 0, 0) == 0 ||
            Resolve(section.name, cifName, minimums, min, 0, 0, 0) == 0 ||
            Resolve(section.name, cifName, maximums, max, 0, 0, 0) == 0)
          return false;
        cellDefaults = std::move(def);
        cellMinimums = std::move(min);
        cellMaximums = std::move(max);
      } else {
        if (Resolve(section.name, cifName, defaults, def, chipLenient, minForDefault,
                    processMissingChipSection) == 0 ||
            Resolve(section.name, cifName, minimums, min, chipLenient, 0,
                    processMissingChipSection) == 0 ||
            Resolve(section.name, cifName, maximums, max, chipLenient, 0,
                    processMissingChipSection) == 0)
          return false;
        Append(chipDefaults, std::move(def));
        Append(chipMinimums, std::move(min));
        Append(chipMaximums, std::move(max));
        if (AtLeast31()) {
          for (const char* name : {"ProgID", "UsersetUsed"})
            if (!HasRecord(chipDefaults, cifName, name))
              chipDefaults.push_back({cifName, name, "", "string", 0});
        }
      }
    }
  }
  return true;
}

bool CifParamConverter::ConvertScan() {
  ParamList declarations, resolved;
  ReadDeclarations("Chip", "Def", declarations);
  if (Resolve("Chip", scanner, declarations, resolved, 0, 0, 0) == 0) return false;
  Append(scanParams, std::move(resolved));
  ReadDeclarations(scanner, "Def", declarations);
  if (Resolve(scanner, scanner, declarations, resolved, 0, 0, 0) == 0) return false;
  Append(scanParams, std::move(resolved));
  return true;
}

bool CifParamConverter::CheckRecords(const std::string& type) {
  std::string refusal;
  if (!CheckLoadFields({&type, &assayType}, refusal)) {
    LogError(refusal);
    return false;
  }
  for (const ParamList* list :
       {&scanParams, &serverParams, &gridDefaults, &gridMinimums, &gridMaximums, &cellDefaults,
        &cellMinimums, &cellMaximums, &chipDefaults, &chipMinimums, &chipMaximums}) {
    for (const ParamEntry& entry : *list) {
      if (CheckLoadFields({&entry.label, &entry.name, &entry.value, &entry.type}, refusal))
        continue;
      LogError(FormatText("%s The parameter %s of %s is not installed.", refusal.c_str(),
                          entry.name.c_str(), cifPath.c_str()));
      return false;
    }
  }
  return true;
}

int CifParamConverter::ConvertCifParameters(const std::string& type, int mode) {
  for (const std::string* path : {&cifPath, &definitionIniPath}) {
    if (!platform::FileExists(*path)) {
      LogError(FormatMessageText(kDevicesFileMissing, path->c_str()));
      return 0;
    }
  }
  mCif = platform::ProfileText::Read(cifPath);
  mDefinitions = platform::ProfileText::Read(definitionIniPath);
  const bool converted = mode == 0 ? ConvertAnalysis() : ConvertScan();
  return converted && CheckRecords(type) ? 1 : 0;
}

void WriteParameterLine(LoadFileOutput& output, const ParameterLine& line,
                        const std::string* partNumber) {
  output.Field(line.assayType, kLoadFileSeparator);
  output.Field(line.arrayType, kLoadFileSeparator);
  if (partNumber != nullptr) output.Field(*partNumber, kLoadFileSeparator);
  output.Field(line.label, kLoadFileSeparator);
  output.Field(line.name, kLoadFileSeparator);
  output.Field(line.value, kLoadFileSeparator);
  output.Field(line.dataType, kLoadFileSeparator);
  output.Field(line.kind, kLoadFileSeparator);
  output.Field(line.group, '\n');
}

int CifParamConverter::WriteCifRecords() {
  LoadPartNumbers(partNumbers, platform::JoinPath(sourceFolder, kPartNumberFileName),
                  platform::JoinPath(sourceFolder, kTypeIniName));
  LoadFileOutput output;
  if (!output.Open(outputFile)) return 0;
  const bool withPartNumber = AtLeast31();
  const std::string partNumber = LookupPartNumber(partNumbers, typeName);
  const std::array<ListToWrite, 11> lists = {{
      {&scanParams, "Scan", "Scan"},
      {&serverParams, "Def", "Server"},
      {&gridDefaults, "Def", "Algorithm"},
      {&gridMinimums, "Min", "Algorithm"},
      {&gridMaximums, "Max", "Algorithm"},
      {&cellDefaults, "Def", "Algorithm"},
      {&cellMinimums, "Min", "Algorithm"},
      {&cellMaximums, "Max", "Algorithm"},
      {&chipDefaults, "Def", "Algorithm"},
      {&chipMinimums, "Min", "Algorithm"},
      {&chipMaximums, "Max", "Algorithm"},
  }};
  for (const ListToWrite& list : lists) {
    for (const ParamEntry& entry : *list.list) {
      WriteParameterLine(output,
                         {assayType, typeName, entry.label, entry.name, entry.value, entry.type,
                          list.kind, list.group},
                         withPartNumber ? &partNumber : nullptr);
      ++recordCount;
    }
  }
  if (output.Close()) return 1;
  LogError(LoadFileWriteFailure(outputFile, output));
  return 0;
}

int CifParamConverter::RunAnalysisConversion(int write) {
  if (ConvertCifParameters(typeName, 0) == 0) return kCifReadFailed;
  if (write == 1 && WriteCifRecords() == 0) return kWriteIntermediateFilesFailed;
  return 0;
}

int CifParamConverter::RunScanConversion(int write) {
  if (ConvertCifParameters(typeName, 1) == 0) return kCifReadFailed;
  if (write == 1 && WriteCifRecords() == 0) return kWriteIntermediateFilesFailed;
  return 0;
}

}  // namespace quellbrook
