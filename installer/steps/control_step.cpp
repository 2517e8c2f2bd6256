#include "installer/steps/control_step.hpp"

#include <cstdio>
#include <optional>

#include "installer/framework/environment.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/progress_window.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_runner.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

constexpr int kControlsFailed = 3026;
constexpr const char* kSection = "Controls";
constexpr const char* kAlgorithmIni = "Algorithm.ini";
constexpr const char* kParameterTable = "LOAD_CIF_FILE";
constexpr const char* kFailurePrefix = "Install Controls failed. ";
// Each value is read into a buffer of this size.
constexpr std::size_t kControlValueSize = 260;

std::string ReadValue(const platform::ProfileText& ini, std::string_view section,
                      const std::string& key) {
  return TrimText(ini.String(section, key, "", kControlValueSize));
}

}  // namespace

bool ControlStep::IsKnownAssay(const std::string& assay, const std::vector<std::string>& known) {
  for (const std::string& name : known)
    if (platform::EqualsNoCase(TrimText(name), assay)) return true;
  return false;
}

int ControlStep::ReadControlsIni(const std::string& iniPath, std::vector<ControlSet>& sets) {
  return ReadControlsIni(platform::ProfileText::Read(iniPath), iniPath, sets);
}

int ControlStep::ReadControlsIni(const platform::ProfileText& ini, const std::string& iniPath,
                                 std::vector<ControlSet>& sets) {
  const int count = ini.Count(kSection, "NumControlSets", 0);
  int entries = 0;
  const std::string algorithmIni = platform::JoinPath(sourceFolder, kAlgorithmIni);
  const platform::ProfileText algorithms = platform::ProfileText::Read(algorithmIni);
  for (int i = 1; i <= count; ++i) {
    const std::string assay = ReadValue(ini, kSection, FormatText("ControlSet%dAssay", i));
    const std::string algorithm = ReadValue(ini, kSection, FormatText("ControlSet%dAlg", i));
    const int controls = assay.empty() ? 0 : ini.Count(assay, "NumControls", 0);
    if (assay.empty() || algorithm.empty() || controls <= 0) {
      sets.emplace_back();
      continue;
    }
    ControlSet set;
    if (!GetAlgorithmCifName(algorithms, algorithm, set.cifName)) {
      WriteLogLine(
          logPath,
          FormatMessageText(kAlgorithmCifNameMissing, algorithm.c_str(), algorithmIni.c_str()),
          kLogError);
      return kAlgorithmCifNameMissing;
    }
    set.assay = assay;
    entries += controls;
    if (entries > kMaxIniEntries) {
      WriteLogLine(logPath, kFailurePrefix + TooManyIniEntries("controls", iniPath), kLogError);
      return kWriteIntermediateFilesFailed;
    }
    for (int j = 1; j <= controls; ++j) {
      ControlEntry entry;
      entry.name = ReadValue(ini, assay, FormatText("Control%d", j));
      // The list ends at the first missing key; a blank value is passed over, and the
      // members are numbered by their place in the list, not by their keys.
      for (int k = 1;; ++k) {
        const std::optional<std::string> member =
            ini.Value(assay, FormatText("Control%dName%d", j, k));
        if (!member) break;
        std::string trimmed = TrimText(*member);
        if (trimmed.size() >= kControlValueSize) trimmed.resize(kControlValueSize - 1);
        if (!trimmed.empty()) entry.members.push_back(std::move(trimmed));
      }
      // An entry without a name would only give a count record named " Count".
      if (!entry.name.empty()) set.controls.push_back(std::move(entry));
    }
    sets.push_back(std::move(set));
  }
  return kResultSuccess;
}

bool ControlStep::WriteControlsFile(const std::vector<ControlSet>& sets, int& members, int& records,
                                    std::string* refusal) {
  members = records = 0;
  std::remove(kControlsLoadFile);
  LoadFileOutput output;
  if (!output.Open(kControlsLoadFile)) return false;
  std::string database;
  std::vector<std::string> known;
  bool written = session != nullptr && GetDatabaseName(session->dbmsType, database) != 0;
  if (written) session->QueryAssayNames(known, database);
  const bool newer = written && IsVersionAtLeast31(session->version);
  // One parameter record of a control: the newer layout has an empty part number.
  auto record = [&](const ControlSet& set, const std::string& name, const std::string& value,
                    const char* type) {
    std::string reason;
    if (!CheckLoadFields({&set.assay, &set.cifName, &name, &value}, reason)) {
      if (refusal != nullptr) *refusal = reason;
      return false;
    }
    output.Field(set.assay, kLoadFileSeparator);
    output.Field("ALL", kLoadFileSeparator);
    if (newer) output.Field("", kLoadFileSeparator);
    for (const std::string_view field : {std::string_view(set.cifName), std::string_view(name),
                                         std::string_view(value), std::string_view(type)})
      output.Field(field, kLoadFileSeparator);
    output.Field("Def", kLoadFileSeparator);
    output.Field("Algorithm", '\n');
    ++records;
    return true;
  };
  for (const ControlSet& set : sets) {
    if (!written) break;
    if (set.assay.empty() || !IsKnownAssay(set.assay, known)) continue;
    for (const ControlEntry& control : set.controls) {
      written = record(set, FormatText("%s Count", control.name.c_str()),
                       FormatText("%zu", control.members.size()), newer ? "int" : "string");
      for (std::size_t m = 0; m < control.members.size() && written; ++m) {
        written = record(set, FormatText("%s%zu", control.name.c_str(), m + 1), control.members[m],
                         "string");
        if (written) ++members;
      }
      if (!written) break;
    }
  }
  if (!output.Close() && written) {
    written = false;
    if (refusal != nullptr) *refusal = LoadFileWriteFailure(kControlsLoadFile, output);
  }
  if (!written) std::remove(kControlsLoadFile);
  return written;
}

int ControlStep::RunControlStep() {
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  window.SetRange(0, 10, 1);
  window.SetStep(1);
  window.SetText("%s", "Install Controls into database...");
  window.Show();
  WriteLogLine(logPath, "Start Installing Controls...", kLogInfo);
  window.StepIt();
  if (session == nullptr || session->connected == 0) {
    WriteLogLine(logPath, MessageText(kConnectFailed), kLogError);
    return kConnectFailed;
  }
  const std::string iniPath = platform::JoinPath(sourceFolder, kControlsSourceFile);
  if (!platform::FileExists(iniPath)) {
    WriteLogLine(logPath, "Controls.INI not found.  No controls will be installed.", kLogInfo);
    return kResultSuccess;
  }
  std::vector<ControlSet> sets;
  if (const int read = ReadControlsIni(iniPath, sets); read != kResultSuccess) return read;
  window.StepIt();
  int members = 0;
  int records = 0;
  std::string refusal;
  if (!WriteControlsFile(sets, members, records, &refusal)) {
    WriteLogLine(
        logPath,
        kFailurePrefix +
            (refusal.empty() ? std::string(MessageText(kWriteIntermediateFilesFailed)) : refusal),
        kLogError);
    return kWriteIntermediateFilesFailed;
  }
  if (members == 0) {
    std::remove(kControlsLoadFile);
    WriteLogLine(logPath, "No controls to be installed.", kLogInfo);
    return kResultSuccess;
  }

  AppendFormattedLine(reportPath, "%s", "");
  AppendFormattedLine(reportPath, "%s", "Install Controls:");
  AppendFormattedLine(reportPath, "%s", "-----------------");
  window.StepIt();
  RunLoadScript(*session, kStepAnalysisParameters);
  window.StepIt();
  session->ClearTable(kLibraryLogTable);
  session->ClearTable(kParameterTable);
  window.StepIt();
  BulkLoadStep(*session, kControlsLoadFile, kStepAnalysisParameters);
  window.StepIt();
  int result = kResultSuccess;
  const int rows = session->CountTableRows(kParameterTable);
  // The count records make the rows more than the members the report names: every record
  // written must have arrived.
  if (rows != records) {
    result = session->dbmsType == kDbmsOracle ? 3020 : 3003;
    WriteLogLine(logPath, FormatMessageText(result, records, rows), kLogError);
  } else {
    AppendFormattedLine(reportPath, "Source Controls File:\t%s", iniPath.c_str());
    AppendFormattedLine(reportPath, "Number of Controls in the source file:\t%d", members);
    AppendFormattedLine(reportPath, "Number of records uploaded to temporary tables:\t%d", rows);
    if (const std::optional<std::string> failed =
            RunDatabaseActivities(*this, kStepAnalysisParameters, &window)) {
      result = kControlsFailed;
      WriteLogLine(logPath, FormatMessageText(result, failed->c_str()), kLogError);
    }
    window.StepIt();
    std::remove(kControlsLoadFile);
    window.StepIt();
  }
  WriteLogLine(
      logPath,
      result != kResultSuccess ? "Install Controls Failed." : "Install Controls Successfully.",
      kLogInfo);
  RunDropScript(*session, kStepAnalysisParameters);
  return result;
}

}  // namespace quellbrook
