#include "genome/linkage/linkage_analysis.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <new>

#include "engine/base/missing_value.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/linkage/bit_count.hpp"
#include "genome/linkage/inheritance_transition.hpp"
#include "platform/runtime_rand.hpp"

#define MATHLIB_STANDALONE
#include <Rmath.h>

namespace {

constexpr std::array<const char*, 4> kCallNames = {"A", "B", "AB", "NoCall"};
constexpr std::array<const char*, 4> kMendelianTexts = {"", "Father", "Mother", "Parents"};
constexpr int kReportEvery = 5;
constexpr const char* kAllocationMessage = "    Allocation failed in GetP()";
// P(data | v) kept for the way back up to this many floats (256 MB).
constexpr std::uint64_t kKeptLikelihoodFloats = std::uint64_t{1} << 26;

bool InUnitRange(float x) {
  return x >= 0 && x <= 1;
}

// A distribution over vectors, one float each.
using Vectors = std::vector<float>;

std::uint8_t PhasedCode(int first, int second) {
  if (first < 0 || second < 0) return kNoCall;
  if (first == second) return static_cast<std::uint8_t>(first);
  return first == 0 ? 4 : 5;
}

}  // namespace

void LinkageAnalysis::Free() {
  pedigree = Pedigree();
}

bool LinkageAnalysis::Check(const LinkageChromosome& data) const {
  const int markers = static_cast<int>(data.markers.size());
  const int persons = static_cast<int>(pedigree.Persons().size());
  const std::array<std::pair<const char*, float>, 4> ranges = {
      {{"the disease allele frequency", settings.diseaseFrequency},
       {"the penetrance", settings.penetrance},
       {"the phenocopy rate", settings.phenocopy},
       {"the genotyping error rate", settings.errorRate}}};
  for (const auto& [name, value] : ranges)
    if (!InUnitRange(value)) {
      LogMessage(MessageBuffer(kSettingRangeMessage, name, value), 0, kLogRed);
      return false;
    }
  // Checked before anything is written, since no window may exceed what is stored.
  if (std::min(std::max(settings.windowLength, 1), markers) > kMaxMarker - 1) {
    LogMessage(kWindowLimitMessage, 0, kLogRed);
    return false;
  }
  if (data.calls.size() != static_cast<std::size_t>(persons) * static_cast<std::size_t>(markers)) {
    LogMessage(MessageBuffer(kCallTableMessage, data.calls.size(), persons, markers), 0, kLogRed);
    return false;
  }
  if (settings.inheritance == kLohInheritance &&
      (data.secondCalls.size() != data.calls.size() || data.loh.size() != data.calls.size())) {
    LogMessage(kLohValuesMessage, 0, kLogRed);
    return false;
  }
  for (const LinkageMarker& m : data.markers)
    if (!(m.frequency > 0 && m.frequency < 1)) {
      LogMessage(MessageBuffer(kNoFrequencyMessage, m.name.c_str()), 0, kLogRed);
      return false;
    }
  return pedigree.Bits() > 0;
}

void LinkageAnalysis::CheckMendelian(const LinkageChromosome& data, int marker, bool log,
                                     std::uint8_t* codes, std::uint8_t* flags) const {
  const auto& persons = pedigree.Persons();
  const std::size_t markers = data.markers.size();
  const bool loh = settings.inheritance == kLohInheritance;
  for (std::size_t i = 0; i < persons.size(); ++i) {
    // A tumour alone is no germline call; what it says enters through Observe.
    codes[i] = loh && persons[i].pairKind == kPairTumour
                   ? static_cast<std::uint8_t>(kNoCall)
                   : data.calls[i * markers + static_cast<std::size_t>(marker)];
    flags[i] = 0;
  }
  for (std::size_t i = 0; i < persons.size(); ++i) {
    const PedigreePerson& p = persons[i];
    if (p.fatherIndex < 0 || codes[i] == kNoCall) continue;
    const int f = codes[p.fatherIndex], m = codes[p.motherIndex], c = codes[i];
    int error = 0;
    if (c == kCallAA) error = f == kCallBB ? 1 : m == kCallBB ? 2 : 0;
    if (c == kCallBB) error = f == kCallAA ? 1 : m == kCallAA ? 2 : 0;
    if (c == kCallAB && f == m && (f == kCallAA || f == kCallBB)) error = 3;
    if (error == 0) continue;
    if (log)
      LogMessage(
          MessageBuffer("    Mendelian error at [%s, %s], inconsistent with %s (%s*%s->%s), set to "
                        "NO_CALL",
                        data.markers[static_cast<std::size_t>(marker)].name.c_str(),
                        p.arrayName.c_str(), kMendelianTexts[static_cast<std::size_t>(error)],
                        kCallNames[static_cast<std::size_t>(f)],
                        kCallNames[static_cast<std::size_t>(m)],
                        kCallNames[static_cast<std::size_t>(c)]),
          0, kLogRed);
    codes[i] = kNoCall;
    flags[i] = kHaplotypeMendelian;
  }
}

int LinkageAnalysis::TumourCall(const LinkageChromosome& data, std::size_t person,
                                int marker) const {
  if (settings.inheritance != kLohInheritance || pedigree.Persons()[person].pairKind == kPairNormal)
    return kNoCall;
  return data.secondCalls[person * data.markers.size() + static_cast<std::size_t>(marker)];
}

int LinkageAnalysis::TumourLoh(const LinkageChromosome& data, std::size_t person,
                               int marker) const {
  if (settings.inheritance != kLohInheritance || pedigree.Persons()[person].pairKind == kPairNormal)
    return kLohNoCall;
  const float x = data.loh[person * data.markers.size() + static_cast<std::size_t>(marker)];
  return IsMissing(x) ? kLohNoCall : CHROMOSOME::ClassifyInferredLoh(x, settings.lohThreshold);
}

// LOH mode, genotype test: a person without a germline call but with a called tumour takes
// the tumour's call where the tumour retains heterozygosity (its genotype is the germline's);
// where it lost it, a homozygous tumour X only says the germline carries X (AA or AB for A);
// elsewhere, or with an AB tumour that lost heterozygosity, the tumour says nothing.
MarkerObservation LinkageAnalysis::Observe(const LinkageChromosome& data, int marker,
                                           const std::uint8_t* codes, float frequency) const {
  MarkerObservation o;
  o.p = frequency;
  const float e = settings.errorRate;
  for (std::size_t i = 0; i < pedigree.Persons().size(); ++i) {
    if (codes[i] != kNoCall) {
      o.observed.push_back({static_cast<int>(i), CallTerm(codes[i], e), codes[i]});
      continue;
    }
    const int tumour = TumourCall(data, i, marker);
    if (tumour == kNoCall) continue;
    const int state = TumourLoh(data, i, marker);
    if (state == kLohRetention) {
      o.observed.push_back({static_cast<int>(i), CallTerm(tumour, e), tumour});
    } else if (state == kLohLoss && tumour != kCallAB) {
      // States 0 and 1 are the alleles A and B; the term holds no single call.
      std::array<float, 4> term{};
      for (int s = 0; s < 4; ++s)
        term[static_cast<std::size_t>(s)] = (s >> 1) == tumour || (s & 1) == tumour ? 1 - e : e / 2;
      o.observed.push_back({static_cast<int>(i), term, kNoCall});
    }
  }
  return o;
}

// LOH mode, carrier test: one inherited disease allele makes a carrier (the tumour's loss
// of the other is the second hit), and a tumour's LOH at the marker stands in for the
// affection there: a loss counts as affected (penetrance for a carrier, phenocopy for a
// sporadic loss), retention as unaffected; without an LOH call the file's affection holds.
MarkerObservation LinkageAnalysis::Phenotypes(const LinkageChromosome* data, int marker) const {
  MarkerObservation o;
  o.p = settings.diseaseFrequency;
  const auto& persons = pedigree.Persons();
  const bool carrierByOne = settings.inheritance != kRecessive;
  for (std::size_t i = 0; i < persons.size(); ++i) {
    int a = persons[i].affection;
    const int state = data != nullptr && marker >= 0 ? TumourLoh(*data, i, marker) : kLohNoCall;
    if (state == kLohLoss) a = kAffected;
    if (state == kLohRetention) a = kUnaffected;
    if (a != kAffected && a != kUnaffected) continue;
    o.observed.push_back({static_cast<int>(i),
                          PhenotypeTerm(a, carrierByOne, settings.penetrance, settings.phenocopy)});
  }
  return o;
}

std::vector<float> LinkageAnalysis::DiseaseVector() {
  std::vector<float> disease(pedigree.VectorCount());
  VectorLikelihood likelihood(pedigree);
  likelihood.Evaluate(Phenotypes(), disease.data());
  return disease;
}

bool LinkageAnalysis::RunChromosome(const LinkageChromosome& data, LinkageResult& result,
                                    const PosteriorObserver& observer) {
  if (!Check(data)) return false;
  const int markers = static_cast<int>(data.markers.size());
  LogMessage(MessageBuffer("  Linkage analysis for chromosome %d...\n", data.chromosome + 1));
  std::vector<float> disease;
  try {
    result.lod.assign(static_cast<std::size_t>(markers), kMissingValueFloat);
    result.chosen.assign(static_cast<std::size_t>(markers), 0);
    result.haplotypes.assign(pedigree.Persons().size() * static_cast<std::size_t>(markers),
                             HaplotypeRecord{});
    disease = DiseaseVector();
  } catch (const std::bad_alloc&) {
    LogMessage(kAllocationMessage, 0, kLogRed);
    return false;
  }
  result.logLikelihood = 0;
  result.degenerate = false;
  result.diseaseLocus = -1;
  const int window = std::max(settings.windowLength, 1);
  for (int first = 0; first < markers; first += window) {
    const int last = std::min(markers, first + window) - 1;
    LogMessage(
        MessageBuffer("  Chro %d, marker %d - %d", data.chromosome + 1, first + 1, last + 1));
    bool done = false;
    try {
      done = RunWindow(data, first, last, disease, result, observer);
    } catch (const std::bad_alloc&) {
      LogMessage(kAllocationMessage, 0, kLogRed);
    }
    if (!done) return false;
    Haplotype(data, first, last, result);
  }
  return true;
}

bool LinkageAnalysis::RunWindow(const LinkageChromosome& data, int first, int last,
                                const std::vector<float>& disease, LinkageResult& result,
                                const PosteriorObserver& observer) {
  const std::size_t persons = pedigree.Persons().size();
  const std::uint32_t n = pedigree.VectorCount();
  const int bits = pedigree.Bits();
  FlushTinyValues flush;

  // The window's calls after the Mendelian check, and which markers carry information.
  const int span = last - first + 1;
  std::vector<std::uint8_t> codes(persons * static_cast<std::size_t>(span));
  std::vector<std::uint8_t> flags(persons);
  std::vector<int> informative;
  for (int k = 0; k < span; ++k) {
    std::uint8_t* c = codes.data() + persons * static_cast<std::size_t>(k);
    CheckMendelian(data, first + k, true, c, flags.data());
    bool anyA = false, anyB = false;
    for (std::size_t i = 0; i < persons; ++i) {
      // Whatever a tumour lost, the alleles it shows are the germline's.
      const int t = TumourCall(data, i, first + k);
      anyA = anyA || c[i] == kCallAA || c[i] == kCallAB || t == kCallAA || t == kCallAB;
      anyB = anyB || c[i] == kCallBB || c[i] == kCallAB || t == kCallBB || t == kCallAB;
    }
    if (!settings.skipNoninformative || (anyA && anyB)) informative.push_back(k);
  }
  const int count = static_cast<int>(informative.size());
  if (count == 0) return true;

  // The reduction's shortcuts read germline calls only, which the LOH mode's tumour terms
  // are not.
  const bool loh = settings.inheritance == kLohInheritance;
  LikelihoodBatch likelihood(pedigree, settings.inheritReduction && !loh);
  bool quiet = false;  // the recomputation repeats the first pass's messages otherwise
  ReductionCount reduced;
  std::vector<MarkerObservation> observed;
  std::vector<ReductionCount> counts;
  // P(data | v) of informative markers [from, to) into out, one vector each.
  auto evaluate = [&](int from, int to, float* out) {
    observed.clear();
    for (int j = from; j < to; ++j) {
      const int k = informative[static_cast<std::size_t>(j)];
      observed.push_back(Observe(data, first + k,
                                 codes.data() + persons * static_cast<std::size_t>(k),
                                 data.markers[static_cast<std::size_t>(first + k)].frequency));
    }
    counts.assign(observed.size(), ReductionCount{});
    if (!likelihood.Evaluate(observed, out, counts.data())) return false;
    if (!settings.inheritReduction || loh || quiet) return true;
    for (int j = from; j < to; ++j) {
      const ReductionCount& done = counts[static_cast<std::size_t>(j - from)];
      reduced.evaluated += done.evaluated;
      reduced.nodes += done.nodes;
      if ((j + 1) % kReportEvery == 0)
        LogMessage(MessageBuffer("  %llu p(data|v) evaluated (all %u)",
                                 static_cast<unsigned long long>(done.evaluated), n));
    }
    return true;
  };
  // A stop asked for inside a marker's vectors ends the run as one between markers does.
  auto stoppedInside = [] {
    LogMessage(kUserStopMessage, 0, kLogRed);
    return false;
  };
  auto stopped = [] {
    Progress().Pump();
    return Progress().Stopped();
  };

  // Recombination fractions into each informative marker from the one before.
  std::vector<double> theta(static_cast<std::size_t>(count), 0);
  float previous = -1;
  for (int j = 0; j < count; ++j) {
    const int marker = first + informative[static_cast<std::size_t>(j)];
    const float position = data.markers[static_cast<std::size_t>(marker)].centiMorgans;
    if (j > 0 && (position == -1 || position < previous)) {
      LogMessage(
          MessageBuffer("    Inconsistent or missing genetic distance for marker %d, %s; "
                        "use that of the previous marker",
                        marker + 1, data.markers[static_cast<std::size_t>(marker)].name.c_str()));
      continue;
    }
    if (j > 0) theta[static_cast<std::size_t>(j)] = HaldaneTheta(position - previous);
    previous = position;
  }

  // Forward vectors are kept only at checkpoints and recomputed block by block on the way
  // back, so storage grows with the square root of the markers, not with them.
  const int block = std::max(1, static_cast<int>(std::ceil(std::sqrt(count))));
  const int blocks = (count + block - 1) / block;
  const auto at = [n](Vectors& v, int i) { return v.data() + static_cast<std::size_t>(i) * n; };
  Vectors checkpoints(static_cast<std::size_t>(blocks) * n);
  Vectors forward(static_cast<std::size_t>(block) * n);
  Vectors work(n), stored(n), posterior(n);
  const int batch = likelihood.Size();
  // P(data | v) of every marker is kept for the way back when it fits, so that large
  // pedigrees compute it once; otherwise it is computed again block by block.
  const bool keep = static_cast<std::uint64_t>(count) * n <= kKeptLikelihoodFloats;
  Vectors kept(keep ? static_cast<std::size_t>(count) * n : 0);
  Vectors ahead(keep ? 0 : static_cast<std::size_t>(batch) * n);
  Vectors data1(keep ? 0 : static_cast<std::size_t>(block) * n);
  // Marker j's P(data | v) in the forward pass (j in the batch last evaluated) and on the way
  // back (j in the block last evaluated, which starts at start).
  const auto aheadOf = [&](int j) { return keep ? at(kept, j) : at(ahead, j % batch); };
  const auto backOf = [&](int j, int start) { return keep ? at(kept, j) : at(data1, j - start); };

  // p holds the marker's P(data | v).
  auto step = [&](int j, float* into, const float* before, const float* p, bool report) {
    if (j == 0 || before == nullptr) {
      std::copy(p, p + n, into);
    } else {
      TransitionVectors(before, into, bits, pedigree.FounderFlips(),
                        theta[static_cast<std::size_t>(j)], settings.oneCrossover);
      MultiplyVectors(into, p, n);
    }
    bool degenerate = false;
    const int logging = LogEnabled;
    if (quiet) LogEnabled = 0;
    const float logProb = MakeProb(into, n, true, &degenerate);
    LogEnabled = logging;
    if (report) {
      result.logLikelihood += logProb;
      result.degenerate = result.degenerate || degenerate;
    }
    return logProb;
  };

  LogMessage("  Compute forward probabilities...");
  result.logLikelihood -= std::log10(static_cast<double>(n));
  for (int j = 0; j < count; ++j) {
    float* into = at(forward, j % 2);
    const float* before = j > 0 ? at(forward, (j + 1) % 2) : nullptr;
    if (j % batch == 0 && !evaluate(j, std::min(count, j + batch), aheadOf(j)))
      return stoppedInside();
    const float logProb = step(j, into, before, aheadOf(j), true);
    if (j % block == 0) std::copy(into, into + n, at(checkpoints, j / block));
    if ((j + 1) % kReportEvery == 0)
      LogMessage(MessageBuffer("    Marker %d, log_prob %f",
                               first + informative[static_cast<std::size_t>(j)] + 1, logProb));
    if (stopped()) return false;
  }

  LogMessage("  Compute backward probabilities and multi-locus LOD score...");
  // The LOH mode's phenotypes change from marker to marker, and so does the disease vector.
  auto prob0Of = [n](const std::vector<float>& d) {
    double sum = 0;
    for (float x : d) sum += x;
    return std::log10(sum) - std::log10(static_cast<double>(n));
  };
  double prob0 = prob0Of(disease);
  std::vector<float> markerDisease;
  std::unique_ptr<VectorLikelihood> diseaseLikelihood;
  if (loh) {
    markerDisease.resize(n);
    diseaseLikelihood = std::make_unique<VectorLikelihood>(pedigree);
  }
  const int limit = bits / 3;
  quiet = true;
  for (int b = blocks - 1; b >= 0; --b) {
    const int start = b * block, end = std::min(count, start + block);
    if (!keep && !evaluate(start, end, at(data1, 0))) return stoppedInside();
    for (int j = start; j < end; ++j) {
      float* into = at(forward, j - start);
      if (j == start) {
        std::copy(at(checkpoints, b), at(checkpoints, b) + n, into);
      } else {
        step(j, into, at(forward, j - start - 1), backOf(j, start), false);
      }
    }
    for (int j = end - 1; j >= start; --j) {
      const int marker = first + informative[static_cast<std::size_t>(j)];
      if (j == count - 1)
        std::fill(work.begin(), work.end(), 1.0f);
      else
        TransitionVectors(stored.data(), work.data(), bits, pedigree.FounderFlips(),
                          theta[static_cast<std::size_t>(j + 1)], settings.oneCrossover);
      const float* f = at(forward, j - start);
      ProductOfVectors(f, work.data(), posterior.data(), n);
      MakeProb(posterior.data(), n, true, &result.degenerate);
      const float* d = disease.data();
      if (loh) {
        diseaseLikelihood->Evaluate(Phenotypes(&data, marker), markerDisease.data());
        prob0 = prob0Of(markerDisease);
        d = markerDisease.data();
      }
      double linked = 0;
      for (std::uint32_t v = 0; v < n; ++v) linked += static_cast<double>(posterior[v]) * d[v];
      const auto lod = static_cast<float>(std::log10(linked) - prob0);
      result.lod[static_cast<std::size_t>(marker)] = lod;
      if (observer) observer(marker, posterior.data());

      // The most likely vector close to the next marker's, so haplotypes do not jump.
      const bool bounded = j < count - 1 && limit > 0;
      const std::uint32_t next = bounded
                                     ? result.chosen[static_cast<std::size_t>(
                                           first + informative[static_cast<std::size_t>(j + 1)])]
                                     : 0;
      std::uint32_t best = 0;
      float bestValue = -1;
      for (std::uint32_t v = 0; v < n; ++v) {
        if (bounded && BitCount(v ^ next) >= limit) continue;
        if (posterior[v] > bestValue) bestValue = posterior[v], best = v;
      }
      result.chosen[static_cast<std::size_t>(marker)] = best;

      const float* p = backOf(j, start);
      ProductOfVectors(work.data(), p, stored.data(), n);
      MakeProb(stored.data(), n, true, &result.degenerate);
      if ((j + 1) % kReportEvery == 0)
        LogMessage(MessageBuffer("    Marker %d, Genetic dist %.2f, Lod score %f", marker + 1,
                                 data.markers[static_cast<std::size_t>(marker)].centiMorgans, lod));
      if (stopped()) return false;
    }
  }
  if (settings.inheritReduction)
    LogMessage(MessageBuffer(
        "  On average %llu prob(data|v), %llu memory units for each of %d informative markers "
        "(total %llu)",
        static_cast<unsigned long long>(reduced.evaluated / static_cast<std::uint64_t>(count)),
        static_cast<unsigned long long>(reduced.nodes / static_cast<std::uint64_t>(count)), count,
        static_cast<unsigned long long>(reduced.evaluated)));
  // Markers left out take the vector of the informative marker after them (or before).
  int neighbour = informative.back();
  for (int k = span - 1; k >= 0; --k) {
    if (std::binary_search(informative.begin(), informative.end(), k)) {
      neighbour = k;
      continue;
    }
    result.chosen[static_cast<std::size_t>(first + k)] =
        result.chosen[static_cast<std::size_t>(first + neighbour)];
  }
  return true;
}

void LinkageAnalysis::Haplotype(const LinkageChromosome& data, int first, int last,
                                LinkageResult& result) {
  LogMessage("  Haplotyping...");
  const auto& persons = pedigree.Persons();
  const std::size_t markers = data.markers.size();
  std::vector<std::uint8_t> codes(persons.size()), flags(persons.size());
  std::array<int, 2 * kMaxPerson> alleles{}, best{};
  for (int m = first; m <= last; ++m) {
    CheckMendelian(data, m, false, codes.data(), flags.data());
    pedigree.Descent(result.chosen[static_cast<std::size_t>(m)], alleles.data());
    ComponentLikelihood(
        Observe(data, m, codes.data(), data.markers[static_cast<std::size_t>(m)].frequency),
        alleles.data(), pedigree.FounderAlleles(), best.data());
    for (std::size_t i = 0; i < persons.size(); ++i) {
      if (persons[i].array < 0) continue;
      HaplotypeRecord& r = result.haplotypes[i * markers + static_cast<std::size_t>(m)];
      r.first = static_cast<std::uint8_t>(alleles[2 * i]);
      r.second = static_cast<std::uint8_t>(alleles[2 * i + 1]);
      r.code = PhasedCode(best[static_cast<std::size_t>(r.first)],
                          best[static_cast<std::size_t>(r.second)]);
      r.flag = flags[i];
      const int call = persons[i].pairKind == kPairTumour && settings.inheritance == kLohInheritance
                           ? kNoCall
                           : data.calls[i * markers + static_cast<std::size_t>(m)];
      const int inferred = r.code >= 4 ? kCallAB : r.code;
      if (call != kNoCall && r.code != kNoCall && inferred != call) r.flag |= kHaplotypeMismatch;
    }
  }
}

bool LinkageAnalysis::Simulate(LinkageChromosome& data, LinkageResult& result, std::int64_t seed) {
  if (settings.inheritance == kLohInheritance) {
    LogMessage(kLohSimulationMessage, 0, kLogRed);
    return false;
  }
  if (!Check(data)) return false;
  const int markers = static_cast<int>(data.markers.size());
  if (markers == 0) return false;
  const auto& persons = pedigree.Persons();
  const std::size_t people = persons.size();
  const int bits = pedigree.Bits();
  const int founderAlleles = pedigree.FounderAlleles();
  LogMessage(MessageBuffer("  Simulate data for chromosome %d...", data.chromosome + 1));
  const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(seed));
  const auto high = static_cast<std::uint32_t>(static_cast<std::uint64_t>(seed) >> 32);
  platform::SeedRand(low);
  set_seed(low, high);
  const int locus = platform::Rand() % markers;
  const LinkageMarker& at = data.markers[static_cast<std::size_t>(locus)];
  LogMessage(
      MessageBuffer("    Simulated disease locus is at marker %s, position %.3f Mb; "
                    "random seed %lld\n",
                    at.name.c_str(), at.megabases, static_cast<long long>(seed)));
  LogMessage(
      "    Use 'D' to view simulated haplotype and 'Chromosome/Linkage analysis' (uncheck "
      "'Simulate data') to perform linkage analysis on the simulated data");

  // Crossovers into each marker from the one before.
  std::vector<std::uint32_t> crossing(static_cast<std::size_t>(markers), 0);
  float previous = data.markers[0].centiMorgans;
  for (int m = 1; m < markers; ++m) {
    float position = data.markers[static_cast<std::size_t>(m)].centiMorgans;
    if (position == -1 || position < previous) position = previous;
    const double theta = previous == -1 ? 0 : HaldaneTheta(position - previous);
    std::uint32_t& cross = crossing[static_cast<std::size_t>(m)];
    for (int b = 0; b < bits; ++b)
      if (runif(0, 1) < theta) cross |= 1u << b;
    // A founder's fixed meiosis recombines too: its vector flips all the founder's bits.
    for (const std::uint32_t flip : pedigree.FounderFlips())
      if (runif(0, 1) < theta) cross ^= flip;
    previous = position;
  }

  const std::vector<float> disease = DiseaseVector();
  const auto top = static_cast<std::uint32_t>(std::max_element(disease.begin(), disease.end()) -
                                              disease.begin());
  std::vector<std::uint32_t> vectors(static_cast<std::size_t>(markers));
  vectors[static_cast<std::size_t>(locus)] = top;
  for (int m = locus + 1; m < markers; ++m)
    vectors[static_cast<std::size_t>(m)] =
        vectors[static_cast<std::size_t>(m - 1)] ^ crossing[static_cast<std::size_t>(m)];
  for (int m = locus - 1; m >= 0; --m)
    vectors[static_cast<std::size_t>(m)] =
        vectors[static_cast<std::size_t>(m + 1)] ^ crossing[static_cast<std::size_t>(m + 1)];

  result.lod.assign(static_cast<std::size_t>(markers), 0.0f);
  result.lod[static_cast<std::size_t>(locus)] = 2;
  result.chosen = vectors;
  result.haplotypes.assign(people * static_cast<std::size_t>(markers), HaplotypeRecord{});
  result.diseaseLocus = locus;
  std::array<int, 2 * kMaxPerson> alleles{}, states{};
  for (int m = 0; m < markers; ++m) {
    pedigree.Descent(vectors[static_cast<std::size_t>(m)], alleles.data());
    if (m == locus) {
      ComponentLikelihood(Phenotypes(), alleles.data(), founderAlleles, states.data());
    } else {
      const float p = data.markers[static_cast<std::size_t>(m)].frequency;
      for (int a = 0; a < founderAlleles; ++a)
        states[static_cast<std::size_t>(a)] = runif(0, 1) >= p ? 1 : 0;
    }
    for (std::size_t i = 0; i < people; ++i) {
      if (persons[i].array < 0) continue;
      const int s1 = states[static_cast<std::size_t>(alleles[2 * i])];
      const int s2 = states[static_cast<std::size_t>(alleles[2 * i + 1])];
      HaplotypeRecord& r =
          result.haplotypes[i * static_cast<std::size_t>(markers) + static_cast<std::size_t>(m)];
      r = {PhasedCode(s1, s2), static_cast<std::uint8_t>(alleles[2 * i]),
           static_cast<std::uint8_t>(alleles[2 * i + 1]), 0};
      // The disease locus itself is no SNP: it is left uncalled.
      data.calls[i * static_cast<std::size_t>(markers) + static_cast<std::size_t>(m)] =
          m == locus || s1 < 0 || s2 < 0 ? kNoCall
                                         : static_cast<std::uint8_t>(s1 == s2 ? s1 : kCallAB);
    }
  }
  LogMessage("\nFinished}\n", 0, kLogBlue);
  return true;
}
