// The gene stretch assessment of the Analysis/Genome command.
#include "genome/stretch/gene_stretch.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <utility>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/info/gene_info.hpp"
#include "genome/info/analysis_flag.hpp"

#define MATHLIB_STANDALONE
#include <Rmath.h>

GeneStretches gene_stretches;

double BinomialUpperTail(int n, double d, int k) {
  if (k <= 0) return 1.0;
  if (k > n) return 0.0;
  // The upper tail of the distribution function through the incomplete beta: no term
  // overflows however long the list.
  return pbinom(static_cast<double>(k - 1), static_cast<double>(n), std::clamp(d, 0.0, 1.0), 0, 0);
}

namespace {

struct Candidate {
  double pValue = 1;  // 1: none
  double proportion = 0;
  int end = 0;
};

bool Live(const Candidate& c) {
  return c.pValue < 1;
}

std::string UnitName(int unit) {
  return unit >= 0 && static_cast<std::size_t>(unit) < Layout.units.size()
             ? Layout.units[static_cast<std::size_t>(unit)].name
             : std::string();
}

void LogStretchGenes(int firstIndex, int lastIndex) {
  for (int k = firstIndex; k <= lastIndex; ++k) {
    const int unit = genome_info.stretchList[static_cast<std::size_t>(k)];
    const UNIT_POS& u = genome_info.Unit[static_cast<std::size_t>(unit)];
    std::string name;
    std::string geneId;
    if (const GENE_INFO* gene = GeneInfo.Gene(unit)) {
      name = std::string(gene->Name.substr(0, kStretchGeneNameLength));
      geneId = std::string(gene->LocusLink);
    }
    LogMessage(MessageBuffer(kStretchGeneMessage, UnitName(unit).c_str(), name.c_str(),
                             geneId.c_str(), static_cast<double>(u.pos) * 1e-6,
                             static_cast<double>(u.second) * 1e-6));
  }
}

}  // namespace

std::vector<FoundStretch> FindGeneStretches(std::span<const float> positions, double length,
                                            double threshold, int& assessments,
                                            const std::function<bool()>& afterStart) {
  const int n = static_cast<int>(positions.size());
  std::vector<Candidate> candidates(positions.size());
  auto at = [&](int k) -> Candidate& { return candidates[static_cast<std::size_t>(k)]; };
  for (int s = 0; s < n; ++s) {
    const int ends = std::min(n, s + kMaxStretchGenes);
    for (int e = s + 1; e < ends; ++e) {
      const double d = length > 0 ? (static_cast<double>(positions[static_cast<std::size_t>(e)]) -
                                     static_cast<double>(positions[static_cast<std::size_t>(s)])) /
                                        length
                                  : 1.0;
      const double p = BinomialUpperTail(n, d, e - s);
      ++assessments;
      if (!(p < threshold)) continue;
      // The longer stretch from a start wins, not the smaller p-value.
      if (!Live(at(s)) || at(s).end < e) at(s) = {p, d, e};
      // Stretches within this one go; this one goes when an earlier one holds it. Only
      // candidates within kMaxStretchGenes of each other can nest.
      for (int t = s + 1; t < e; ++t)
        if (Live(at(t)) && at(t).end <= e) at(t) = {};
      for (int t = std::max(0, e - kMaxStretchGenes + 1); t < s; ++t) {
        if (Live(at(t)) && at(t).end >= e) {
          at(s) = {};
          break;
        }
      }
    }
    if (afterStart && !afterStart()) return {};
  }
  std::vector<FoundStretch> found;
  for (int s = 0; s < n; ++s)
    if (Live(at(s))) found.push_back({s, at(s).end, at(s).pValue, at(s).proportion});
  return found;
}

bool GetChroPValue(int chro, double threshold) {
  GeneStretches& g = gene_stretches;
  const auto c = static_cast<std::size_t>(chro);
  int n = g.listedCount[c];
  std::vector<std::pair<float, int>> listed;
  std::vector<float> positions;
  try {
    listed.reserve(static_cast<std::size_t>(n));
    positions.reserve(static_cast<std::size_t>(n));
    genome_info.stretchList.clear();
    genome_info.stretchList.reserve(static_cast<std::size_t>(n));
  } catch (const std::bad_alloc&) {
    LogMessage(kStretchAllocationMessage, 0, kLogRed);
    return false;
  }
  for (std::size_t u = 0; u < genome_info.Unit.size(); ++u) {
    const UNIT_POS& unit = genome_info.Unit[u];
    if (unit.chro == chro && unit.pos >= 0 && GeneList.Listed(static_cast<int>(u)))
      listed.emplace_back(unit.pos, static_cast<int>(u));
  }
  if (static_cast<int>(listed.size()) != n) {
    LogMessage(kStretchCountMessage);
    return false;
  }
  std::stable_sort(listed.begin(), listed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  // Genes at one position count once: the first of them stays.
  for (const auto& [pos, unit] : listed) {
    if (!positions.empty() && !(pos > positions.back())) continue;
    positions.push_back(pos);
    genome_info.stretchList.push_back(unit);
  }
  n = static_cast<int>(positions.size());

  bool stopped = false;
  const std::vector<FoundStretch> found =
      FindGeneStretches(positions, static_cast<double>(genome_info.chroLength[c]), threshold,
                        g.assessmentCount, [&stopped] {
                          Progress().Pump();
                          stopped = Progress().Stopped(kStretchStoppedMessage);
                          return !stopped;
                        });
  if (stopped) return false;
  const std::string chroName = genome_info.GetChroName(chro);
  for (const FoundStretch& f : found) {
    LogMessage(
        MessageBuffer(kStretchFoundMessage, chroName.c_str(), f.first + 1, f.last + 1, f.pValue));
    LogStretchGenes(f.first, f.last);
    LogMessage("");
    GENE_STRETCH& stretch = g.stretches[static_cast<std::size_t>(g.stretchCount)];
    stretch = GENE_STRETCH{};
    stretch.chro = static_cast<std::int16_t>(chro);
    stretch.start = positions[static_cast<std::size_t>(f.first)];
    stretch.end = positions[static_cast<std::size_t>(f.last)];
    stretch.pValue = static_cast<float>(f.pValue);
    stretch.proportion = static_cast<float>(f.proportion);
    if (++g.stretchCount >= MAX_STRETCH) {
      LogMessage(kStretchLimitMessage, 0, kLogRed);
      return false;
    }
  }
  return true;
}

bool GetAllChroPValue(double threshold) {
  const RaisedWhenIdle running;
  LogMessage(kStretchStartMessage);
  GeneStretches& g = gene_stretches;
  g.Clear();
  for (std::size_t u = 0; u < genome_info.Unit.size(); ++u) {
    const UNIT_POS& unit = genome_info.Unit[u];
    if (!GeneList.Listed(static_cast<int>(u))) continue;
    ++g.listLength;
    if (unit.chro >= 0 && unit.chro < MAX_CHRO_NUM && unit.pos >= 0)
      ++g.listedCount[static_cast<std::size_t>(unit.chro)];
  }
  for (int chro = 0; chro < genome_info.NumChro && chro < MAX_CHRO_NUM; ++chro)
    if (!GetChroPValue(chro, threshold)) return false;
  LogMessage(MessageBuffer(kStretchSummaryMessage, g.stretchCount, threshold, g.assessmentCount));
  return true;
}
