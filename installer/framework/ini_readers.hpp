// The installer's readers of the INI files that ship with the library files. A key is
// missing when its value reads as no characters; values are read as into a 260-byte
// buffer, so at most 259 characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.hpp"

namespace quellbrook {

inline constexpr std::size_t kIniValueBufferSize = 260;
// A library INI file is read once and its entries looked up in memory; a file whose count
// says it lists more entries than this (the count held to what its bytes can hold) is
// refused rather than trusted.
inline constexpr int kMaxIniEntries = 10000;

// The refusal of such a file: "More than 10000 <what> in <path>; file not read."
std::string TooManyIniEntries(const char* what, const std::string& iniPath);

// One condition on an array type's section: the key must hold the expected value.
struct ParameterRecord {
  std::string key;
  std::string expected;
  std::string other;  // carried for the callers; not read here
};

// The trimmed Path= of the array type's section; empty when missing.
std::string GetArrayTypePath(const std::string& iniPath, std::string_view arrayType);
std::string GetArrayTypePath(const platform::ProfileText& ini, std::string_view arrayType);
// out = the trimmed Type= of the section; false (out empty) when missing.
bool ReadSectionType(std::string_view section, const std::string& iniPath, std::string& out);
bool ReadSectionType(std::string_view section, const platform::ProfileText& ini, std::string& out);
// out = Type1 of [TileTypes]; false when missing.
bool ReadTileType(const std::string& iniPath, std::string& out);
// True when one of ArraySet1, ArraySet2, ... (up to the first missing one), trimmed,
// equals the array type without regard to case.
bool IsInArraySet(std::string_view section, std::string_view arrayType, const std::string& iniPath);
bool IsInArraySet(std::string_view section, std::string_view arrayType,
                  const platform::ProfileText& ini);
// True when the section's Sequences= reads as the number 1.
bool HasSequences(std::string_view section, const std::string& iniPath);
bool HasSequences(std::string_view section, const platform::ProfileText& ini);
// Appends the non-empty trimmed Protocol1..ProtocolN of [Protocols], N = NumProtocols;
// out is not emptied first. A file that could list more than kMaxIniEntries adds none.
// Always 1.
int ReadProtocolList(std::vector<std::string>& out, const std::string& iniPath);
// out = Type1, Type2, ... of [Types] up to the first missing one, as read.
void ReadTypeList(const std::string& iniPath, std::vector<std::string>& out);
void ReadTypeList(const platform::ProfileText& ini, std::vector<std::string>& out);
// True when the section holds anything.
bool IniSectionExists(std::string_view section, const std::string& iniPath);
bool IniSectionExists(std::string_view section, const platform::ProfileText& ini);
// The CIF name of an algorithm from [Algorithms]: for an empty or "None" algorithm true
// with out untouched; else out = the trimmed AlgNCifName of the first AlgNName (trimmed,
// any case) that matches and has one; false when none does or the file could list more
// than kMaxIniEntries algorithms.
bool GetAlgorithmCifName(const std::string& iniPath, std::string_view algorithm, std::string& out);
bool GetAlgorithmCifName(const platform::ProfileText& ini, std::string_view algorithm,
                         std::string& out);
// outType = the first array type whose section passes every record (an empty list passes
// the first type); empty when none passes. Always 1.
int MatchTypeByParameters(std::string& outType, const std::string& iniPath,
                          const std::vector<ParameterRecord>& records,
                          const std::vector<std::string>& arrayTypes);
int MatchTypeByParameters(std::string& outType, const platform::ProfileText& ini,
                          const std::vector<ParameterRecord>& records,
                          const std::vector<std::string>& arrayTypes);

}  // namespace quellbrook
