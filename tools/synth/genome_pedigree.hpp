// Pedigrees drawn along a genetic map with everything drawn kept as the truth: founders'
// haplotypes from each marker's A-allele frequency; every meiosis passing one of the
// parent's two alleles, switching at crossovers placed as a Poisson process of one per
// Morgan (so markers d Morgans apart recombine with chance (1 - exp(-2d)) / 2); a disease
// locus at one marker whose carriers are affected with the penetrance and the others with
// the phenocopy rate; and calls that go missing or wrong at known rates.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace synth {

enum class DiseaseMode { kRecessive, kDominant };

// Codes of the pedigree file's affection column.
inline constexpr int kAffectionUnknown = 0;
inline constexpr int kUnaffected = 1;
inline constexpr int kAffected = 2;
// Codes of its sex column.
inline constexpr int kMale = 1;
inline constexpr int kFemale = 2;
// The disease allele at the disease locus (the other is 1).
inline constexpr int kDiseaseAllele = 0;
// Disease draws per family before the wanted number of affected is given up.
inline constexpr int kMostDiseaseDraws = 10000;

struct PedigreePlan {
  // The map: per marker its chromosome index (markers grouped by chromosome), genetic
  // position in cM (not decreasing along a chromosome) and A-allele frequency.
  std::vector<int> chro;
  std::vector<double> cm;
  std::vector<float> frequency;

  int families = 1;
  // 2: a couple and its children. 3: two couples of grandparents with `children` children
  // each, the first son of the one and the first daughter of the other being the parents
  // of `children` grandchildren.
  int generations = 2;
  int children = 3;

  DiseaseMode mode = DiseaseMode::kDominant;
  double diseaseFrequency = 0.1;
  double penetrance = 0.9;
  double phenocopy = 0.02;
  int diseaseMarker = -1;  // -1: drawn among all markers
  // A family's disease alleles and affection are drawn again until this many of its
  // persons are affected (0: taken as first drawn).
  int minAffected = 1;

  double errorRate = 0.01;  // a call replaced by one of the two other genotypes
  double noCallRate = 0.01;
  int untypedPercent = 0;           // persons left without an array
  int unknownAffectionPercent = 0;  // persons whose affection is written as unknown
  std::uint64_t seed = 1;
  int MarkerCount() const { return static_cast<int>(chro.size()); }
  int PersonsPerFamily() const { return generations >= 3 ? 4 + 3 * children : 2 + children; }
};

struct PedigreePerson {
  int family = 0;
  int id = 0;      // unique over the file
  int father = 0;  // ids, 0 for founders
  int mother = 0;
  int sex = kMale;
  int fatherIndex = -1;  // into the persons, parents before their children
  int motherIndex = -1;
  int founder = -1;   // founder k carries founder alleles 2k and 2k + 1
  std::string array;  // empty for a person without an array
  std::array<int, 2> diseaseAlleles{1, 1};
  bool carrier = false;
  int affected = kUnaffected;   // the drawn status
  int affection = kUnaffected;  // as written: kAffectionUnknown when hidden
  // Per marker the founder allele received from the father (first) and the mother
  // (second), the genotype (0 AA, 1 BB, 2 AB) and the call written (3 no call).
  std::vector<int> paternal, maternal;
  std::vector<char> genotype, calls;
};

struct PedigreeMeiosis {
  int child = 0;  // person indices
  int parent = 0;
  bool maternal = false;
  // Per marker: 0 when the parent's first (paternal) allele passed, 1 its second.
  std::vector<char> bits;
  // Every crossover: its chromosome index and position (cM), in map order.
  std::vector<int> crossoverChro;
  std::vector<double> crossoverCm;
};

struct PedigreeTruth {
  PedigreePlan plan;
  int diseaseMarker = 0;
  std::vector<PedigreePerson> persons;
  std::vector<PedigreeMeiosis> meioses;  // per nonfounder the father's, then the mother's
  // Per founder allele, per marker: 0 A, 1 B.
  std::vector<std::vector<char>> founderAlleles;
  std::vector<int> diseaseDraws;  // per family
  int FounderCount() const { return static_cast<int>(founderAlleles.size() / 2); }
};

// An empty truth when the plan has no markers or no children.
PedigreeTruth MakePedigree(const PedigreePlan& plan);

// A plan over chromosomes of the given length (cM) whose markers lie evenly at random
// along each, the first at 0 and the last at the length, with A-allele frequencies drawn
// from 0.1 to 0.9; the plan's seed is the same.
PedigreePlan PedigreeMapPlan(int chromosomes, int markersPerChromosome, double lengthCm,
                             std::uint64_t seed);

}  // namespace synth
