// Turns an array type's analysis or scan parameters, shipped in its CIF file and declared
// by a definition INI (the analysis definition or a scanner INI), into the records of the
// analysis or scan parameter load file; in checking mode it only reads and validates.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "installer/framework/part_numbers.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

inline constexpr int kCifReadFailed = 2002;
// A declaration's DefValue read as this text has no default.
inline constexpr const char* kNoDefaultSentinel = "_Def_String_";
// Declarations and section lists past these counts are not read: the counts come from a
// shipped file.
inline constexpr int kMaxDeclaredParameters = 4096;
inline constexpr int kMaxListedSections = 1024;

// The maker's component identifiers the converter compares and substitutes.
inline constexpr std::string_view kDefaultGridAlignProgId = "Kandorvale.GridAlign.1";
inline constexpr std::string_view kOlderBaseCallProgId = "Kandorvale.BaseCall.1";
inline constexpr std::string_view kOlderBaseCallProgIdOther = "Kandorvale.BaseCaller.1";
inline constexpr std::string_view kNewerBaseCallProgId = "Kandorvale.BaseCall.2";
inline constexpr std::string_view kOlderViewerProgId = "Kandorvale.SeqViewer.1";
inline constexpr std::string_view kNewerViewerProgId = "Kandorvale.SeqViewer.2";
// The reference scanner, whose values every CIF carries in its own section; the scan type
// whose grids hold ghost grids and the parameter that tells it.
inline constexpr const char* kHpSection = "HP";
inline constexpr const char* kGhostGridsType = "100/9";
inline constexpr const char* kGhostGrids = "ExpectGhostGrids";
// The array type whose component identifiers newer databases expect replaced.
inline constexpr std::string_view kBaseCallType = "Galdrith";

// One parameter: a record to write, or (label empty) a declaration with its default.
class LoadFileOutput;

// One line of a parameter load file ("cif.txt", "scan.txt"), ';'-separated and ended by
// '\n': assay type, array type, the part number when the database takes one (3.1 on), label,
// name, value, data type, kind and group.
struct ParameterLine {
  std::string_view assayType;
  std::string_view arrayType;
  std::string_view label;
  std::string_view name;
  std::string_view value;
  std::string_view dataType;
  std::string_view kind;
  std::string_view group;
};
void WriteParameterLine(LoadFileOutput& output, const ParameterLine& line,
                        const std::string* partNumber);

struct ParamEntry {
  std::string label;
  std::string name;
  std::string value;
  std::string type;
  int hasDefault = 0;
};

// One entry of a definition INI's section list.
struct AnalysisSection {
  std::string name;
  std::string algorithm;
};

using ParamList = std::vector<ParamEntry>;

// The declarations "<prefix>Param<i>" of the INI's section, in index order; list is
// emptied first. False when the declared count was cut to kMaxDeclaredParameters.
bool ReadParamDefinitions(const std::string& iniPath, std::string_view section,
                          std::string_view prefix, ParamList& list);
bool ReadParamDefinitions(const platform::ProfileText& ini, std::string_view section,
                          std::string_view prefix, ParamList& list);
// "<prefix>1", "<prefix>2", ... of [AnalysisSections] up to the first missing one, at most
// kMaxListedSections; cut (when given) tells that the list went on past them.
std::vector<AnalysisSection> ReadAnalysisSectionList(std::string_view prefix,
                                                     const std::string& iniPath,
                                                     bool* cut = nullptr);
std::vector<AnalysisSection> ReadAnalysisSectionList(std::string_view prefix,
                                                     const platform::ProfileText& ini,
                                                     bool* cut = nullptr);

class CifParamConverter {
 public:
  // Reads the data-object version.
  CifParamConverter();
  virtual ~CifParamConverter() = default;
  CifParamConverter(const CifParamConverter&) = delete;
  CifParamConverter& operator=(const CifParamConverter&) = delete;

  // 0, 2002 when the conversion fails, 2001 when the load file can't be written. write 1
  // writes the records; anything else only checks.
  int RunAnalysisConversion(int write);
  int RunScanConversion(int write);
  // 1 or 0 (logged). mode 0: the analysis parameters; any other: the scan parameters.
  int ConvertCifParameters(const std::string& type, int mode);
  // Appends every record to the load file: 1, or 0 when it can't be opened or written (a
  // write that fails is logged).
  int WriteCifRecords();

  // Resolves one CIF section's declared parameters into out: 1, or 0 (logged).
  int ResolveParameters(const std::string& cif, const std::string& section,
                        const std::string& label, const ParamList& declarations, ParamList& out,
                        int lenient, int useMinimum, int processMissingSection);
  // The same on the CIF's text read before; cif names it in the messages.
  int ResolveParameters(const platform::ProfileText& cifText, const std::string& cif,
                        const std::string& section, const std::string& label,
                        const ParamList& declarations, ParamList& out, int lenient, int useMinimum,
                        int processMissingSection);

  std::string destFolder;
  std::string sourceFolder;
  std::string typeName;
  std::string assayType;
  std::string scanner;
  std::string outputFile;
  std::string cifPath;
  std::string logPath;
  std::string reportPath;
  std::string definitionIniPath;
  int recordCount = 0;
  ParamList scanParams;
  ParamList serverParams;
  ParamList gridDefaults;
  ParamList gridMinimums;
  ParamList gridMaximums;
  ParamList cellDefaults;
  ParamList cellMinimums;
  ParamList cellMaximums;
  ParamList chipDefaults;
  ParamList chipMinimums;
  ParamList chipMaximums;
  PartNumberMap partNumbers;
  // Kept as a float, as the version always was; compared as a float, so that "3.1" counts
  // as 3.1 or later.
  float dbVersion = 3.0f;
  int gridLenient = 0;
  int minForDefault = 0;
  int warningFlag = 0;
  int chipLenient = 0;
  int processMissingChipSection = 0;

 private:
  bool AtLeast31() const;
  // ReadParamDefinitions with a warning when the declarations were cut.
  void ReadDeclarations(std::string_view section, std::string_view prefix, ParamList& list);
  bool ConvertAnalysis();
  bool ConvertScan();
  std::string GhostGridsValue() const;
  // Refuses records whose fields would shift the load file's fields.
  bool CheckRecords(const std::string& type);
  void LogError(const std::string& message) const;
  void LogWarning(const std::string& message);
  // cifPath and definitionIniPath, each read once a conversion.
  int Resolve(const std::string& section, const std::string& label, const ParamList& declarations,
              ParamList& out, int lenient, int useMinimum, int processMissingSection);

  platform::ProfileText mCif;
  platform::ProfileText mDefinitions;
};

}  // namespace quellbrook
