#include "genome/files/curve_file.hpp"

#include <string_view>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/unit_name_index.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/decimal_text.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "engine/services/logged_replacement.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_files.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/genome_text.hpp"
#include "platform/file_replacement.hpp"
#include "platform/line_reader.hpp"

using genome_text::NextField;

bool ReadCurveFile(CHROMOSOME& chro, const std::string& path) {
  platform::LineReader reader;
  if (!OpenLinesOrLog(reader, path, kCurveLineLength,
                      "  No existing curve file '" + path + "' found; or is it open in Excel?"))
    return false;
  LogMessage("  Reading curve file '" + path + "'...");
  UnitNameIndex names(Layout);
  JobProgress& progress = Progress();
  std::string_view line;
  platform::LineStatus status = reader.Next(line);  // the header
  int lines = 0;
  while (IsTextLine(status = reader.Next(line))) {
    std::string_view rest = line;
    const int unit = names.Find(genome_text::TrimRight(NextField(rest)));
    for (int skipped = 0; skipped < 3; ++skipped) NextField(rest);
    const std::string_view field = genome_text::TrimRight(NextField(rest));
    float value = kMissingValueFloat;
    if (field.empty() || !ParseFloatField(field, value)) value = kMissingValueFloat;
    if (chro.HoldsUnit(unit))
      chro.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall] = value;
    if (++lines % kCurvePumpStep == 0) progress.Pump();
  }
  return true;
}

bool WriteCurveFile(const CHROMOSOME& chro, const std::string& path) {
  const std::string failed = "  Writing curve file '" + path + "' failed; is it open in Excel?";
  return ReplaceFileOrLog(path, failed, [&chro, &path](platform::FileReplacement& file) {
    LogMessage("  Writing curve file '" + path + "'...\n");
    const int type = chro.dataType;
    GatheredText out(file);
    std::string& text = out.Text();
    text = kCurveFileHeader;
    JobProgress& progress = Progress();
    int lines = 0;
    for (const int unit : genome_info.genomeOrder) {
      if (!chro.HoldsUnit(unit)) continue;
      const UNIT_POS& place = genome_info.Unit[static_cast<std::size_t>(unit)];
      text.append(Layout.units[static_cast<std::size_t>(unit)].Name()).append("\t");
      AppendMarkerPlace(text, place);
      const float value = chro.Summary(unit, type);
      if (value != kMissingValueFloat) AppendExactFloat(text, value);
      text += '\n';
      if (!out.WriteFull()) return false;
      if (++lines % kCurvePumpStep == 0) progress.Pump();
    }
    return out.WriteAll();
  });
}
bool CurveFile(CHROMOSOME& chro, bool read) {
  const std::string path = TheGroup().Settings().CURVE_FILE;
  if (IsNone(path)) return true;
  if (!read) return WriteCurveFile(chro, path);
  if (!ReadCurveFile(chro, path)) return false;
  chro.dataType = kDataCall;
  chro.PrepareDataType();
  return true;
}

bool FuzzReadCurveFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "curve.xls", [](const std::string& path) {
    CHROMOSOME chro;
    return chro.Allocate(0, Layout.unitCount, ChroTables{}) && ReadCurveFile(chro, path);
  });
}
