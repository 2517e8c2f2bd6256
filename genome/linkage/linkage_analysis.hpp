// Multipoint parametric linkage of one pedigree along one chromosome: a hidden Markov
// model over inheritance vectors (forward and backward passes), the LOD score of a
// one-locus disease model per marker, founder-allele haplotypes from the most likely
// vectors, and a simulation that writes a disease pedigree's genotypes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "genome/linkage/inheritance_likelihood.hpp"
#include "genome/linkage/pedigree.hpp"

inline constexpr int kMaxMarker = 10000;  // markers per window
inline constexpr const char* kWindowLimitMessage = "    hmm_marker >= MAX_MARKER";
inline constexpr const char* kNoFrequencyMessage =
    "    Error: marker %s has no allele frequency; the analysis needs one for every marker";
inline constexpr const char* kCallTableMessage =
    "    Error: the call table holds %zu codes where %d persons x %d markers were expected";
inline constexpr const char* kLohValuesMessage =
    "    Error: the LOH inheritance mode needs the inferred LOH values of the paired arrays; "
    "infer LOH first";
inline constexpr const char* kLohSimulationMessage =
    "    Error: the simulation draws no tumours; choose the recessive or dominant mode";
inline constexpr const char* kSettingRangeMessage =
    "    Error: %s is %g; it must lie between 0 and 1";

enum LinkageInheritance { kRecessive = 0, kDominant = 1, kLohInheritance = 2 };

struct LinkageSettings {
  int inheritance = kRecessive;
  float diseaseFrequency = 0.001f;
  float penetrance = 1.0f;
  float phenocopy = 0.0f;
  float errorRate = 0.01f;
  bool oneCrossover = false;
  bool skipNoninformative = false;
  bool inheritReduction = false;  // evaluate fewer vectors; exact for error-free calls
  int windowLength = kMaxMarker;
  float lohThreshold = 0.5f;  // an inferred LOH value above it is a loss, below 1 - it retention
};

struct LinkageMarker {
  std::string name;
  float centiMorgans = -1;  // genetic position, -1 unknown
  float megabases = 0;      // physical position, for messages
  float frequency = -1;     // of allele A; outside (0, 1) when unknown
};

// One chromosome's markers and, per prepared person and marker, a genotype code
// (calls[person * markers + marker]); persons without an array carry kNoCall.
struct LinkageChromosome {
  int chromosome = 0;  // index, shown plus one
  std::vector<LinkageMarker> markers;
  std::vector<std::uint8_t> calls;
  // LOH mode only, laid out as calls: the call of the person's paired tumour sample
  // (kNoCall without one) and that tumour's inferred LOH value (missing where none).
  std::vector<std::uint8_t> secondCalls;
  std::vector<float> loh;
};

// Per person with an array and marker: the phased genotype (0 AA, 1 BB, 3 unknown,
// 4 A from the father and B from the mother, 5 the reverse), the founder alleles carried,
// and flags (kHaplotypeMendelian, kHaplotypeMismatch).
struct HaplotypeRecord {
  std::uint8_t code = kNoCall;
  std::uint8_t first = 0;
  std::uint8_t second = 0;
  std::uint8_t flag = 0;
};
inline constexpr std::uint8_t kHaplotypeMendelian = 1;  // call removed as a Mendelian error
inline constexpr std::uint8_t kHaplotypeMismatch = 2;   // inferred genotype differs from call

struct LinkageResult {
  std::vector<float> lod;                   // per marker; missing where skipped
  std::vector<std::uint32_t> chosen;        // per marker, the vector shown as haplotypes
  std::vector<HaplotypeRecord> haplotypes;  // persons x markers
  double logLikelihood = 0;  // log10 P(data) of the informative markers, summed by window
  bool degenerate = false;   // a vector summed to zero somewhere
  int diseaseLocus = -1;     // simulation only
};

// Sees each informative marker's normalised posterior over vectors.
using PosteriorObserver = std::function<void(int marker, const float* posterior)>;

class LinkageAnalysis {
 public:
  Pedigree pedigree;
  LinkageSettings settings;

  [[nodiscard]] bool ReadPedigree(const std::string& path, const ArrayLookup& lookup) {
    return pedigree.Read(path, lookup);
  }
  [[nodiscard]] bool PrepareFounders() { return pedigree.PrepareFounders(); }

  // The forward and backward passes and the LOD curve over the chromosome, window by
  // window, then the haplotypes. Refuses (red line, result untouched) what it cannot run;
  // a stop keeps the values already written.
  [[nodiscard]] bool RunChromosome(const LinkageChromosome& data, LinkageResult& result,
                                   const PosteriorObserver& observer = {});
  // Writes simulated calls of every person with an array into data, with the haplotypes
  // and a curve of 2 at the drawn disease locus and 0 elsewhere. A seed repeats a run.
  [[nodiscard]] bool Simulate(LinkageChromosome& data, LinkageResult& result, std::int64_t seed);
  // P(phenotypes | v) for every v.
  std::vector<float> DiseaseVector();
  void Free();

  // The whole run over the open group's chromosome data (genome/linkage/linkage_driver.cpp):
  // the pedigree file, then the outside programs or this engine over the current chromosome
  // (every one but the X with "view all"); seed is the simulation's.
  [[nodiscard]] bool Run(std::int64_t seed);
  [[nodiscard]] bool RunEngine(std::int64_t seed);
  [[nodiscard]] bool RunMerlin(int chro);

 private:
  [[nodiscard]] bool Check(const LinkageChromosome& data) const;
  void CheckMendelian(const LinkageChromosome& data, int marker, bool log, std::uint8_t* codes,
                      std::uint8_t* flags) const;
  MarkerObservation Observe(const LinkageChromosome& data, int marker, const std::uint8_t* codes,
                            float frequency) const;
  // The phenotypes at the disease locus; in the LOH mode at marker (-1: the file's own).
  MarkerObservation Phenotypes(const LinkageChromosome* data = nullptr, int marker = -1) const;
  // LOH mode: the call of the person's tumour and its LOH class at the marker.
  int TumourCall(const LinkageChromosome& data, std::size_t person, int marker) const;
  int TumourLoh(const LinkageChromosome& data, std::size_t person, int marker) const;
  [[nodiscard]] bool RunWindow(const LinkageChromosome& data, int first, int last,
                               const std::vector<float>& disease, LinkageResult& result,
                               const PosteriorObserver& observer);
  void Haplotype(const LinkageChromosome& data, int first, int last, LinkageResult& result);
};

// The process's one analysis, emptied after every run.
extern LinkageAnalysis linkage_analysis;
