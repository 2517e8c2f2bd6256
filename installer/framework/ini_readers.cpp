#include "installer/framework/ini_readers.hpp"

#include "installer/framework/text_functions.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"

namespace quellbrook {
namespace {

// The value as the profile function gives it; empty when missing.
std::string ReadValue(const platform::ProfileText& ini, std::string_view section,
                      std::string_view key) {
  return ini.String(section, key, "", kIniValueBufferSize);
}

// NumKey of the section held to what the file can hold; 0 when it could list more than
// kMaxIniEntries.
int ReadEntryCount(const platform::ProfileText& ini, std::string_view section,
                   std::string_view key) {
  const int count = ini.Count(section, key, 0);
  return count > kMaxIniEntries ? 0 : count;
}

}  // namespace

std::string TooManyIniEntries(const char* what, const std::string& iniPath) {
  return FormatText("More than %d %s in %s; file not read.", kMaxIniEntries, what, iniPath.c_str());
}

std::string GetArrayTypePath(const std::string& iniPath, std::string_view arrayType) {
  return GetArrayTypePath(platform::ProfileText::Read(iniPath), arrayType);
}

std::string GetArrayTypePath(const platform::ProfileText& ini, std::string_view arrayType) {
  return TrimText(ini.String(arrayType, "Path", "", kIniValueBufferSize));
}

bool ReadSectionType(std::string_view section, const std::string& iniPath, std::string& out) {
  return ReadSectionType(section, platform::ProfileText::Read(iniPath), out);
}

bool ReadSectionType(std::string_view section, const platform::ProfileText& ini, std::string& out) {
  out = TrimText(ini.String(section, "Type", "", kIniValueBufferSize));
  return !out.empty();
}

bool ReadTileType(const std::string& iniPath, std::string& out) {
  out = ReadValue(platform::ProfileText::Read(iniPath), "TileTypes", "Type1");
  return !out.empty();
}

bool IsInArraySet(std::string_view section, std::string_view arrayType,
                  const std::string& iniPath) {
  return IsInArraySet(section, arrayType, platform::ProfileText::Read(iniPath));
}

bool IsInArraySet(std::string_view section, std::string_view arrayType,
                  const platform::ProfileText& ini) {
  for (int n = 1;; ++n) {
    const std::string value = ReadValue(ini, section, FormatText("ArraySet%d", n));
    if (value.empty()) return false;
    if (platform::EqualsNoCase(TrimText(value), arrayType)) return true;
  }
}

bool HasSequences(std::string_view section, const std::string& iniPath) {
  return HasSequences(section, platform::ProfileText::Read(iniPath));
}

bool HasSequences(std::string_view section, const platform::ProfileText& ini) {
  return ini.Int(section, "Sequences", 0) == 1;
}

int ReadProtocolList(std::vector<std::string>& out, const std::string& iniPath) {
  const platform::ProfileText ini = platform::ProfileText::Read(iniPath);
  const int count = ReadEntryCount(ini, "Protocols", "NumProtocols");
  for (int i = 1; i <= count; ++i) {
    std::string protocol = TrimText(ReadValue(ini, "Protocols", FormatText("Protocol%d", i)));
    if (!protocol.empty()) out.push_back(std::move(protocol));
  }
  return 1;
}

void ReadTypeList(const std::string& iniPath, std::vector<std::string>& out) {
  ReadTypeList(platform::ProfileText::Read(iniPath), out);
}

void ReadTypeList(const platform::ProfileText& ini, std::vector<std::string>& out) {
  out.clear();
  for (int n = 1;; ++n) {
    std::string type = ReadValue(ini, "Types", FormatText("Type%d", n));
    if (type.empty()) return;
    out.push_back(std::move(type));
  }
}

bool IniSectionExists(std::string_view section, const std::string& iniPath) {
  return IniSectionExists(section, platform::ProfileText::Read(iniPath));
}

bool IniSectionExists(std::string_view section, const platform::ProfileText& ini) {
  return !ini.Keys(section).empty();
}

bool GetAlgorithmCifName(const std::string& iniPath, std::string_view algorithm, std::string& out) {
  if (algorithm.empty() || platform::EqualsNoCase(algorithm, "None")) return true;
  return GetAlgorithmCifName(platform::ProfileText::Read(iniPath), algorithm, out);
}

bool GetAlgorithmCifName(const platform::ProfileText& ini, std::string_view algorithm,
                         std::string& out) {
  if (algorithm.empty() || platform::EqualsNoCase(algorithm, "None")) return true;
  out.clear();
  const int count = ReadEntryCount(ini, "Algorithms", "NumAlgorithms");
  for (int i = 1; i <= count; ++i) {
    const std::string name = ReadValue(ini, "Algorithms", FormatText("Alg%dName", i));
    if (name.empty() || !platform::EqualsNoCase(TrimText(name), algorithm)) continue;
    const std::string cifName = ReadValue(ini, "Algorithms", FormatText("Alg%dCifName", i));
    if (cifName.empty()) continue;
    out = TrimText(cifName);
    return true;
  }
  return false;
}

int MatchTypeByParameters(std::string& outType, const std::string& iniPath,
                          const std::vector<ParameterRecord>& records,
                          const std::vector<std::string>& arrayTypes) {
  return MatchTypeByParameters(outType, platform::ProfileText::Read(iniPath), records, arrayTypes);
}

int MatchTypeByParameters(std::string& outType, const platform::ProfileText& ini,
                          const std::vector<ParameterRecord>& records,
                          const std::vector<std::string>& arrayTypes) {
  outType.clear();
  for (const std::string& type : arrayTypes) {
    outType = type;
    for (const ParameterRecord& record : records) {
      const std::string value = ReadValue(ini, type, record.key);
      if (value.empty() || !platform::EqualsNoCase(TrimText(value), record.expected)) {
        outType.clear();
        break;
      }
    }
    if (!outType.empty()) return 1;
  }
  return 1;
}

}  // namespace quellbrook
