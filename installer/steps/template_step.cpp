#include "installer/steps/template_step.hpp"

#include "installer/framework/step_names.hpp"
#include "installer/steps/data_line_copy.hpp"
#include "installer/steps/step_sequence.hpp"

namespace quellbrook {

bool TemplateStep::CopyTemplateFile(const std::string& sourcePath, int& count,
                                    std::string* refusal) {
  std::string reason;
  const bool copied = CopyDataLines(sourcePath, kTemplateLoadFile, kTemplateFields, count, reason);
  if (refusal != nullptr) *refusal = reason;
  return copied;
}

int TemplateStep::RunTemplateStep() {
  StepTexts texts;
  texts.code = kStepTemplate;
  texts.progressText = "Install Templates into database...";
  texts.firstLogLine = "Start Installing Templates...";
  texts.reportTitle = "Install Templates:";
  texts.reportRule = "------------------";
  texts.sourceFileName = sourceFileName.c_str();
  texts.loadFileName = kTemplateLoadFile;
  texts.temporaryTable = "LOAD_MIAME_FILE";
  texts.sourceReportLine = "Source Template File:\t%s";
  texts.recordsReportLine = "Number of Template Attributes in the source file:\t%d";
  texts.rowsReportLine = "Number of Template Attributes uploaded to temporary tables:\t%d";
  texts.failurePrefix = "Install Templates failed. ";
  texts.outcomeError = 3023;
  texts.successLine = "Install Templates Successfully.";
  texts.failureLine = "Install Templates Failed.";
  return RunStepSequence(*this, texts,
                         [this](const std::string& source, int& count, std::string& refusal) {
                           return CopyTemplateFile(source, count, &refusal);
                         });
}

}  // namespace quellbrook
