// Reading the inferred copy number file back into the chromosome data: the layout the
// data export writes, checked column by column against the samples and line by line
// against the genome order of the markers.
#include <algorithm>
#include <string_view>
#include <vector>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/jobs/decimal_text.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/files/chromosome_files.hpp"
#include "genome/inference/copy_number.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/genome_text.hpp"
#include "platform/line_reader.hpp"

namespace {

bool Fail(const std::string& message) {
  LogMessage(message, 0, kLogRed);
  return false;
}

// Every tab-separated field, so that a line that ends early is told from an empty field.
void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  for (;;) {
    const std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return;
    line.remove_prefix(tab + 1);
  }
}

std::string_view UnitName(int unit) {
  if (unit < 0 || unit >= Layout.unitCount) return {};
  return Layout.units[static_cast<std::size_t>(unit)].Name();
}

// An empty field (or "NA") is a missing value; false for text that is no number.
bool ReadValue(std::string_view field, float& value) {
  field = genome_text::TrimRight(field);
  if (field.empty() || field == "NA") {
    value = kMissingValueFloat;
    return true;
  }
  return ParseFloatField(field, value);
}

// A parent's copy number as the copy states know it: none below 0, none above the top level.
float ParentCopies(float copies) {
  return std::clamp(copies, 0.0f, CopyLevels.back());
}

}  // namespace

bool ReadInferredCopyFile(CHROMOSOME& chro, const std::string& path) {
  const bool parentSpecific = TheGroup().Settings().PARENT_SPECIFIC_COPY != 0;
  const int perSample = parentSpecific ? 2 : 1;
  const int samples = std::min(chro.sampleCount, SampleGrouping.SampleCount());
  const std::size_t bound = SampleColumnsLineBound(samples, parentSpecific);
  platform::LineReader reader;
  if (!reader.Open(path, bound))
    return Fail(platform::WithReadFailure(
        MessageBuffer(kInferredCopyOpenFailedMessage, path.c_str()), reader.OpenFailure()));
  LogMessage(MessageBuffer(kReadingInferredCopyMessage, path.c_str()));
  if (chro.inferred.Empty()) return Fail(kInferredCopyNoTableMessage);

  // A cut line would read its last value short; no line the export writes is cut.
  std::string_view line;
  bool tooLong = false;
  const auto next = [&reader, &line, &tooLong] {
    const platform::LineStatus status = reader.Next(line);
    tooLong = status == platform::LineStatus::kCut;
    if (!IsTextLine(status)) line = {};
  };
  const auto longLine = [&reader, bound] {
    return Fail(MessageBuffer(kInferredCopyLongLineMessage,
                              static_cast<long long>(reader.LineNumber()), bound));
  };
  next();
  if (!Contains(line, kInferredCopyFileMark)) return Fail(kNotInferredCopyFileMessage);
  std::vector<std::string_view> fields;
  next();
  if (tooLong) return longLine();
  SplitFields(line, fields);
  for (int s = 0; s < samples; ++s) {
    const std::string& name = SampleGrouping.SampleName(s);
    for (int k = 0; k < perSample; ++k) {
      const std::size_t column =
          kExportLeadingColumns + static_cast<std::size_t>(s * perSample + k);
      const std::string expected = k == 0 ? name : name + kSecondParentSuffix;
      const std::string read =
          column < fields.size() ? std::string(genome_text::TrimRight(fields[column])) : "";
      if (read != expected)
        return Fail(MessageBuffer(kInferredCopyColumnMessage, read.c_str(), expected.c_str()));
    }
  }

  JobProgress& progress = Progress();
  int lines = 0;
  for (const int unit : genome_info.genomeOrder) {
    if (!chro.HoldsUnit(unit)) continue;
    const std::string expected(UnitName(unit));
    next();
    if (tooLong) return longLine();
    SplitFields(line, fields);
    if (fields.front() != expected)
      return Fail(MessageBuffer(kInferredCopySnpMessage, std::string(fields.front()).c_str(),
                                expected.c_str()));
    for (int s = 0; s < samples; ++s) {
      const std::size_t column = kExportLeadingColumns + static_cast<std::size_t>(s * perSample);
      float value = kMissingValueFloat;
      float second = kMissingValueFloat;
      if (column + static_cast<std::size_t>(perSample) > fields.size() ||
          !ReadValue(fields[column], value) ||
          (parentSpecific && !ReadValue(fields[column + 1], second)))
        return Fail(MessageBuffer(kInferredCopyValueMessage, expected.c_str(),
                                  SampleGrouping.SampleName(s).c_str()));
      // A parent-specific cell holds the two parents' copy states.
      if (parentSpecific)
        value = value == kMissingValueFloat || second == kMissingValueFloat
                    ? kMissingValueFloat
                    : EncodeParentStates(chro.CopyState(ParentCopies(value)),
                                         chro.CopyState(ParentCopies(second)));
      chro.inferred.Row(s)[unit] = value;
    }
    if (++lines % kInferredCopyPumpStep == 0) progress.Pump();
  }
  LogMessage("");
  return true;
}

bool FuzzReadInferredCopyFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "inferred_copy.xls", [](const std::string& path) {
    const GroupSettings& settings = TheGroup().Settings();
    const bool parentSpecific = settings.PARENT_SPECIFIC_COPY != 0;
    CHROMOSOME chro;
    return chro.Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                         TablesFor(kChroCopyNumber, ArrayType != 0, parentSpecific)) &&
           chro.SetCopyLayout(parentSpecific, settings.INFER_STEP) &&
           ReadInferredCopyFile(chro, path);
  });
}
