#include "installer/steps/assay_step.hpp"

#include "installer/framework/step_names.hpp"
#include "installer/steps/data_line_copy.hpp"
#include "installer/steps/step_sequence.hpp"

namespace quellbrook {

bool AssayStep::CopyAssayFile(const std::string& sourcePath, int& count, std::string* refusal) {
  std::string reason;
  const bool copied = CopyDataLines(sourcePath, kAssayLoadFile, kAssayFields, count, reason);
  if (refusal != nullptr) *refusal = reason;
  return copied;
}

int AssayStep::RunAssayStep() {
  StepTexts texts;
  texts.code = kStepAssay;
  texts.progressText = "Install Assays and Assay Protocols into database...";
  texts.firstLogLine = "Start Installing Assays and Assay Protocols...";
  texts.reportTitle = "Install Assays and Assay Protocols:";
  texts.reportRule = "-----------------------------------";
  texts.sourceFileName = sourceFileName.c_str();
  texts.loadFileName = kAssayLoadFile;
  texts.temporaryTable = "LOAD_PROTOCOL_FILE";
  texts.sourceReportLine = "Source Assay Protocol File:\t%s";
  texts.recordsReportLine = "Number of Assay Protocols in the source file:\t%d";
  texts.rowsReportLine = "Number of Assay Protocols uploaded to temporary tables:\t%d";
  texts.failurePrefix = "Install Assays and Assay Protocols failed. ";
  texts.outcomeError = 3010;
  texts.successLine = "Install Assays and Assay Protocols Successfully.";
  texts.failureLine = "Install Assays and Assay Protocols Failed.";
  return RunStepSequence(*this, texts,
                         [this](const std::string& source, int& count, std::string& refusal) {
                           return CopyAssayFile(source, count, &refusal);
                         });
}

}  // namespace quellbrook
