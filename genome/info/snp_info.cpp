#include "genome/info/snp_info.hpp"

#include <string_view>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/unit_name_index.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/jobs/decimal_text.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "genome/info/analysis_flag.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/genome_text.hpp"
#include "genome/info/reference_genotypes.hpp"
#include "platform/file_replacement.hpp"
#include "platform/line_reader.hpp"

SnpInfoTable snp_info_table;
int MaxFragmentLength = 0;
int MinCallRatePercent = 0;

using genome_text::NextField;

namespace {

bool Fail(std::string_view message) {
  LogMessage(message, 0, kLogRed);
  snp_info_table.Clear();
  return false;
}

}  // namespace

bool ReadSnpInfoFile(const std::string& path) {
  snp_info_table.Clear();
  if (IsNone(path)) return false;
  platform::LineReader reader;
  if (!genome_text::OpenTableOrLog(reader, path, kSnpInfoLineLength, "SNP information"))
    return false;
  const std::string_view header = genome_text::HeaderLine(reader);
  if (!Contains(header, "Fragment Length Start Stop")) {
    LogMessage(kNotSnpInfoFileMessage, 0, kLogRed);
    LogMessage("    Header line: " + std::string(header));
    return false;
  }
  try {
    snp_info_table.snps.assign(static_cast<std::size_t>(std::max(Layout.unitCount, 0)), SNP_INFO{});
  } catch (const std::bad_alloc&) {
    return Fail(kSnpInfoAllocationMessage);
  }
  LogMessage("    SNP 0");

  UnitNameIndex names(Layout);
  JobProgress& progress = Progress();
  const RaisedWhenIdle raised;
  int found = 0;
  int unknown = 0;
  int nonFinite = 0;
  std::string_view line;
  while (genome_text::NextTableLine(reader, line)) {
    std::string_view rest = line;
    const int unit = names.Find(NextField(rest));
    if (unit < 0) {
      ++unknown;
      progress.Pump();
      if (unknown == kMaxUnknownSnps) return Fail(kUnknownSnpsMessage);
    } else {
      const std::string_view id = NextField(rest);
      const std::string_view second = NextField(rest);
      const std::string_view fragment = NextField(rest);
      // A frequency that is no number (nan, inf) would pass every clamp: the line is
      // refused whole and the SNP keeps no information.
      std::array<float, kPopulationCount> frequencies{-1, -1, -1};
      bool finite = true;
      for (float& frequency : frequencies) {
        const std::string_view field = NextField(rest);
        if (field.empty()) continue;
        finite = genome_text::LeadingFiniteFloat(field, frequency) && finite;
        ClampProbability(&frequency, kProbabilityFloor);
      }
      if (finite) {
        SNP_INFO& snp = snp_info_table.snps[static_cast<std::size_t>(unit)];
        if (!id.empty()) snp.id = std::string(id);
        if (!second.empty()) snp.secondText = std::string(second);
        if (!fragment.empty()) snp.fragmentLength = genome_text::LeadingInt(fragment);
        snp.alleleFrequency = frequencies;
        ++found;
      } else {
        ++nonFinite;
      }
    }
    if (found % kSnpInfoProgressStep == 0) {
      if (progress.StopRequested()) return Fail(kUserStopMessage);
      progress.ShowProgress(MessageBuffer("    SNP %d", found));
      progress.Pump();
    }
  }
  progress.ShowProgress(MessageBuffer("    Gene %d", found));
  if (nonFinite > 0) LogMessage(MessageBuffer(kNonFiniteFrequencyMessage, nonFinite), 0, kLogRed);
  if (found < Layout.unitCount / 4) return Fail(kTooFewSnpsMessage);
  LogMessage(MessageBuffer("    Read SNP information for %d SNPs", found));
  LogMessage("");
  return true;
}

float GetAlleleFrequency(int unit) {
  if (!GroupStarted()) return 0.5f;
  const int type = TheGroup().Settings().ALLELE_FREQ_TYPE;
  if (type < 0 || type >= kPopulationCount || !snp_info_table.Loaded() || unit < 0 ||
      static_cast<std::size_t>(unit) >= snp_info_table.snps.size())
    return 0.5f;
  const float frequency = snp_info_table.snps[static_cast<std::size_t>(unit)]
                              .alleleFrequency[static_cast<std::size_t>(type)];
  return frequency == -1.0f ? 0.5f : frequency;
}

namespace {

// Whether a further sample's call disagrees with its group's reference call.
bool Discordant(char reference, char call) {
  if (call == kNoCall) return true;
  if (reference == kCallAA) return call == kCallBB || call == kCallAB;
  if (reference == kCallBB) return call == kCallAA || call == kCallAB;
  return false;
}

char CallOf(const Group& group, int array, int unit) {
  if (array < 0 || array >= group.NumArrays()) return kNoCall;
  const std::vector<char>& calls = group.Array(array).calls;
  return static_cast<std::size_t>(unit) < calls.size() ? calls[static_cast<std::size_t>(unit)]
                                                       : kNoCall;
}

}  // namespace

bool FilterSnpsByQuality() {
  Group& group = TheGroup();
  const std::string path = group.Settings().FILTER_OUTPUT_LIST;
  LogMessage("{Filter SNPs by quality...", 0, kLogBlue);
  // Everything that can refuse the run is checked before the old list is touched.
  if (SampleGrouping.GroupCount() <= 1) {
    LogMessage(kOneSampleGroupMessage, 0, kLogRed);
    return false;
  }
  const std::string writeFailed =
      MessageBuffer("  Write file '%s' failed; is it open?", path.c_str());
  platform::FileReplacement file;
  if (IsUnsetPath(path) || !file.Open(path)) {
    return LogWriteFailure(writeFailed, file.Error());
  }
  LogMessage("  Filtering...");
  bool written = WriteFileText(file, "probe set\tfragment_length\tcall_rate\n");

  const int samples = SampleGrouping.SampleCount();
  const int groups = SampleGrouping.GroupCount();
  const bool haveInfo = snp_info_table.Loaded();
  JobProgress& progress = Progress();
  int passed = 0;
  std::string row;
  char number[kSixDigitsRoom];
  for (int unit = 0; unit < Layout.unitCount && written; ++unit) {
    if (unit > 0 && unit % kSnpFilterPumpStep == 0) progress.Pump();
    if (IsControlUnit(unit)) continue;
    const int fragment =
        haveInfo ? snp_info_table.snps[static_cast<std::size_t>(unit)].fragmentLength : -1;
    if (fragment != -1 && fragment > MaxFragmentLength) continue;
    int discordances = 0;
    for (int g = 0; g < groups; ++g) {
      const int first = SampleGrouping.GroupFirstSample(g);
      const int size = SampleGrouping.GroupSize(g);
      if (size <= 0) continue;
      const char reference = CallOf(group, SampleGrouping.GetSampleArray(first), unit);
      if (reference == kNoCall) ++discordances;
      for (int s = first + 1; s < first + size; ++s)
        if (Discordant(reference, CallOf(group, SampleGrouping.GetSampleArray(s), unit)))
          ++discordances;
    }
    const double callRate = samples > 0 ? 1.0 - static_cast<double>(discordances) / samples : 0.0;
    if (callRate < MinCallRatePercent * 0.01) continue;
    row.assign(Layout.units[static_cast<std::size_t>(unit)].Name());
    row += '\t';
    row += std::to_string(fragment);
    row += '\t';
    row.append(number, FormatSixDigits(number, callRate));
    row += '\n';
    written = WriteFileText(file, row);
    ++passed;
  }
  const std::string criteria =
      MessageBuffer("Filtering criteria: fragment length <= %d, call rate >= %d%%",
                    MaxFragmentLength, MinCallRatePercent);
  written = written && WriteFileText(file, "[" + criteria + "]\n");
  if (!written || !file.Commit()) {
    return LogWriteFailure(writeFailed, file.Error());
  }
  LogMessage(MessageBuffer("    %d SNPs passing filtering criteria are saved in '%s'", passed,
                           path.c_str()));
  LogMessage("    " + criteria);
  RegisterOutputFile(path, false);
  LogMessage("Finished}\n", 0, kLogBlue);
  return true;
}

bool FuzzReadSnpInfo(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "snp_info.txt",
                         [](const std::string& path) { return ReadSnpInfoFile(path); });
}
