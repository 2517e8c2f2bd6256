#include "installer/steps/algorithm_step.hpp"

#include <cstdio>

#include "installer/framework/environment.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

constexpr const char* kSection = "Algorithms";

std::string ReadEntry(const std::string& iniPath, int index, const char* key,
                      const char* fallback) {
  std::string value =
      platform::ReadProfileString(iniPath, kSection, FormatText("Alg%d%s", index, key), fallback);
  if (value.size() > static_cast<std::size_t>(kAlgorithmValueSize - 1))
    value.resize(kAlgorithmValueSize - 1);
  return TrimText(value);
}

}  // namespace

bool AlgorithmStep::WriteAlgorithmFile(const std::string& iniPath, int& count,
                                       std::string* refusal) {
  std::remove(kAlgorithmLoadFile);
  std::FILE* file = std::fopen(kAlgorithmLoadFile, "a+");
  if (file == nullptr) return false;
  count = 0;
  // Older data objects take no user-set flag.
  const bool withFlag = session == nullptr || IsVersionAtLeast31(session->version);
  const int entries = platform::ReadProfileCount(iniPath, kSection, "NumAlgorithms", 0);
  if (entries > kMaxIniEntries) {
    if (refusal != nullptr) *refusal = TooManyIniEntries("algorithms", iniPath);
    std::fclose(file);
    return false;
  }
  bool written = true;
  for (int i = 1; i <= entries && written; ++i) {
    const std::string name = ReadEntry(iniPath, i, "Name", "");
    if (name.empty()) continue;
    const std::string id = ReadEntry(iniPath, i, "ID", "");
    const std::string type = ReadEntry(iniPath, i, "Type", "");
    const std::string progId = ReadEntry(iniPath, i, "ProgID", "");
    const std::string cifName = ReadEntry(iniPath, i, "CifName", "");
    const std::string flag = ReadEntry(iniPath, i, "UsersetFlag", "0");
    std::string reason;
    if (!CheckLoadFields({&name, &id, &type, &progId, &cifName, &flag}, reason)) {
      if (refusal != nullptr) *refusal = reason;
      written = false;
      break;
    }
    if (withFlag)
      std::fprintf(file, "%s;%s;%s;%s;%s;%s\n", name.c_str(), id.c_str(), type.c_str(),
                   progId.c_str(), cifName.c_str(), flag.c_str());
    else
      std::fprintf(file, "%s;%s;%s;%s;%s\n", name.c_str(), id.c_str(), type.c_str(), progId.c_str(),
                   cifName.c_str());
    ++count;
  }
  std::fclose(file);
  return written;
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
