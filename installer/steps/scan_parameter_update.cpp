// The scan parameter update: a further scanner's parameters derived from the reference
// scanner's values through the map files, written into each type's CIF on a client with a
// local database, or loaded into the database from its HP parameter sets on a server.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "installer/framework/environment.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_runner.hpp"
#include "installer/steps/cif_param_converter.hpp"
#include "installer/steps/cif_scanner_section.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/parameter_load.hpp"
#include "installer/steps/scan_parameter_step.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"
#include "platform/system_error.hpp"

namespace quellbrook {

namespace {

constexpr int kWriteFailed = 0;
constexpr int kWritten = 1;
constexpr int kScanTypeSectionMissing = 2012;
constexpr int kNoMatchingScanType = 2013;
constexpr int kScannerMapFilesMissing = 2014;
constexpr int kHpValuesMissing = 3024;
constexpr int kHpRowsUnreadable = 3025;
constexpr const char* kParametersSection = "Parameters";
// The assays whose parameter sets carry the ghost grids flag.
constexpr const char* kGhostGridsAssays[] = {"Expression", "Galdrith", "Universal", "Mapping"};

bool IsHp(const std::string& device) {
  return platform::EqualsNoCase(device, kHpSection);
}

// A map is read once and its values looked up in memory, at most 259 characters each.
std::string MapValue(const platform::ProfileText& map, std::string_view section,
                     std::string_view key) {
  return map.String(section, key, "", kIniValueBufferSize);
}

// The map's declared parameter count; a map that declares more than its lines can hold or
// than a library INI may list is refused (logged) and read as declaring none.
int DeclaredParameters(const platform::ProfileText& map, const std::string& mapPath,
                       const std::string& logPath) {
  const int count = map.Count(kParametersSection, "ParamCount", -1);
  if (count <= kMaxIniEntries) return count;
  WriteLogLine(logPath, TooManyIniEntries("scanner parameters", mapPath), kLogError);
  return -1;
}

// "Width, Height, FocusWidth and FocusHeight".
std::string HpKeyList() {
  std::string list;
  for (std::size_t i = 0; i < kHpScanKeys.size(); ++i) {
    if (i > 0) list += i + 1 == kHpScanKeys.size() ? " and " : ", ";
    list += kHpScanKeys[i];
  }
  return list;
}

// A file's permissions made writable for a write and put back after it, as the read-only
// attribute of a shipped file is.
class WritableWhileAlive {
 public:
  explicit WritableWhileAlive(const std::string& path) : mPath(path) {
    std::error_code error;
    mSaved = std::filesystem::status(path, error).permissions();
    mKnown = !error;
    if (mKnown)
      std::filesystem::permissions(path, mSaved | std::filesystem::perms::owner_write, error);
  }
  ~WritableWhileAlive() {
    std::error_code error;
    if (mKnown) std::filesystem::permissions(mPath, mSaved, error);
  }
  WritableWhileAlive(const WritableWhileAlive&) = delete;
  WritableWhileAlive& operator=(const WritableWhileAlive&) = delete;

 private:
  std::string mPath;
  std::filesystem::perms mSaved = std::filesystem::perms::none;
  bool mKnown = false;
};

}  // namespace

int ScanParamStep::FindScannerMapFiles(const std::string& scanner) {
  hpMapPath = platform::JoinPath(sourceFolder, kHpMapIniName);
  scannerMapPath = platform::JoinPath(sourceFolder, scanner + "Map.INI");
  if (!PlainScannerName(scanner, logPath)) return 0;
  for (const std::string* path : {&hpMapPath, &scannerMapPath}) {
    if (platform::FileExists(*path)) continue;
    WriteLogLine(logPath, FormatMessageText(kDevicesFileMissing, path->c_str()), kLogError);
    return 0;
  }
  return 1;
}

int ScanParamStep::FilterTypesByScannerMaps(std::vector<std::string>& types) {
  int result = 1;
  std::vector<std::string> kept;
  for (const std::string& type : types) {
    bool keep = true;
    for (const DeviceRecord& device : devices) {
      if (IsHp(device.name)) continue;
      if (FindScannerMapFiles(device.name) == 0) {
        // The type stays: its CIF is as shipped and may still import for other scanners.
        WriteLogLine(
            logPath,
            FormatMessageText(kScannerMapFilesMissing, device.name.c_str(), device.name.c_str()),
            kLogError);
        result = 0;
        continue;
      }
      ReadTypeList(hpMapPath, scanTypes);
      if (UpdateCifScanParams(type, device.name) == 0) {
        keep = false;
        result = 0;
      }
    }
    if (keep) kept.push_back(type);
  }
  types = std::move(kept);
  return result;
}

int ScanParamStep::CifHasScannerSection(const std::string& cifPath, const std::string& scanner) {
  // An empty section counts: a second one inserted after [HP] would be hidden behind it.
  return platform::ProfileSectionExists(cifPath, scanner) ? 1 : 0;
}

int ScanParamStep::ReadScanTypeParams(const std::string& scanType,
                                      std::vector<ScanParamRecord>& out,
                                      const std::string& mapPath) {
  out.clear();
  const platform::ProfileText map = platform::ProfileText::Read(mapPath);
  const int count = DeclaredParameters(map, mapPath, logPath);
  if (count < 1) return 0;
  for (int i = 1; i <= count; ++i) {
    const std::string name = MapValue(map, kParametersSection, FormatText("Param%d", i));
    const std::string type = MapValue(map, kParametersSection, FormatText("Param%dType", i));
    if (name.empty() || type.empty()) continue;
    const std::string value = MapValue(map, scanType, name);
    if (value.empty()) continue;
    out.push_back({name, value, type});
  }
  return 1;
}

int ScanParamStep::UpdateCifScanParams(const std::string& arrayType, const std::string& scanner) {
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  window.SetRange(0, 5, 1);
  window.SetStep(1);
  const std::string line =
      FormatText("Update %s scan parameters for %s...", scanner.c_str(), arrayType.c_str());
  window.SetText("%s", line.c_str());
  window.Show();
  WriteLogLine(logPath, line, kLogInfo);

  const auto update = [&]() -> bool {
    const auto fail = [&](const std::string& message) {
      WriteLogLine(logPath, message, kLogError);
      return false;
    };
    if (!IsPlainLibraryName(arrayType))
      return fail(
          FormatText("The array type name '%s' would leave the CIF folder.", arrayType.c_str()));
    const std::string cif = platform::JoinPath(cifFolder, arrayType + ".CIF");
    if (!platform::FileExists(cif))
      return fail(FormatMessageText(kDevicesFileMissing, cif.c_str()));
    if (!IniSectionExists(kHpSection, cif))
      return fail(FormatText("Cannot find [HP] section in the file %s.", cif.c_str()));
    window.StepIt();
    std::vector<ParameterRecord> hpValues;
    const platform::ProfileText cifText = platform::ProfileText::Read(cif);
    for (const char* key : kHpScanKeys) {
      const std::string value = MapValue(cifText, kHpSection, key);
      if (value.empty())
        return fail(FormatText("Cannot find %s in [HP] section in the file %s.", key, cif.c_str()));
      hpValues.push_back({key, TrimText(value), ""});
    }
    window.StepIt();
    std::string scanType;
    MatchTypeByParameters(scanType, hpMapPath, hpValues, scanTypes);
    if (scanType.empty())
      return fail(
          FormatText("Cannot find the appropriate scan type section from the map ini "
                     "files.  Update %s scan parameters failed for %s.",
                     scanner.c_str(), arrayType.c_str()));
    if (!IniSectionExists(scanType, scannerMapPath))
      return fail(FormatText(
          "Cannot find the scan type section %s from the %s. Update %s scan parameters failed "
          "for %s.",
          scanType.c_str(), scannerMapPath.c_str(), scanner.c_str(), arrayType.c_str()));
    window.StepIt();
    std::vector<ScanParamRecord> records;
    const int declared = ReadScanTypeParams(scanType, records, scannerMapPath);
    window.StepIt();
    // A map without parameters writes nothing into an existing or missing section alike.
    if (declared == 1 && CifHasScannerSection(cif, scanner) == 0)
      return InsertScannerSection(records, kHpSection, scanner, arrayType, cif) == 1;
    return WriteScannerParams(records, arrayType, scanner, cif) == 1;
  };
  const bool updated = update();
  window.StepIt();
  if (updated)
    WriteLogLine(logPath,
                 FormatText("Update %s scan parameters for %s successfully.", scanner.c_str(),
                            arrayType.c_str()),
                 kLogInfo);
  else
    WriteLogLine(logPath,
                 FormatText("Update %s scan parameters for %s failed. Please correct the CIF file "
                            "and retry.",
                            scanner.c_str(), arrayType.c_str()),
                 kLogError);
  window.DestroyWindow();
  return updated ? 1 : 0;
}

int ScanParamStep::WriteScannerParams(const std::vector<ScanParamRecord>& records,
                                      const std::string& arrayType, const std::string& scanner,
                                      const std::string& cifPath) {
  WritableWhileAlive writable(cifPath);
  for (const ScanParamRecord& record : records) {
    errno = 0;
    if (platform::WriteProfileString(cifPath, scanner, record.name, record.value)) continue;
    WriteLogLine(logPath,
                 platform::WithSystemReason(FormatText("Cannot write %s scan parameters to %s",
                                                       scanner.c_str(), cifPath.c_str()),
                                            errno) +
                     FormatText(".  Update %s scan parameters failed for %s.", scanner.c_str(),
                                arrayType.c_str()),
                 kLogError);
    return 0;
  }
  return 1;
}

int ScanParamStep::InsertScannerSection(const std::vector<ScanParamRecord>& records,
                                        const std::string& afterSection, const std::string& scanner,
                                        const std::string& arrayType, const std::string& cifPath) {
  SectionKeys keys;
  for (const ScanParamRecord& record : records) keys.emplace_back(record.name, record.value);
  const char* s = scanner.c_str();
  const char* t = arrayType.c_str();
  std::string failure;
  const SectionInsert inserted = InsertSectionIntoFile(cifPath, afterSection, scanner, keys);
  const int error = errno;
  switch (inserted) {
    case SectionInsert::kInserted:
      return 1;
    case SectionInsert::kNoReplacement:
      failure = platform::WithSystemReason(
          FormatText("Cannot create temporary file.  Update %s scan parameters failed for %s.", s,
                     t),
          error);
      break;
    case SectionInsert::kUnreadable:
      failure = FormatText("Cannot read the file %s.  Update %s scan parameters failed for %s.",
                           cifPath.c_str(), s, t);
      break;
    case SectionInsert::kAnchorMissing:
      failure =
          FormatText("Cannot find [%s] section in %s.  Update %s scan parameters failed for %s.",
                     afterSection.c_str(), cifPath.c_str(), s, t);
      break;
    case SectionInsert::kNotWritten:
      failure = platform::WithSystemReason(
          FormatText("Cannot open file %s for writing.", cifPath.c_str()), error);
      break;
  }
  WriteLogLine(logPath, failure, kLogError);
  return 0;
}

int ScanParamStep::UpdateScanParams() {
  LoadPartNumbers(partNumbers, platform::JoinPath(sourceFolder, kPartNumberFileName),
                  platform::JoinPath(sourceFolder, kTypeIniName));
  for (const DeviceRecord& device : devices) {
    if (IsHp(device.name)) continue;
    if (const int result = UpdateScannerScanParams(device.name); result != 0) return result;
  }
  return 0;
}

int ScanParamStep::UpdateScannerScanParams(const std::string& scanner) {
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  window.SetRange(0, 3, 1);
  window.SetStep(1);
  window.SetText("Update %s scan parameters into database...", scanner.c_str());
  window.Show();
  WriteLogLine(logPath, FormatText("Start Updating %s Scan Parameters...", scanner.c_str()),
               kLogInfo);
  if (session == nullptr || session->connected == 0) {
    WriteLogLine(logPath, MessageText(kConnectFailed), kLogError);
    return 1;
  }
  if (FindScannerMapFiles(scanner) == 0) {
    WriteLogLine(logPath,
                 FormatMessageText(kScannerMapFilesMissing, scanner.c_str(), scanner.c_str()),
                 kLogError);
    return kScannerMapFilesMissing;
  }
  ReadTypeList(hpMapPath, scanTypes);
  std::vector<ScanParameterSet> sets;
  session->QueryScanParameterSets(sets);
  if (sets.empty()) return 0;

  const std::string title = FormatText("Update %s Scan Parameters:", scanner.c_str());
  AppendFormattedLine(reportPath, "%s", "");
  AppendFormattedLine(reportPath, "%s", title.c_str());
  AppendFormattedLine(reportPath, "%s", std::string(title.size(), '-').c_str());
  window.StepIt();
  RunLoadScript(*session, kStepAnalysisParameters);
  window.StepIt();

  for (const ScanParameterSet& set : sets) {
    const std::string& array = set.probeArrayName;
    window.Clear();
    window.SetRange(0, 5, 1);
    window.SetStep(1);
    window.SetText("Update %s Scan Parameters for %s...", scanner.c_str(), array.c_str());
    window.Show();

    const auto updateSet = [&]() -> int {
      const auto fail = [&](int number, const std::string& message) {
        WriteLogLine(logPath, message, kLogError);
        return number;
      };
      std::vector<ScanParameterValue> values;
      const bool read = session->QueryScanParameterValues(values, kHpSection, array) == 1;
      // A set short of any of the four values matches no scan type, though an empty
      // condition list would match the first.
      std::vector<ParameterRecord> hpValues;
      for (const char* key : kHpScanKeys)
        for (const ScanParameterValue& value : values)
          if (value.term == key && !value.value.empty()) {
            hpValues.push_back({key, TrimText(value.value), ""});
            break;
          }
      if (!read || hpValues.size() != kHpScanKeys.size())
        return fail(kHpValuesMissing,
                    FormatMessageText(kHpValuesMissing, HpKeyList().c_str(), array.c_str()));
      window.StepIt();
      std::string scanType;
      MatchTypeByParameters(scanType, hpMapPath, hpValues, scanTypes);
      if (scanType.empty())
        return fail(kNoMatchingScanType, FormatMessageText(kNoMatchingScanType, hpMapPath.c_str(),
                                                           scanner.c_str(), array.c_str()));
      if (!IniSectionExists(scanType, scannerMapPath))
        return fail(kScanTypeSectionMissing,
                    FormatMessageText(kScanTypeSectionMissing, scanType.c_str(),
                                      scannerMapPath.c_str(), scanner.c_str(), array.c_str()));
      std::vector<AssayScanParameter> rows;
      if (session->QueryAssayScanParameters(rows, kHpSection, array) != 1)
        return fail(kHpRowsUnreadable, FormatMessageText(kHpRowsUnreadable, array.c_str()));
      window.StepIt();
      int lines = 0;
      if (WriteScanUpdateFile(kScanLoadFile, scannerMapPath, scanner, array, set.assayName,
                              scanType, rows, lines) != kWritten)
        return kWriteIntermediateFilesFailed;
      window.StepIt();
      int number = kResultSuccess;
      session->ClearTable(kLibraryLogTable);
      session->ClearTable(kParameterTable);
      if (BulkLoadStep(*session, kScanLoadFile, kStepAnalysisParameters)) {
        const int counted = session->CountTableRows(kParameterTable);
        if (counted != lines) {
          number = session->dbmsType == kDbmsOracle ? 3020 : 3003;
          WriteLogLine(logPath, FormatMessageText(number, lines, counted), kLogError);
        }
        AppendFormattedLine(reportPath, "Array Type:\t\t%s", array.c_str());
        AppendFormattedLine(reportPath, "Number of Scan Parameters updated:\t%d", counted);
        AppendFormattedLine(reportPath, "%s", "Database Activities -");
        window.StepIt();
        if (RunStepProcedure(*session, kStepAnalysisParameters) == 1) {
          LibLogStep last;
          session->ReadLastLogStep(&last);
          if (!platform::EqualsNoCase(last.status, kLogStatusSuccess)) {
            number = kInstallCifParametersFailed;
            WriteLogLine(logPath, FormatMessageText(number, last.message.c_str()), kLogError);
          }
        }
        AppendFormattedLine(reportPath, "%s", "");
      }
      std::remove(kScanLoadFile);
      window.StepIt();
      return number;
    };
    const int number = updateSet();
    const char* outcome =
        number != kResultSuccess ? "Update %s Scan Parameters for %s into database failed."
        : warningsSeen == 1 ? "Update %s Scan Parameters for %s into database successfully with "
                              "warning."
                            : "Update %s Scan Parameters for %s into database successfully.";
    WriteLogLine(logPath, FormatText(outcome, scanner.c_str(), array.c_str()), kLogInfo);
  }
  RunDropScript(*session, kStepAnalysisParameters);
  window.DestroyWindow();
  return 1;
}

void ScanParamStep::AddMapOnlyParams(std::vector<AssayScanParameter>& records,
                                     const std::vector<std::string>& terms,
                                     const std::string& scanType, const std::string& mapPath) {
  // A set without rows has no columns to copy: it gains nothing from the map alone.
  if (records.empty()) return;
  const AssayScanParameter first = records.front();
  const platform::ProfileText map = platform::ProfileText::Read(mapPath);
  const int count = DeclaredParameters(map, mapPath, logPath);
  for (int i = 1; i <= count; ++i) {
    const std::string name = TrimText(MapValue(map, kParametersSection, FormatText("Param%d", i)));
    const std::string type =
        TrimText(MapValue(map, kParametersSection, FormatText("Param%dType", i)));
    if (name.empty() || type.empty()) continue;
    if (std::find(terms.begin(), terms.end(), name) != terms.end()) continue;
    const std::string value = TrimText(MapValue(map, scanType, name));
    if (value.empty()) continue;
    AssayScanParameter record = first;
    record.term = name;
    record.parameterValue = value;
    record.dataType = type;
    records.push_back(std::move(record));
  }
}

int ScanParamStep::WriteScanUpdateFile(const std::string& outputFile, const std::string& mapPath,
                                       const std::string& scanner, const std::string& arrayName,
                                       const std::string& assayName, const std::string& scanType,
                                       const std::vector<AssayScanParameter>& rows,
                                       int& lineCount) {
  std::remove(outputFile.c_str());
  lineCount = 0;
  LoadFileOutput output;
  if (!output.Open(outputFile)) {
    WriteLogLine(logPath,
                 FormatText("Cannot create temporary file %s.  Update %s scan parameters failed "
                            "for %s.",
                            outputFile.c_str(), scanner.c_str(), arrayName.c_str()),
                 kLogError);
    return kWriteFailed;
  }
  std::vector<AssayScanParameter> records;
  std::vector<std::string> terms;
  const platform::ProfileText map = platform::ProfileText::Read(mapPath);
  for (const AssayScanParameter& row : rows) {
    terms.push_back(row.term);
    AssayScanParameter record = row;
    record.scannerKind = scanner;
    if (std::string mapped = MapValue(map, scanType, row.term); !mapped.empty())
      record.parameterValue = std::move(mapped);
    records.push_back(std::move(record));
  }
  AddMapOnlyParams(records, terms, scanType, mapPath);

  const bool withPartNumber = IsVersionAtLeast31(session != nullptr ? session->version : 3.0);
  std::string refusal;
  const auto line = [&](const AssayScanParameter& record) {
    const std::string partNumber =
        withPartNumber ? LookupPartNumber(partNumbers, record.probeArrayName) : std::string();
    if (!CheckLoadFields({&record.assayName, &record.probeArrayName, &partNumber,
                          &record.scannerKind, &record.term, &record.parameterValue,
                          &record.dataType, &record.scanWord, &record.parameterType},
                         refusal))
      return false;
    WriteParameterLine(
        output,
        {record.assayName, record.probeArrayName, record.scannerKind, record.term,
         record.parameterValue, record.dataType, record.scanWord, record.parameterType},
        withPartNumber ? &partNumber : nullptr);
    ++lineCount;
    return true;
  };
  bool whole = true;
  for (const AssayScanParameter& record : records) whole = whole && line(record);
  bool ghostGrids = false;
  for (const char* assay : kGhostGridsAssays)
    ghostGrids |= platform::EqualsNoCase(assayName, assay);
  if (whole && ghostGrids)
    whole = line({assayName, arrayName, "TW", kGhostGrids,
                  platform::EqualsNoCase(scanType, kGhostGridsType) ? "TRUE" : "FALSE", "string",
                  "Def", "Algorithm"});
  const bool closed = output.Close();
  if (whole && closed) return kWritten;
  // Nothing half-written or shifted is left to be loaded.
  WriteLogLine(logPath, whole ? LoadFileWriteFailure(outputFile, output) : refusal, kLogError);
  std::remove(outputFile.c_str());
  lineCount = 0;
  return kWriteFailed;
}

}  // namespace quellbrook
