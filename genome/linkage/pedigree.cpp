#include "genome/linkage/pedigree.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "platform/line_reader.hpp"
#include "platform/readable_file.hpp"

namespace {

constexpr std::array<const char*, 3> kAffectionTexts = {"Unknown", "Unaffected", "Affected"};
constexpr std::array<const char*, 3> kPairTexts = {"normal", "tumor", "normal and tumor"};

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

bool ParseInt(const std::string& text, int* value) {
  char rest = 0;
  return std::sscanf(text.c_str(), "%d %c", value, &rest) == 1;
}

}  // namespace

bool Pedigree::Read(const std::string& path, const ArrayLookup& lookup) {
  platform::LineReader reader;
  if (!OpenLinesOrLog(reader, path, kMaxPedigreeLine,
                      "  Reading pedigree file '" + path + "' failed"))
    return false;
  LogMessage("  Reading pedigree file '" + path + "'...");
  return ReadLines(reader, lookup);
}

bool Pedigree::ReadText(const std::string& text, const std::string& path,
                        const ArrayLookup& lookup) {
  platform::LineReader reader;
  reader.OpenBuffer(text, kMaxPedigreeLine);
  LogMessage("  Reading pedigree file '" + path + "'...");
  return ReadLines(reader, lookup);
}

bool Pedigree::ReadLines(platform::LineReader& reader, const ArrayLookup& lookup) {
  std::string_view view;
  platform::LineStatus status = reader.Next(view);
  if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError ||
      view.find(kPedigreeHeader) == std::string_view::npos) {
    LogMessage(kNotPedigreeMessage, 0, kLogRed);
    return false;
  }
  std::vector<PedigreePerson> persons;
  while ((status = reader.Next(view)) == platform::LineStatus::kWhole ||
         status == platform::LineStatus::kCut) {
    const int lineNumber = static_cast<int>(reader.LineNumber());
    const std::string line(view);
    if (line.size() < 2) {
      // The file's rule ends the reading here; what follows is said, not read.
      int left = 0;
      while ((status = reader.Next(view)) == platform::LineStatus::kWhole ||
             status == platform::LineStatus::kCut)
        left += view.find_first_not_of(" \t") != std::string_view::npos;
      if (left > 0) LogMessage(MessageBuffer(kShortLineMessage, lineNumber, left), 0, kLogRed);
      break;
    }
    const std::vector<std::string> fields = SplitTabs(line);
    PedigreePerson p;
    const bool numbers = std::sscanf(line.c_str(), "%d%d%d%d%d", &p.family, &p.person, &p.father,
                                     &p.mother, &p.sex) == 5;
    if (status == platform::LineStatus::kCut) {
      // The line was cut inside its array name when that is the last field it reached.
      LogMessage(
          MessageBuffer(numbers && fields.size() == 6 ? kLongArrayNameMessage : kLongLineMessage,
                        lineNumber, kMaxPedigreeLine),
          0, kLogRed);
      return false;
    }
    if (!numbers || fields.size() < 7 || !ParseInt(fields[6], &p.affection)) {
      LogMessage(MessageBuffer(kMissingFieldsMessage, lineNumber), 0, kLogRed);
      return false;
    }
    // The limit is checked before the person is taken, so the table never outgrows it.
    if (static_cast<int>(persons.size()) >= kMaxPerson) {
      LogMessage(kPersonLimitMessage, 0, kLogRed);
      return false;
    }
    for (const PedigreePerson& other : persons) {
      if (other.person != p.person) continue;
      LogMessage(MessageBuffer(kDuplicatePersonMessage, p.person), 0, kLogRed);
      return false;
    }
    p.arrayName = fields[5];
    p.array = lookup ? lookup(p.arrayName) : -1;
    p.generation = p.father == 0 && p.mother == 0 ? 0 : -1;
    persons.push_back(std::move(p));
  }
  if (status == platform::LineStatus::kError) {
    LogMessage(MessageBuffer(kUnreadableMessage, static_cast<int>(reader.LineNumber()) + 1), 0,
               kLogRed);
    return false;
  }
  if (persons.empty()) {
    LogMessage(kEmptyPedigreeMessage, 0, kLogRed);
    return false;
  }
  mPersons = std::move(persons);
  mMeioses.clear();
  mFounderFlips.clear();
  mFounders = mBits = 0;
  return true;
}

void Pedigree::PairSamples(const PairingLookup& pairing) {
  for (PedigreePerson& p : mPersons) {
    p.pairKind = kPairNormal;
    p.secondArray = -1;
    if (p.array < 0) continue;
    const SamplePairing s = pairing(p.array);
    if (s.groupSamples >= 2 && s.nextInGroup) {
      p.pairKind = kPairNormalAndTumour;
      p.secondArray = p.array + 1;
    } else if (s.groupSamples < 2 && s.ploidy != 2) {
      // The tumour's own calls are the second column; it has no normal.
      p.pairKind = kPairTumour;
      p.secondArray = p.array;
    }
  }
}

bool Pedigree::PrepareFounders() {
  std::vector<PedigreePerson> persons = mPersons;
  if (persons.empty()) {
    LogMessage(kEmptyPedigreeMessage, 0, kLogRed);
    return false;
  }
  auto indexOf = [&persons](int id) {
    for (std::size_t i = 0; i < persons.size(); ++i)
      if (persons[i].person == id) return static_cast<int>(i);
    return -1;
  };
  auto link = [&]() {
    for (PedigreePerson& p : persons) {
      p.fatherIndex = p.father == 0 && p.mother == 0 ? -1 : indexOf(p.father);
      p.motherIndex = p.father == 0 && p.mother == 0 ? -1 : indexOf(p.mother);
    }
  };
  link();
  for (const PedigreePerson& p : persons) {
    if (p.father == 0 && p.mother == 0) continue;
    if (p.fatherIndex < 0 || p.motherIndex < 0) {
      LogMessage(
          MessageBuffer(kParentMissingMessage, p.person, p.fatherIndex < 0 ? p.father : p.mother),
          0, kLogRed);
      return false;
    }
  }
  for (PedigreePerson& p : persons) p.generation = p.fatherIndex < 0 ? 0 : -1;
  // Each pass settles at least one person unless the parents form a loop.
  for (bool progress = true; progress;) {
    progress = false;
    for (PedigreePerson& p : persons) {
      if (p.generation >= 0) continue;
      const int f = persons[static_cast<std::size_t>(p.fatherIndex)].generation;
      const int m = persons[static_cast<std::size_t>(p.motherIndex)].generation;
      if (f < 0 || m < 0) continue;
      p.generation = 1 + std::max(f, m);
      progress = true;
    }
  }
  for (const PedigreePerson& p : persons) {
    if (p.generation >= 0) continue;
    LogMessage(MessageBuffer(kParentLoopMessage, p.person), 0, kLogRed);
    return false;
  }
  std::stable_sort(
      persons.begin(), persons.end(),
      [](const PedigreePerson& a, const PedigreePerson& b) { return a.generation < b.generation; });
  link();

  int founders = 0, withArray = 0, affected = 0;
  for (const PedigreePerson& p : persons) {
    LogMessage(MessageBuffer(
        "    Person %d, parent (%d, %d), generation %d, array %s, %s, %s sample", p.person,
        p.father, p.mother, p.generation + 1, p.array >= 0 ? p.arrayName.c_str() : "NA",
        p.affection >= 0 && p.affection <= 2
            ? kAffectionTexts[static_cast<std::size_t>(p.affection)]
            : "Unknown",
        kPairTexts[static_cast<std::size_t>(std::clamp(p.pairKind, 0, 2))]));
    founders += p.generation == 0;
    withArray += p.array >= 0;
    affected += p.affection == kAffected;
  }
  LogMessage("");
  if (2 * founders >= kMaxPerson) {
    LogMessage(kFounderAlleleMessage, 0, kLogRed);
    return false;
  }

  std::vector<Meiosis> meioses;
  std::vector<bool> founderUsed(persons.size(), false);
  int bits = 0;
  for (std::size_t c = 0; c < persons.size(); ++c) {
    if (persons[c].generation == 0) continue;
    for (int side = 0; side < 2; ++side) {
      Meiosis m;
      m.parent = side == 0 ? persons[c].fatherIndex : persons[c].motherIndex;
      m.child = static_cast<int>(c);
      m.side = side;
      const auto parent = static_cast<std::size_t>(m.parent);
      // A founder's first transmission only names which of its two alleles is "first".
      if (persons[parent].generation == 0 && !founderUsed[parent])
        founderUsed[parent] = true;
      else
        m.bit = bits++;
      meioses.push_back(m);
    }
  }
  if (bits == 0 || bits > kMaxMeiosisBits) {
    LogMessage(kBitsMessage, 0, kLogRed);
    return false;
  }
  const int people = static_cast<int>(persons.size());
  LogMessage(
      MessageBuffer("    Found information for %d individuals (%d founders, %d "
                    "nonfounders, %d bits), %d of them have SNP array data\n",
                    people, founders, people - founders, bits, withArray));
  if (withArray == 0) {
    LogMessage(kNoArrayMessage, 0, kLogRed);
    return false;
  }
  if (affected == 0) {
    LogMessage(kNoAffectedMessage, 0, kLogRed);
    return false;
  }
  std::vector<std::uint32_t> flips;
  for (std::size_t f = 0; f < persons.size(); ++f) {
    if (!founderUsed[f]) continue;
    std::uint32_t mask = 0;
    for (const Meiosis& m : meioses)
      if (m.parent == static_cast<int>(f) && m.bit >= 0) mask |= 1u << m.bit;
    flips.push_back(mask);
  }
  mPersons = std::move(persons);
  mMeioses = std::move(meioses);
  mFounderFlips = std::move(flips);
  mFounders = founders;
  mBits = bits;
  return true;
}

void Pedigree::Descent(std::uint32_t v, int* alleles) const {
  int founder = 0;
  for (std::size_t i = 0; i < mPersons.size(); ++i) {
    if (mPersons[i].generation != 0) continue;
    alleles[2 * i] = 2 * founder;
    alleles[2 * i + 1] = 2 * founder + 1;
    ++founder;
  }
  // Meioses run in child order, and children follow their parents.
  for (const Meiosis& m : mMeioses) {
    const int which = m.bit < 0 ? 0 : static_cast<int>((v >> m.bit) & 1u);
    alleles[2 * m.child + m.side] = alleles[2 * m.parent + which];
  }
}
