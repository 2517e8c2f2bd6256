// The pedigree generator's truth held to statistics that fail when the descent is wrong:
// every person rebuilt from the founders' haplotypes and the meioses, trios Mendelian
// without errors, crossovers a Poisson process of one per Morgan, recombination between
// markers at Haldane's fraction, affection at the penetrance and phenocopy rates, and
// errors and missing calls at the planted rates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/synth/genome_pedigree.hpp"
#include "tools/synth/genome_pedigree_group.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using synth::DiseaseMode;
using synth::PedigreeMeiosis;
using synth::PedigreePerson;
using synth::PedigreePlan;
using synth::PedigreeTruth;

constexpr int kNoCall = 3;

// |observed - expected| within four standard deviations.
void ExpectWithinSpread(double observed, double expected, double variance, const char* what) {
  EXPECT_LE(std::abs(observed - expected), 4 * std::sqrt(variance) + 1e-9)
      << what << ": observed " << observed << ", expected " << expected;
}

const PedigreeMeiosis& MeiosisOf(const PedigreeTruth& truth, int child, bool maternal) {
  for (const PedigreeMeiosis& meiosis : truth.meioses)
    if (meiosis.child == child && meiosis.maternal == maternal) return meiosis;
  ADD_FAILURE() << "no meiosis for person " << child;
  return truth.meioses.front();
}

// Whether a child's genotype (0 AA, 1 BB, 2 AB) can come from its parents'.
bool Mendelian(int father, int mother, int child) {
  const auto alleles = [](int genotype) {
    return genotype == 0   ? std::vector<int>{0}
           : genotype == 1 ? std::vector<int>{1}
                           : std::vector<int>{0, 1};
  };
  for (const int a : alleles(father))
    for (const int b : alleles(mother))
      if ((a == b ? a : 2) == child) return true;
  return false;
}

TEST(Pedigree, PersonsDescendFromFoundersThroughTheirMeiosesAndTriosAreMendelian) {
  for (const int generations : {2, 3}) {
    for (const int children : {1, 4}) {
      PedigreePlan plan = synth::PedigreeMapPlan(2, 150, 120, 11 + generations * 7 + children);
      plan.generations = generations;
      plan.children = children;
      plan.families = 3;
      plan.errorRate = 0;
      plan.noCallRate = 0.1;
      plan.untypedPercent = 20;
      const PedigreeTruth truth = synth::MakePedigree(plan);
      SCOPED_TRACE(::testing::Message() << generations << " generations, " << children);
      ASSERT_EQ(truth.persons.size(),
                static_cast<std::size_t>(3 * (generations == 2 ? 2 + children : 4 + 3 * children)));
      EXPECT_EQ(truth.FounderCount(), 3 * (generations == 2 ? 2 : 4));
      const std::size_t n = plan.chro.size();
      int trioMarkers = 0;
      for (std::size_t i = 0; i < truth.persons.size(); ++i) {
        const PedigreePerson& person = truth.persons[i];
        if (person.founder >= 0) {
          EXPECT_EQ(person.father + person.mother, 0);
        } else {
          const PedigreePerson& father =
              truth.persons[static_cast<std::size_t>(person.fatherIndex)];
          const PedigreePerson& mother =
              truth.persons[static_cast<std::size_t>(person.motherIndex)];
          EXPECT_EQ(father.sex, synth::kMale);
          EXPECT_EQ(mother.sex, synth::kFemale);
          EXPECT_EQ(person.father, father.id);
          const PedigreeMeiosis& fromFather = MeiosisOf(truth, static_cast<int>(i), false);
          const PedigreeMeiosis& fromMother = MeiosisOf(truth, static_cast<int>(i), true);
          for (std::size_t m = 0; m < n; ++m) {
            ASSERT_EQ(person.paternal[m],
                      fromFather.bits[m] ? father.maternal[m] : father.paternal[m]);
            ASSERT_EQ(person.maternal[m],
                      fromMother.bits[m] ? mother.maternal[m] : mother.paternal[m]);
            const int fc = father.calls[m], mc = mother.calls[m], cc = person.calls[m];
            if (fc == kNoCall || mc == kNoCall || cc == kNoCall) continue;
            ++trioMarkers;
            ASSERT_TRUE(Mendelian(fc, mc, cc)) << "person " << person.id << " marker " << m;
          }
        }
        for (std::size_t m = 0; m < n; ++m) {
          const int a = truth.founderAlleles[static_cast<std::size_t>(person.paternal[m])][m];
          const int b = truth.founderAlleles[static_cast<std::size_t>(person.maternal[m])][m];
          ASSERT_EQ(person.genotype[m], a == b ? a : 2);
          if (person.array.empty()) {
            ASSERT_EQ(person.calls[m], kNoCall);
          }
        }
      }
      EXPECT_GT(trioMarkers, 50);
    }
  }
}

TEST(Pedigree, CallsGoWrongAndMissingAtThePlantedRates) {
  for (const double rate : {0.0, 0.01, 0.05}) {
    PedigreePlan plan = synth::PedigreeMapPlan(2, 400, 100, 23);
    plan.children = 4;
    plan.families = 4;
    plan.errorRate = rate;
    plan.noCallRate = 0.03;
    plan.untypedPercent = 25;
    const PedigreeTruth truth = synth::MakePedigree(plan);
    long long typedMarkers = 0, called = 0, wrong = 0, trios = 0, inconsistent = 0;
    int untyped = 0;
    for (const PedigreePerson& person : truth.persons) {
      untyped += person.array.empty() ? 1 : 0;
      if (person.array.empty()) continue;
      for (std::size_t m = 0; m < person.calls.size(); ++m) {
        ++typedMarkers;
        if (person.calls[m] == kNoCall) continue;
        ++called;
        wrong += person.calls[m] != person.genotype[m] ? 1 : 0;
      }
      if (person.founder >= 0) continue;
      const PedigreePerson& father = truth.persons[static_cast<std::size_t>(person.fatherIndex)];
      const PedigreePerson& mother = truth.persons[static_cast<std::size_t>(person.motherIndex)];
      for (std::size_t m = 0; m < person.calls.size(); ++m) {
        if (father.calls[m] == kNoCall || mother.calls[m] == kNoCall || person.calls[m] == kNoCall)
          continue;
        ++trios;
        inconsistent += Mendelian(father.calls[m], mother.calls[m], person.calls[m]) ? 0 : 1;
      }
    }
    SCOPED_TRACE(::testing::Message() << "error rate " << rate);
    ASSERT_GT(called, 5000);
    ExpectWithinSpread(static_cast<double>(wrong), rate * called, rate * (1 - rate) * called,
                       "wrong calls");
    ExpectWithinSpread(static_cast<double>(typedMarkers - called), 0.03 * typedMarkers,
                       0.03 * 0.97 * typedMarkers, "missing calls");
    const double persons = static_cast<double>(truth.persons.size());
    ExpectWithinSpread(untyped, 0.25 * persons, 0.25 * 0.75 * persons, "persons without arrays");
    // Errors break trios; without them none is broken.
    ASSERT_GT(trios, 1000);
    if (rate == 0) {
      EXPECT_EQ(inconsistent, 0);
    } else {
      EXPECT_GT(inconsistent, 0);
    }
  }
}

// Many meioses on long chromosomes, shared by the crossover and recombination checks.
class PedigreeMeioses : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PedigreePlan plan = synth::PedigreeMapPlan(3, 300, 150, 31);
    plan.families = 30;
    plan.children = 4;
    plan.generations = 2;
    sTruth = new PedigreeTruth(synth::MakePedigree(plan));
  }
  static void TearDownTestSuite() {
    delete sTruth;
    sTruth = nullptr;
  }
  static PedigreeTruth* sTruth;
};
PedigreeTruth* PedigreeMeioses::sTruth = nullptr;

TEST_F(PedigreeMeioses, CrossoversArePoissonAtOnePerMorganAndSwitchTheAllelePassed) {
  const PedigreeTruth& truth = *sTruth;
  const PedigreePlan& plan = truth.plan;
  ASSERT_EQ(truth.meioses.size(), 240u);
  const int chromosomes = 3;
  const double morgans = 1.5;
  std::vector<int> counts;  // per meiosis and chromosome
  for (const PedigreeMeiosis& meiosis : truth.meioses) {
    std::vector<int> perChro(chromosomes, 0);
    for (std::size_t k = 0; k < meiosis.crossoverCm.size(); ++k) {
      const int c = meiosis.crossoverChro[k];
      ++perChro[static_cast<std::size_t>(c)];
      EXPECT_GE(meiosis.crossoverCm[k], 0.0);
      EXPECT_LE(meiosis.crossoverCm[k], 150.0);
    }
    counts.insert(counts.end(), perChro.begin(), perChro.end());
    // Between adjacent markers the allele passed switches once per odd count of crossovers.
    for (std::size_t m = 1; m < plan.chro.size(); ++m) {
      if (plan.chro[m] != plan.chro[m - 1]) continue;
      int between = 0;
      for (std::size_t k = 0; k < meiosis.crossoverCm.size(); ++k)
        between += meiosis.crossoverChro[k] == plan.chro[m] &&
                           meiosis.crossoverCm[k] >= plan.cm[m - 1] &&
                           meiosis.crossoverCm[k] < plan.cm[m]
                       ? 1
                       : 0;
      ASSERT_EQ(meiosis.bits[m] != meiosis.bits[m - 1], between % 2 == 1) << "marker " << m;
    }
  }
  double total = 0;
  for (const int count : counts) total += count;
  const double expected = static_cast<double>(truth.meioses.size()) * chromosomes * morgans;
  ExpectWithinSpread(total, expected, expected, "crossovers");
  // A Poisson count's variance equals its mean.
  const double mean = total / static_cast<double>(counts.size());
  double squares = 0;
  for (const int count : counts) squares += (count - mean) * (count - mean);
  const double dispersion = squares / static_cast<double>(counts.size() - 1) / mean;
  EXPECT_NEAR(dispersion, 1.0, 4 * std::sqrt(2.0 / static_cast<double>(counts.size() - 1)));
}

TEST_F(PedigreeMeioses, MarkersRecombineAtHaldanesFraction) {
  const PedigreeTruth& truth = *sTruth;
  const PedigreePlan& plan = truth.plan;
  for (const double distance : {2.0, 10.0, 30.0, 70.0}) {
    // Disjoint marker pairs about the distance apart, so the meioses' counts are independent.
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t i = 0; i < plan.chro.size();) {
      std::size_t j = i + 1;
      while (j < plan.chro.size() && plan.chro[j] == plan.chro[i] &&
             plan.cm[j] - plan.cm[i] < distance)
        ++j;
      if (j >= plan.chro.size() || plan.chro[j] != plan.chro[i]) {
        i = j;
        continue;
      }
      pairs.emplace_back(i, j);
      i = j + 1;
    }
    double recombined = 0, expected = 0, variance = 0;
    for (const PedigreeMeiosis& meiosis : truth.meioses) {
      for (const auto& [i, j] : pairs) {
        const double d = (plan.cm[j] - plan.cm[i]) / 100;
        const double r = (1 - std::exp(-2 * d)) / 2;
        recombined += meiosis.bits[i] != meiosis.bits[j] ? 1 : 0;
        expected += r;
        variance += r * (1 - r);
      }
    }
    SCOPED_TRACE(::testing::Message() << distance << " cM, " << pairs.size() << " pairs");
    ASSERT_GT(pairs.size(), 3u);
    ExpectWithinSpread(recombined, expected, variance, "recombinations");
  }
}

TEST(Pedigree, AffectionFollowsPenetranceAndPhenocopyAtTheDiseaseLocus) {
  for (const DiseaseMode mode : {DiseaseMode::kRecessive, DiseaseMode::kDominant}) {
    PedigreePlan plan = synth::PedigreeMapPlan(1, 60, 100, 41);
    plan.families = 600;
    plan.children = 3;
    plan.mode = mode;
    plan.diseaseFrequency = 0.3;
    plan.penetrance = 0.8;
    plan.phenocopy = 0.1;
    plan.minAffected = 0;
    plan.unknownAffectionPercent = 10;
    const PedigreeTruth truth = synth::MakePedigree(plan);
    const bool recessive = mode == DiseaseMode::kRecessive;
    SCOPED_TRACE(recessive ? "recessive" : "dominant");
    const auto locus = static_cast<std::size_t>(truth.diseaseMarker);
    ASSERT_LT(locus, plan.chro.size());
    double carriers = 0, carriersAffected = 0, others = 0, othersAffected = 0;
    double founders = 0, founderCarriers = 0, unknown = 0;
    for (std::size_t i = 0; i < truth.persons.size(); ++i) {
      const PedigreePerson& person = truth.persons[i];
      const int diseaseAlleles = (person.diseaseAlleles[0] == synth::kDiseaseAllele) +
                                 (person.diseaseAlleles[1] == synth::kDiseaseAllele);
      ASSERT_EQ(person.carrier, recessive ? diseaseAlleles == 2 : diseaseAlleles >= 1);
      if (person.founder >= 0) {
        ++founders;
        founderCarriers += person.carrier;
      } else {
        // Disease alleles pass as the locus marker's alleles do.
        const PedigreePerson& father = truth.persons[static_cast<std::size_t>(person.fatherIndex)];
        const PedigreePerson& mother = truth.persons[static_cast<std::size_t>(person.motherIndex)];
        const int fromFather = MeiosisOf(truth, static_cast<int>(i), false).bits[locus];
        const int fromMother = MeiosisOf(truth, static_cast<int>(i), true).bits[locus];
        ASSERT_EQ(person.diseaseAlleles[0],
                  father.diseaseAlleles[static_cast<std::size_t>(fromFather)]);
        ASSERT_EQ(person.diseaseAlleles[1],
                  mother.diseaseAlleles[static_cast<std::size_t>(fromMother)]);
      }
      const bool affected = person.affected == synth::kAffected;
      (person.carrier ? carriers : others) += 1;
      (person.carrier ? carriersAffected : othersAffected) += affected;
      if (person.affection == synth::kAffectionUnknown)
        ++unknown;
      else
        ASSERT_EQ(person.affection, person.affected);
    }
    const double f = plan.diseaseFrequency;
    const double carrierShare = recessive ? f * f : 1 - (1 - f) * (1 - f);
    ExpectWithinSpread(founderCarriers, carrierShare * founders,
                       carrierShare * (1 - carrierShare) * founders, "founder carriers");
    ExpectWithinSpread(carriersAffected, 0.8 * carriers, 0.8 * 0.2 * carriers, "penetrance");
    ExpectWithinSpread(othersAffected, 0.1 * others, 0.1 * 0.9 * others, "phenocopies");
    const double persons = static_cast<double>(truth.persons.size());
    ExpectWithinSpread(unknown, 0.1 * persons, 0.1 * 0.9 * persons, "unknown affection");

    // Drawn again until each family has an affected person.
    plan.minAffected = 1;
    plan.families = 20;
    const PedigreeTruth ascertained = synth::MakePedigree(plan);
    std::vector<int> affectedPerFamily(21, 0);
    for (const PedigreePerson& person : ascertained.persons)
      affectedPerFamily[static_cast<std::size_t>(person.family)] +=
          person.affected == synth::kAffected;
    for (int family = 1; family <= 20; ++family)
      EXPECT_GE(affectedPerFamily[static_cast<std::size_t>(family)], 1) << "family " << family;
  }
}

TEST(Pedigree, GroupInMemoryCarriesTheTypedCallsAndGivesTheMapBack) {
  PedigreePlan plan = synth::PedigreeMapPlan(2, 80, 180, 53);
  plan.untypedPercent = 30;
  plan.generations = 3;
  const PedigreeTruth truth = synth::MakePedigree(plan);
  const synth::SnpGroupTruth group = synth::PedigreeSnpGroup(truth);
  ASSERT_EQ(group.MarkerCount(), 160);
  std::size_t a = 0;
  for (const PedigreePerson& person : truth.persons) {
    if (person.array.empty()) continue;
    ASSERT_LT(a, group.arrays.size());
    EXPECT_EQ(group.arrays[a].name, person.array);
    EXPECT_EQ(group.arrays[a].calls, person.calls);
    ++a;
  }
  EXPECT_EQ(a, group.arrays.size());
  EXPECT_LT(a, truth.persons.size());
  // The genome information text of the group: chromosome and genetic position per marker.
  const std::vector<std::string> lines =
      synth::testing::TextLines(synth::SnpGroupGenomeInfoText(group));
  ASSERT_EQ(lines.size(), 161u);
  for (std::size_t m = 0; m < 160; ++m) {
    const std::vector<std::string> fields = synth::testing::Fields(lines[m + 1]);
    EXPECT_EQ(fields[1], "chr" + std::to_string(plan.chro[m] + 1));
    EXPECT_NEAR(std::stod(fields[3]), plan.cm[m] + 0.001, 1e-4) << m;
  }
  plan.cm.back() = synth::kMostGroupCm;
  EXPECT_TRUE(synth::PedigreeSnpGroup(synth::MakePedigree(plan)).arrays.empty());
}

}  // namespace
