#include "installer/steps/device_step.hpp"

#include <cstdio>

#include "installer/framework/step_names.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/step_sequence.hpp"

namespace quellbrook {

bool DeviceStep::WriteDeviceFile(int& count, std::string* refusal) {
  count = 0;
  std::remove(kDeviceLoadFile);
  LoadFileOutput output;
  if (!output.Open(kDeviceLoadFile)) return false;
  if (devices != nullptr) {
    for (const DeviceRecord& device : *devices) {
      std::string reason;
      if (!CheckLoadFields(
              {&device.name, &device.annotationId, &device.description, &device.prefix}, reason)) {
        if (refusal != nullptr) *refusal = reason;
        return false;
      }
      // The type only sorts scanners from fluidics stations; it is not loaded.
      output.Field(device.name, kLoadFileSeparator);
      output.Field(device.annotationId, kLoadFileSeparator);
      output.Field(device.description, kLoadFileSeparator);
      output.Field(device.prefix, '\n');
      ++count;
    }
  }
  if (output.Close()) return true;
  if (refusal != nullptr) *refusal = LoadFileWriteFailure(kDeviceLoadFile, output);
  return false;
}

int DeviceStep::RunDeviceStep() {
  StepTexts texts;
  texts.code = kStepDevice;
  texts.progressText = "Install Devices into database...";
  texts.firstLogLine = "Start Installing Devices...";
  texts.reportTitle = "Install Devices:";
  texts.reportRule = "---------------";
  texts.reportedSource = deviceFile.c_str();
  texts.loadFileName = kDeviceLoadFile;
  texts.temporaryTable = "LOAD_DEV";
  texts.sourceReportLine = "Source Device File:\t%s";
  texts.recordsReportLine = "Number of Devices in the source file:\t%d";
  texts.rowsReportLine = "Number of Devices uploaded to temporary tables:\t%d";
  texts.failurePrefix = "Install Devices Failed. ";
  texts.outcomeError = 3013;
  texts.successLine = "Install Devices Successfully.";
  texts.failureLine = "Install Devices Failed.";
  return RunStepSequence(*this, texts,
                         [this](const std::string&, int& count, std::string& refusal) {
                           return WriteDeviceFile(count, &refusal);
                         });
}

}  // namespace quellbrook
