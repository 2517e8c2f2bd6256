#include "genome/info/reference_genotypes.hpp"

#include <algorithm>
#include <new>
#include <string>
#include <string_view>

#include "engine/chip/cdf_layout.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "genome/info/analysis_flag.hpp"
#include "platform/line_reader.hpp"

REFERENCE_GENOTYPES ReferenceGenotypes;

namespace {

// The unit name of a line: double quotes dropped, blanks trimmed at both ends.
std::string UnitName(std::string_view field) {
  std::string name;
  name.reserve(field.size());
  for (char ch : field) {
    if (ch != '"') name.push_back(ch);
  }
  const auto first = name.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = name.find_last_not_of(' ');
  return name.substr(first, last - first + 1);
}

// The next tab-separated field of rest; false when the line has no more fields.
bool NextField(std::string_view& rest, std::string_view& field, bool& more) {
  if (!more) return false;
  const auto tab = rest.find('\t');
  if (tab == std::string_view::npos) {
    field = rest;
    more = false;
  } else {
    field = rest.substr(0, tab);
    rest.remove_prefix(tab + 1);
  }
  return true;
}

float Share(int part, int whole) {
  if (whole < kMinReferenceSamples) return -1;
  return std::clamp(static_cast<float>(part) / static_cast<float>(whole), kProbabilityFloor,
                    1 - kProbabilityFloor);
}

}  // namespace

std::uint8_t GenotypeCode(std::string_view field) {
  if (field.empty()) return kNoCall;
  switch (field[0]) {
    case 'A':
      return field.size() > 1 && field[1] != 'A' ? kCallAB : kCallAA;
    case 'B':
      return kCallBB;
    case 'H':
      return kCallAB;
    default:
      return kNoCall;
  }
}

void REFERENCE_GENOTYPES::Clear() {
  std::vector<std::uint8_t>().swap(calls);
  sampleCount = 0;
  unitCount = 0;
  loaded = 0;
}

bool REFERENCE_GENOTYPES::ReadRefGenotypeFile(const char* path) {
  // Read within the genome information read, whose flag it leaves as found.
  const RaisedWhenIdle running;
  loaded = 0;
  platform::LineReader reader;
  if (!OpenLinesOrLog(reader, path, kRefGenotypeLineLength,
                      MessageBuffer(kRefGenotypeOpenFailedMessage, path)))
    return false;
  LogMessage(MessageBuffer(kRefGenotypeReadingMessage, path));
  Clear();

  std::string_view line;
  int samples = 0;
  const platform::LineStatus header = reader.Next(line);
  if (header == platform::LineStatus::kWhole || header == platform::LineStatus::kCut) {
    const auto tab = line.find('\t');
    if (tab != std::string_view::npos) {
      std::string_view fields = line.substr(tab + 1);
      bool more = true;
      std::string_view field;
      while (NextField(fields, field, more) && !field.empty()) ++samples;
    }
  }
  // An empty file, or a header naming no sample, gives no rates to count.
  if (samples == 0) {
    LogMessage(kRefGenotypeNoSamplesMessage, 0, kLogRed);
    return false;
  }
  const std::size_t units = static_cast<std::size_t>(std::max(Layout.unitCount, 0));
  if (units != 0 && static_cast<std::size_t>(samples) > kMaxReferenceBytes / units) {
    LogMessage(kRefGenotypeTooLargeMessage, 0, kLogRed);
    return false;
  }
  try {
    calls.assign(static_cast<std::size_t>(samples) * units, kNoCall);
  } catch (const std::bad_alloc&) {
    LogMessage(kRefGenotypeTooLargeMessage, 0, kLogRed);
    return false;
  }
  sampleCount = samples;
  unitCount = static_cast<int>(units);

  JobProgress& progress = Progress();
  LogMessage(MessageBuffer(kRefGenotypeLineMessage, 0));
  progress.Pump();
  int lineCount = 0;
  int found = 0;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status != platform::LineStatus::kWhole && status != platform::LineStatus::kCut) break;
    ++lineCount;
    bool more = true;
    std::string_view field;
    NextField(line, field, more);
    const std::string name = UnitName(field);
    const int unit = name.empty() ? -1 : FindUnit(name, true);
    if (unit >= 0 && unit < unitCount) {
      for (int s = 0; s < sampleCount; ++s) {
        const std::uint8_t code = NextField(line, field, more) ? GenotypeCode(field) : kNoCall;
        calls[static_cast<std::size_t>(s) * units + static_cast<std::size_t>(unit)] = code;
      }
      ++found;
    }
    if (lineCount % kRefGenotypeProgressStep == 0) {
      progress.Pump();
      progress.ShowProgress(MessageBuffer(kRefGenotypeLineMessage, lineCount));
      if (progress.Stopped(kRefGenotypeStoppedMessage)) {
        Clear();
        return false;
      }
    }
  }
  LogMessage(MessageBuffer(kRefGenotypeDoneMessage, found, sampleCount));
  loaded = 1;
  return true;
}

float REFERENCE_GENOTYPES::HetRate(int unit, int n) const {
  if (unit < 0 || unit >= unitCount) return -1;
  int called = 0;
  int het = 0;
  for (int s = 0, count = Samples(n); s < count; ++s) {
    const std::uint8_t code = Call(s, unit);
    called += code <= kCallAB ? 1 : 0;
    het += code == kCallAB ? 1 : 0;
  }
  return Share(het, called);
}

void REFERENCE_GENOTYPES::DependenceProb(int unit, int nextUnit, float* homRate, float* hetRate,
                                         int n) const {
  int hom = 0;
  int homHom = 0;
  int het = 0;
  int hetHet = 0;
  if (unit >= 0 && unit < unitCount && nextUnit >= 0 && nextUnit < unitCount) {
    for (int s = 0, count = Samples(n); s < count; ++s) {
      const std::uint8_t a = Call(s, unit);
      const std::uint8_t b = Call(s, nextUnit);
      if (a > kCallAB || b > kCallAB) continue;
      if (a == kCallAB) {
        ++het;
        hetHet += b == kCallAB ? 1 : 0;
      } else {
        ++hom;
        homHom += b != kCallAB ? 1 : 0;
      }
    }
  }
  *homRate = Share(homHom, hom);
  *hetRate = Share(hetHet, het);
}

void ComputeReferenceRates(GENOME_INFO& info, const REFERENCE_GENOTYPES& reference) {
  const int unitLimit = static_cast<int>(info.Unit.size());
  for (int k = 0; k < info.NumChro && k < MAX_CHRO_NUM; ++k) {
    const std::vector<PositionEntry>& list = info.posList[static_cast<std::size_t>(k)];
    for (std::size_t m = 0; m < list.size(); ++m) {
      const int u = list[m].index;
      if (u < 0 || u >= unitLimit) continue;
      UNIT_POS& unit = info.Unit[static_cast<std::size_t>(u)];
      unit.rate[0] = reference.HetRate(u);
      if (m + 1 < list.size()) {
        reference.DependenceProb(u, list[m + 1].index, &unit.rate[1], &unit.rate[2]);
      }
    }
  }
}
