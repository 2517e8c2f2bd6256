// Small pedigrees for the linkage tests, and the analysis' quantities computed the long
// way: every inheritance vector and every founder-allele assignment enumerated.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "genome/linkage/linkage_analysis.hpp"

namespace linkage_test {

struct Member {
  int id, father, mother, sex;
  std::string array;  // "NA" for none
  int affection;
};

inline std::string PedigreeText(const std::vector<Member>& members) {
  std::string text = "Family\tPerson\tFather\tMother\tSex\tArray\tAffection\n";
  for (const Member& m : members)
    text += "1\t" + std::to_string(m.id) + "\t" + std::to_string(m.father) + "\t" +
            std::to_string(m.mother) + "\t" + std::to_string(m.sex) + "\t" + m.array + "\t" +
            std::to_string(m.affection) + "\n";
  return text;
}

inline int LookupArray(const std::string& name) {
  return name == "NA" ? -1 : 1;
}

// An analysis with the members' pedigree read and its founders prepared.
inline LinkageAnalysis Prepared(const std::vector<Member>& members) {
  LinkageAnalysis analysis;
  EXPECT_TRUE(analysis.pedigree.ReadText(PedigreeText(members), "ped.txt", LookupArray));
  EXPECT_TRUE(analysis.PrepareFounders());
  return analysis;
}

// The disease locus: how common its allele is, how often a carrier is affected and how
// often one without it is affected all the same.
inline void SetDisease(LinkageSettings& settings, float frequency, float penetrance,
                       float phenocopy) {
  settings.diseaseFrequency = frequency;
  settings.penetrance = penetrance;
  settings.phenocopy = phenocopy;
}

// Two parents and children, all with arrays; affection per child.
inline std::vector<Member> Nuclear(const std::vector<int>& childAffection) {
  std::vector<Member> m = {{1, 0, 0, 1, "a1", 0}, {2, 0, 0, 2, "a2", 0}};
  for (std::size_t c = 0; c < childAffection.size(); ++c)
    m.push_back({static_cast<int>(3 + c), 1, 2, 1, "a" + std::to_string(3 + c), childAffection[c]});
  return m;
}

// The founder allele each person carries, straight from the rules: founders in order carry
// 2k and 2k + 1; a child's allele from a parent is the parent's first when the meiosis bit
// is 0, its second when 1; bits are taken from the lowest upward in child order, paternal
// before maternal. When not every meiosis is free, a founder's first meiosis is fixed to 0
// and takes no bit.
inline std::vector<int> Descent(const std::vector<PedigreePerson>& persons, std::uint32_t bits,
                                bool everyMeiosisFree) {
  std::vector<int> alleles(2 * persons.size());
  std::vector<bool> used(persons.size(), false);
  int founder = 0, bit = 0;
  for (std::size_t i = 0; i < persons.size(); ++i) {
    const PedigreePerson& p = persons[i];
    if (p.fatherIndex < 0) {
      alleles[2 * i] = 2 * founder;
      alleles[2 * i + 1] = 2 * founder + 1;
      ++founder;
      continue;
    }
    for (int side = 0; side < 2; ++side) {
      const auto parent = static_cast<std::size_t>(side == 0 ? p.fatherIndex : p.motherIndex);
      int which = 0;
      if (everyMeiosisFree || persons[parent].fatherIndex >= 0 || used[parent])
        which = static_cast<int>(bits >> bit++ & 1u);
      used[parent] = true;
      alleles[2 * i + static_cast<std::size_t>(side)] = alleles[2 * parent + which];
    }
  }
  return alleles;
}

// The founder allele each prepared person carries under v.
inline std::vector<int> OracleDescent(const std::vector<PedigreePerson>& persons, std::uint32_t v) {
  return Descent(persons, v, false);
}

// Sum over every assignment of states to all founder alleles of the frequency weights times
// 1 - e for each call its states give and e / 2 for each they do not.
inline double BruteMarker(const std::vector<int>& alleles, int founderAlleles,
                          const std::vector<int>& calls, double p, double e) {
  double total = 0;
  for (std::uint32_t a = 0; a < (1u << founderAlleles); ++a) {
    double w = 1;
    for (int x = 0; x < founderAlleles; ++x) w *= (a >> x & 1u) ? 1 - p : p;
    for (std::size_t i = 0; i < calls.size(); ++i) {
      if (calls[i] == kNoCall) continue;
      const auto s1 = a >> alleles[2 * i] & 1u, s2 = a >> alleles[2 * i + 1] & 1u;
      const int genotype = s1 == s2 ? static_cast<int>(s1) : kCallAB;
      w *= genotype == calls[i] ? 1 - e : e / 2;
    }
    total += w;
  }
  return total;
}

// The same sum with the disease locus: state 0 is the disease allele of frequency p.
inline double BruteDisease(const std::vector<int>& alleles, int founderAlleles,
                           const std::vector<PedigreePerson>& persons, const LinkageSettings& s) {
  double total = 0;
  for (std::uint32_t a = 0; a < (1u << founderAlleles); ++a) {
    double w = 1;
    for (int x = 0; x < founderAlleles; ++x)
      w *= (a >> x & 1u) ? 1 - s.diseaseFrequency : s.diseaseFrequency;
    for (std::size_t i = 0; i < persons.size(); ++i) {
      const bool d1 = (a >> alleles[2 * i] & 1u) == 0, d2 = (a >> alleles[2 * i + 1] & 1u) == 0;
      const bool carrier = s.inheritance == kDominant ? d1 || d2 : d1 && d2;
      if (persons[i].affection == kAffected) w *= carrier ? s.penetrance : s.phenocopy;
      if (persons[i].affection == kUnaffected) w *= carrier ? 1 - s.penetrance : 1 - s.phenocopy;
    }
    total += w;
  }
  return total;
}

// Calls of the prepared persons drawn at random with some missing.
inline std::vector<int> RandomCalls(std::size_t persons, std::mt19937& random, double missing) {
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<int> calls(persons);
  for (int& c : calls) c = u(random) < missing ? kNoCall : static_cast<int>(u(random) * 3);
  return calls;
}

// Every meiosis of the prepared persons, the fixed ones too.
inline int FullMeioses(const std::vector<PedigreePerson>& persons) {
  int count = 0;
  for (const PedigreePerson& p : persons) count += p.fatherIndex >= 0 ? 2 : 0;
  return count;
}

// The founder allele each person carries when every meiosis is free: bit k of w is the k-th
// meiosis in child order, paternal before maternal.
inline std::vector<int> FullDescent(const std::vector<PedigreePerson>& persons, std::uint32_t w) {
  return Descent(persons, w, true);
}

// The engine's vector for the full vector w. Naming a founder's two alleles the other way
// round flips all its meioses and changes no observation, so w is taken with each founder's
// first meiosis at 0 (flipping the founder's meioses where it is 1), and the fixed meioses
// are left out.
inline std::uint32_t EngineVector(const std::vector<PedigreePerson>& persons, std::uint32_t w) {
  std::vector<int> parentOf;
  for (const PedigreePerson& p : persons)
    if (p.fatherIndex >= 0) parentOf.push_back(p.fatherIndex), parentOf.push_back(p.motherIndex);
  std::vector<bool> seen(persons.size(), false);
  std::vector<bool> fixed(parentOf.size(), false);
  for (std::size_t k = 0; k < parentOf.size(); ++k) {
    const auto parent = static_cast<std::size_t>(parentOf[k]);
    if (persons[parent].fatherIndex >= 0 || seen[parent]) continue;
    seen[parent] = true;
    fixed[k] = true;
    if ((w >> k & 1u) == 0) continue;
    for (std::size_t j = 0; j < parentOf.size(); ++j)
      if (parentOf[j] == parentOf[k]) w ^= 1u << j;
  }
  std::uint32_t v = 0;
  int bit = 0;
  for (std::size_t k = 0; k < parentOf.size(); ++k) {
    if (fixed[k]) continue;
    v |= (w >> k & 1u) << bit++;
  }
  return v;
}

// The exact multipoint answer: forward and backward over every vector with all meioses
// free, the kernel between two vectors written out pair by pair, and the posteriors summed
// onto the engine's vectors.
struct ExactRun {
  std::vector<std::vector<double>> posterior;  // per marker, per engine vector
  std::vector<double> lod;
  double logLikelihood = 0;
};

// P(observations at marker | alleles) and P(phenotypes | alleles) with the disease locus
// at the marker.
using MarkerTerm = std::function<double(int marker, const std::vector<int>& alleles)>;

// theta[m] is the recombination fraction into marker m; with oneCrossover a move of more
// than one recombination has weight 0.
inline ExactRun ExactLinkage(const std::vector<PedigreePerson>& persons,
                             const std::vector<double>& theta, bool oneCrossover,
                             const MarkerTerm& emission, const MarkerTerm& disease,
                             std::uint32_t engineVectors) {
  const int meioses = FullMeioses(persons);
  const std::uint32_t n = 1u << meioses;
  const auto markers = theta.size();
  std::vector<std::vector<int>> descent(n);
  std::vector<std::uint32_t> engine(n);
  for (std::uint32_t w = 0; w < n; ++w) {
    descent[w] = FullDescent(persons, w);
    engine[w] = EngineVector(persons, w);
  }
  std::vector<std::vector<double>> e(markers, std::vector<double>(n));
  for (std::size_t m = 0; m < markers; ++m)
    for (std::uint32_t w = 0; w < n; ++w) e[m][w] = emission(static_cast<int>(m), descent[w]);
  // kernel[m][h]: the weight of a move into marker m between vectors h meioses apart.
  std::vector<std::vector<double>> kernel(markers, std::vector<double>(meioses + 1, 0));
  for (std::size_t m = 1; m < markers; ++m)
    for (int h = 0; h <= meioses; ++h)
      kernel[m][static_cast<std::size_t>(h)] =
          oneCrossover && h > 1 ? 0 : std::pow(theta[m], h) * std::pow(1 - theta[m], meioses - h);
  const auto move = [&](std::size_t m, const std::vector<double>& from, bool forward) {
    std::vector<double> to(n, 0);
    for (std::uint32_t w = 0; w < n; ++w) {
      double sum = 0;
      for (std::uint32_t u = 0; u < n; ++u)
        sum += from[u] * kernel[m][static_cast<std::size_t>(std::popcount(u ^ w))];
      to[w] = forward ? sum * e[m][w] : sum;
    }
    return to;
  };
  ExactRun run;
  std::vector<std::vector<double>> alpha(markers);
  for (std::size_t m = 0; m < markers; ++m) {
    if (m == 0) {
      alpha[0] = e[0];
      for (double& a : alpha[0]) a /= n;
    } else {
      alpha[m] = move(m, alpha[m - 1], true);
    }
    double sum = 0;
    for (const double a : alpha[m]) sum += a;
    run.logLikelihood += std::log10(sum);
    for (double& a : alpha[m]) a /= sum;
  }
  run.posterior.assign(markers, std::vector<double>(engineVectors, 0));
  run.lod.assign(markers, 0);
  std::vector<double> beta(n, 1);
  for (std::size_t m = markers; m-- > 0;) {
    if (m + 1 < markers) {
      std::vector<double> weighted(n);
      for (std::uint32_t w = 0; w < n; ++w) weighted[w] = beta[w] * e[m + 1][w];
      beta = move(m + 1, weighted, false);
      double sum = 0;
      for (const double b : beta) sum += b;
      for (double& b : beta) b /= sum;
    }
    double total = 0, linked = 0, mean = 0;
    for (std::uint32_t w = 0; w < n; ++w) total += alpha[m][w] * beta[w];
    for (std::uint32_t w = 0; w < n; ++w) {
      const double posterior = alpha[m][w] * beta[w] / total;
      const double d = disease(static_cast<int>(m), descent[w]);
      run.posterior[m][engine[w]] += posterior;
      linked += posterior * d;
      mean += d / n;
    }
    run.lod[m] = std::log10(linked / mean);
  }
  return run;
}

// A random small pedigree: two founders and 2-4 children, or three generations of 7-9
// persons (grandparents, 1-3 children of theirs, spouses married in, grandchildren). About
// one person in five has no array, affections are drawn with some unknown, and at least one
// person is affected and one has an array.
inline std::vector<Member> RandomPedigree(std::mt19937& random, bool threeGenerations) {
  std::uniform_real_distribution<double> u(0, 1);
  const auto pick = [&](int from, int to) {
    return from + static_cast<int>(random() % static_cast<unsigned>(to - from + 1));
  };
  std::vector<Member> m = {{1, 0, 0, 1, "", 0}, {2, 0, 0, 2, "", 0}};
  int next = 3;
  if (!threeGenerations) {
    for (int c = pick(2, 4); c > 0; --c) m.push_back({next++, 1, 2, pick(1, 2), "", 0});
  } else {
    int children = 0, couples = 0, grandchildren = 0;
    do {
      const int persons = pick(7, 9);
      children = pick(1, 3);
      couples = pick(1, children);
      grandchildren = persons - 2 - children - couples;
    } while (grandchildren < couples);
    std::vector<std::pair<int, int>> parents;  // father, mother of each couple
    for (int c = 0; c < children; ++c) {
      const int id = next++, sex = pick(1, 2);
      m.push_back({id, 1, 2, sex, "", 0});
      if (c >= couples) continue;
      const int spouse = next++;
      m.push_back({spouse, 0, 0, 3 - sex, "", 0});
      parents.push_back(sex == 1 ? std::pair{id, spouse} : std::pair{spouse, id});
    }
    for (int g = 0; g < grandchildren; ++g) {
      // Every couple has a child; the rest go at random.
      const auto& [father, mother] =
          parents[g < couples ? static_cast<std::size_t>(g) : random() % parents.size()];
      m.push_back({next++, father, mother, pick(1, 2), "", 0});
    }
  }
  for (Member& member : m) {
    member.array = u(random) < 0.2 ? "NA" : "a" + std::to_string(member.id);
    const double a = u(random);
    member.affection = a < 0.15 ? kAffectionUnknown : a < 0.55 ? kUnaffected : kAffected;
  }
  m[m.size() - 1].affection = kAffected;
  m[m.size() - 1].array = "a" + std::to_string(m.back().id);
  return m;
}

}  // namespace linkage_test
