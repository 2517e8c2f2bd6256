#include "installer/steps/algorithm_step.hpp"

#include <cstdio>

#include "installer/framework/environment.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

constexpr const char* kSection = "Algorithms";

std::string ReadEntry(const platform::ProfileText& ini, int index, const char* key,
                      const char* fallback) {
  return TrimText(
      ini.String(kSection, FormatText("Alg%d%s", index, key), fallback, kAlgorithmValueSize));
}

}  // namespace

bool AlgorithmStep::WriteAlgorithmFile(const std::string& iniPath, int& count,
                                       std::string* refusal) {
  count = 0;
  std::remove(kAlgorithmLoadFile);
  LoadFileOutput output;
  if (!output.Open(kAlgorithmLoadFile)) return false;
  // Older data objects take no user-set flag.
  const bool withFlag = session == nullptr || IsVersionAtLeast31(session->version);
  const platform::ProfileText ini = platform::ProfileText::Read(iniPath);
  const int entries = ini.Count(kSection, "NumAlgorithms", 0);
  if (entries > kMaxIniEntries) {
    if (refusal != nullptr) *refusal = TooManyIniEntries("algorithms", iniPath);
    return false;
  }
  for (int i = 1; i <= entries; ++i) {
    const std::string name = ReadEntry(ini, i, "Name", "");
    if (name.empty()) continue;
    const std::string id = ReadEntry(ini, i, "ID", "");
    const std::string type = ReadEntry(ini, i, "Type", "");
    const std::string progId = ReadEntry(ini, i, "ProgID", "");
    const std::string cifName = ReadEntry(ini, i, "CifName", "");
    const std::string flag = ReadEntry(ini, i, "UsersetFlag", "0");
    std::string reason;
    if (!CheckLoadFields({&name, &id, &type, &progId, &cifName, &flag}, reason)) {
      if (refusal != nullptr) *refusal = reason;
      return false;
    }
    for (const std::string* field : {&name, &id, &type, &progId})
      output.Field(*field, kLoadFileSeparator);
    output.Field(cifName, withFlag ? kLoadFileSeparator : '\n');
    if (withFlag) output.Field(flag, '\n');
    ++count;
  }
  // A full disk shows here, not as rows missing after the load.
  if (output.Close()) return true;
  if (refusal != nullptr) *refusal = LoadFileWriteFailure(kAlgorithmLoadFile, output);
  return false;
}

int AlgorithmStep::RunAlgorithmStep() {
  StepTexts texts;
  texts.code = kStepAlgorithm;
  texts.progressText = "Install Algorithms into database...";
  texts.firstLogLine = "Start Installing Algorithms...";
  texts.reportTitle = "Install Algorithms:";
  texts.reportRule = "------------------";
  texts.sourceFileName = kAlgorithmSourceFile;
  texts.loadFileName = kAlgorithmLoadFile;
  texts.temporaryTable = "LOAD_ALG";
  texts.sourceReportLine = "Source Algorithm File:\t%s";
  texts.recordsReportLine = "Number of Algorithms in the source file:\t%d";
  texts.rowsReportLine = "Number of Algorithms uploaded to temporary tables:\t%d";
  texts.failurePrefix = "Install Algorithms Failed. ";
  texts.outcomeError = 3011;
  texts.successLine = "Install Algorithms Successfully.";
  texts.failureLine = "Install Algorithms Failed.";
  return RunStepSequence(*this, texts,
                         [this](const std::string& source, int& count, std::string& refusal) {
                           return WriteAlgorithmFile(source, count, &refusal);
                         });
}

}  // namespace quellbrook
