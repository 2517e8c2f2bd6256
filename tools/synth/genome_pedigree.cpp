#include "tools/synth/genome_pedigree.hpp"

#include <algorithm>
#include <cmath>

#include "tools/synth/random.hpp"

namespace synth {

namespace {

constexpr int kNoCall = 3;
constexpr double kCmPerMorgan = 100.0;

// Each part of the draw has a stream of its own, so that changing the call rates keeps
// the inheritance and changing the disease keeps the haplotypes.
enum Stream : std::uint64_t { kShape = 1, kHaplotypes, kMeioses, kDisease, kCalls };

SynthRandom StreamRandom(std::uint64_t seed, Stream stream) {
  return SynthRandom(seed ^ (stream * 0x9E3779B97F4A7C15ULL));
}

int Genotype(int first, int second) {
  return first == second ? first : 2;
}

class ShapeBuilder {
 public:
  ShapeBuilder(PedigreeTruth& truth, SynthRandom& random) : mTruth(truth), mRandom(random) {}

  int Add(int family, int fatherIndex, int motherIndex, int sex) {
    PedigreePerson person;
    person.family = family;
    person.id = static_cast<int>(mTruth.persons.size()) + 1;
    person.sex = sex == 0 ? (mRandom.Chance(50) ? kMale : kFemale) : sex;
    person.fatherIndex = fatherIndex;
    person.motherIndex = motherIndex;
    if (fatherIndex < 0) {
      person.founder = mFounders++;
    } else {
      person.father = mTruth.persons[static_cast<std::size_t>(fatherIndex)].id;
      person.mother = mTruth.persons[static_cast<std::size_t>(motherIndex)].id;
    }
    mTruth.persons.push_back(std::move(person));
    return static_cast<int>(mTruth.persons.size()) - 1;
  }

  // The couple's children; the first of the given sex when firstSex is not 0.
  std::vector<int> Children(int family, int father, int mother, int count, int firstSex) {
    std::vector<int> children;
    for (int c = 0; c < count; ++c)
      children.push_back(Add(family, father, mother, c == 0 ? firstSex : 0));
    return children;
  }

 private:
  PedigreeTruth& mTruth;
  SynthRandom& mRandom;
  int mFounders = 0;
};

void BuildShapes(PedigreeTruth& truth) {
  const PedigreePlan& plan = truth.plan;
  SynthRandom random = StreamRandom(plan.seed, kShape);
  ShapeBuilder builder(truth, random);
  for (int family = 1; family <= plan.families; ++family) {
    if (plan.generations >= 3) {
      const int grandfather = builder.Add(family, -1, -1, kMale);
      const int grandmother = builder.Add(family, -1, -1, kFemale);
      const int otherGrandfather = builder.Add(family, -1, -1, kMale);
      const int otherGrandmother = builder.Add(family, -1, -1, kFemale);
      const int son =
          builder.Children(family, grandfather, grandmother, plan.children, kMale).front();
      const int daughter =
          builder.Children(family, otherGrandfather, otherGrandmother, plan.children, kFemale)
              .front();
      builder.Children(family, son, daughter, plan.children, 0);
    } else {
      const int father = builder.Add(family, -1, -1, kMale);
      const int mother = builder.Add(family, -1, -1, kFemale);
      builder.Children(family, father, mother, plan.children, 0);
    }
  }
  for (PedigreePerson& person : truth.persons) {
    if (!random.Chance(plan.untypedPercent))
      person.array = "F" + std::to_string(person.family) + "P" + std::to_string(person.id);
    person.affection =
        random.Chance(plan.unknownAffectionPercent) ? kAffectionUnknown : kUnaffected;
  }
}

// One meiosis along every chromosome: the allele passed at the chromosome's first marker
// is drawn evenly, then crossovers follow at exponential gaps of mean one Morgan.
void DrawMeiosis(PedigreeMeiosis& meiosis, const PedigreePlan& plan, SynthRandom& random) {
  const int n = plan.MarkerCount();
  meiosis.bits.resize(static_cast<std::size_t>(n));
  for (int first = 0; first < n;) {
    int last = first;
    while (last + 1 < n && plan.chro[static_cast<std::size_t>(last + 1)] ==
                               plan.chro[static_cast<std::size_t>(first)])
      ++last;
    const int chro = plan.chro[static_cast<std::size_t>(first)];
    int bit = random.Chance(50) ? 1 : 0;
    double next =
        plan.cm[static_cast<std::size_t>(first)] - kCmPerMorgan * std::log(random.Uniform());
    for (int m = first; m <= last; ++m) {
      const double at = plan.cm[static_cast<std::size_t>(m)];
      while (next < at) {
        bit ^= 1;
        meiosis.crossoverChro.push_back(chro);
        meiosis.crossoverCm.push_back(next);
        next -= kCmPerMorgan * std::log(random.Uniform());
      }
      meiosis.bits[static_cast<std::size_t>(m)] = static_cast<char>(bit);
    }
    first = last + 1;
  }
}

void DrawInheritance(PedigreeTruth& truth) {
  const PedigreePlan& plan = truth.plan;
  const auto n = static_cast<std::size_t>(plan.MarkerCount());
  SynthRandom haplotypes = StreamRandom(plan.seed, kHaplotypes);
  int founders = 0;
  for (const PedigreePerson& person : truth.persons) founders += person.founder >= 0 ? 1 : 0;
  truth.founderAlleles.assign(static_cast<std::size_t>(2 * founders), std::vector<char>(n));
  for (std::vector<char>& alleles : truth.founderAlleles)
    for (std::size_t m = 0; m < n; ++m)
      alleles[m] = haplotypes.Uniform() < plan.frequency[m] ? 0 : 1;

  SynthRandom random = StreamRandom(plan.seed, kMeioses);
  for (std::size_t i = 0; i < truth.persons.size(); ++i) {
    PedigreePerson& person = truth.persons[i];
    person.paternal.resize(n);
    person.maternal.resize(n);
    if (person.founder >= 0) {
      std::fill(person.paternal.begin(), person.paternal.end(), 2 * person.founder);
      std::fill(person.maternal.begin(), person.maternal.end(), 2 * person.founder + 1);
    } else {
      for (const bool maternal : {false, true}) {
        PedigreeMeiosis meiosis;
        meiosis.child = static_cast<int>(i);
        meiosis.parent = maternal ? person.motherIndex : person.fatherIndex;
        meiosis.maternal = maternal;
        DrawMeiosis(meiosis, plan, random);
        const PedigreePerson& parent = truth.persons[static_cast<std::size_t>(meiosis.parent)];
        std::vector<int>& received = maternal ? person.maternal : person.paternal;
        for (std::size_t m = 0; m < n; ++m)
          received[m] = meiosis.bits[m] == 0 ? parent.paternal[m] : parent.maternal[m];
        truth.meioses.push_back(std::move(meiosis));
      }
    }
    person.genotype.resize(n);
    for (std::size_t m = 0; m < n; ++m)
      person.genotype[m] = static_cast<char>(
          Genotype(truth.founderAlleles[static_cast<std::size_t>(person.paternal[m])][m],
                   truth.founderAlleles[static_cast<std::size_t>(person.maternal[m])][m]));
  }
}

bool IsCarrier(const PedigreePerson& person, DiseaseMode mode) {
  const int count = (person.diseaseAlleles[0] == kDiseaseAllele ? 1 : 0) +
                    (person.diseaseAlleles[1] == kDiseaseAllele ? 1 : 0);
  return mode == DiseaseMode::kRecessive ? count == 2 : count >= 1;
}

// The disease alleles descend as the locus marker's founder alleles do, so the drawn
// founder alleles of the locus are simply relabelled.
void DrawDisease(PedigreeTruth& truth) {
  const PedigreePlan& plan = truth.plan;
  SynthRandom random = StreamRandom(plan.seed, kDisease);
  const int n = plan.MarkerCount();
  truth.diseaseMarker = plan.diseaseMarker >= 0 && plan.diseaseMarker < n
                            ? plan.diseaseMarker
                            : random.Between(0, n - 1);
  const auto locus = static_cast<std::size_t>(truth.diseaseMarker);
  std::vector<int> founderDisease(truth.founderAlleles.size());
  for (int family = 1; family <= plan.families; ++family) {
    int draws = 0;
    int affected = 0;
    do {
      ++draws;
      affected = 0;
      for (PedigreePerson& person : truth.persons) {
        if (person.family != family) continue;
        if (person.founder >= 0)
          for (int h = 0; h < 2; ++h)
            founderDisease[static_cast<std::size_t>(2 * person.founder + h)] =
                random.Uniform() < plan.diseaseFrequency ? kDiseaseAllele : 1;
        person.diseaseAlleles = {founderDisease[static_cast<std::size_t>(person.paternal[locus])],
                                 founderDisease[static_cast<std::size_t>(person.maternal[locus])]};
        person.carrier = IsCarrier(person, plan.mode);
        const double chance = person.carrier ? plan.penetrance : plan.phenocopy;
        person.affected = random.Uniform() < chance ? kAffected : kUnaffected;
        affected += person.affected == kAffected ? 1 : 0;
      }
    } while (affected < plan.minAffected && draws < kMostDiseaseDraws);
    truth.diseaseDraws.push_back(draws);
  }
  for (PedigreePerson& person : truth.persons)
    if (person.affection != kAffectionUnknown) person.affection = person.affected;
}

void DrawCalls(PedigreeTruth& truth) {
  const PedigreePlan& plan = truth.plan;
  SynthRandom random = StreamRandom(plan.seed, kCalls);
  for (PedigreePerson& person : truth.persons) {
    person.calls.assign(person.genotype.size(), static_cast<char>(kNoCall));
    if (person.array.empty()) continue;
    for (std::size_t m = 0; m < person.genotype.size(); ++m) {
      if (random.Uniform() < plan.noCallRate) continue;
      int call = person.genotype[m];
      if (random.Uniform() < plan.errorRate) call = (call + random.Between(1, 2)) % 3;
      person.calls[m] = static_cast<char>(call);
    }
  }
}

}  // namespace

PedigreeTruth MakePedigree(const PedigreePlan& plan) {
  PedigreeTruth truth;
  truth.plan = plan;
  const auto n = plan.chro.size();
  if (n == 0 || plan.cm.size() != n || plan.frequency.size() != n || plan.children <= 0 ||
      plan.families <= 0)
    return truth;
  BuildShapes(truth);
  DrawInheritance(truth);
  DrawDisease(truth);
  DrawCalls(truth);
  return truth;
}

PedigreePlan PedigreeMapPlan(int chromosomes, int markersPerChromosome, double lengthCm,
                             std::uint64_t seed) {
  SynthRandom random(seed);
  PedigreePlan plan;
  for (int c = 0; c < chromosomes; ++c) {
    std::vector<double> cm;
    for (int m = 0; m < markersPerChromosome; ++m)
      cm.push_back(m == 0                          ? 0.0
                   : m + 1 == markersPerChromosome ? lengthCm
                                                   : lengthCm * random.Uniform());
    std::sort(cm.begin(), cm.end());
    for (const double at : cm) {
      plan.chro.push_back(c);
      plan.cm.push_back(at);
      plan.frequency.push_back(static_cast<float>(0.1 + 0.8 * random.Uniform()));
    }
  }
  plan.seed = seed;
  return plan;
}

}  // namespace synth
