// Small pedigrees for the linkage tests, and the analysis' quantities computed the long
// way: every inheritance vector and every founder-allele assignment enumerated.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

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

// Two parents and children, all with arrays; affection per child.
inline std::vector<Member> Nuclear(const std::vector<int>& childAffection) {
  std::vector<Member> m = {{1, 0, 0, 1, "a1", 0}, {2, 0, 0, 2, "a2", 0}};
  for (std::size_t c = 0; c < childAffection.size(); ++c)
    m.push_back({static_cast<int>(3 + c), 1, 2, 1, "a" + std::to_string(3 + c), childAffection[c]});
  return m;
}

// The founder allele each prepared person carries under v, straight from the rules: founders
// in order carry 2k and 2k + 1; a child's allele from a parent is the parent's first when
// the meiosis bit is 0, its second when 1; a founder's first meiosis is fixed to 0; free
// bits are taken from the lowest upward in child order, paternal before maternal.
inline std::vector<int> OracleDescent(const std::vector<PedigreePerson>& persons, std::uint32_t v) {
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
      if (persons[parent].fatherIndex >= 0 || used[parent])
        which = static_cast<int>(v >> bit++ & 1u);
      used[parent] = true;
      alleles[2 * i + static_cast<std::size_t>(side)] = alleles[2 * parent + which];
    }
  }
  return alleles;
}

// Sum over every assignment of states to all founder alleles of the frequency weights times
// (1 - e)^matching e^(called - matching).
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
      w *= genotype == calls[i] ? 1 - e : e;
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

}  // namespace linkage_test
