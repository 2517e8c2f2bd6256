// One pedigree read from its tab-delimited file: the persons, their parent links and
// generations, and the meioses whose outcomes make up an inheritance vector.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/line_reader.hpp"

inline constexpr int kMaxPerson = 27;  // persons per pedigree; founder alleles stay below it
inline constexpr int kMaxMeiosisBits = 21;

inline constexpr const char* kPedigreeHeader = "Father\tMother";
inline constexpr const char* kNotPedigreeMessage =
    "    Not a pedigree file since the header line doesn't contain 'Father\tMother'";
inline constexpr const char* kPersonLimitMessage = "    Error: Number of person exceeds limit";
inline constexpr const char* kMissingFieldsMessage =
    "    Error: line %d of the pedigree file lacks the family, person, father, mother, sex, "
    "array or affection field";
inline constexpr std::size_t kMaxPedigreeLine = 1000;  // characters; no pedigree line needs more
inline constexpr const char* kLongLineMessage =
    "    Error: line %d of the pedigree file runs past %zu characters, the longest line a "
    "pedigree file may hold";
inline constexpr const char* kLongArrayNameMessage =
    "    Error: the array name on line %d of the pedigree file runs past %zu characters, the "
    "longest line a pedigree file may hold";
inline constexpr const char* kUnreadableMessage =
    "    Error: the pedigree file could not be read at line %d";
inline constexpr const char* kShortLineMessage =
    "    Reading stopped at line %d, which is shorter than 2 characters: %d later lines of the "
    "pedigree file were left unread";
inline constexpr const char* kDuplicatePersonMessage =
    "    Error: person %d appears twice in the pedigree";
inline constexpr const char* kEmptyPedigreeMessage = "    Error: the pedigree holds no person";
inline constexpr const char* kParentMissingMessage =
    "  Person %d's parent %d not found in the pedigree; make sure both (or neither) parents are "
    "in the pedigree";
inline constexpr const char* kParentLoopMessage =
    "    Error: person %d is his or her own ancestor in the pedigree";
inline constexpr const char* kFounderAlleleMessage = "    Error: NumFounderAllele >= MAX_PERSON";
inline constexpr const char* kBitsMessage =
    "    0 or too many meioses events (bits) in the pedigree";
inline constexpr const char* kNoArrayMessage = "  No SNP data found for the pedigree";
inline constexpr const char* kNoAffectedMessage =
    "    Error: no person in the pedigree is affected";

enum Affection { kAffectionUnknown = 0, kUnaffected = 1, kAffected = 2 };
// What a person's array stands for in the LOH mode: a normal sample, a tumour alone, or a
// normal whose group also holds its tumour.
enum PairKind { kPairNormal = 0, kPairTumour = 1, kPairNormalAndTumour = 2 };

// What the LOH mode needs to know of a sample: how many samples its group holds, whether
// the next sample belongs to the same group, and the ploidy of its array (-1 unknown).
struct SamplePairing {
  int groupSamples = 1;
  bool nextInGroup = false;
  float ploidy = -1;
};
using PairingLookup = std::function<SamplePairing(int sample)>;

struct PedigreePerson {
  int family = 0, person = 0, sex = 0, affection = kAffectionUnknown;
  int father = 0, mother = 0;  // identifiers, 0 none
  int fatherIndex = -1, motherIndex = -1;
  int generation = -1;  // 0 founders
  std::string arrayName;
  int array = -1;        // sample of the matching array, -1 none
  int secondArray = -1;  // the tumour sample paired with array, LOH mode only
  int pairKind = kPairNormal;
};

// One transmission from a parent to a child: which of the parent's two alleles the child
// received is either fixed to the first (a founder's first meiosis) or a free bit of v.
struct Meiosis {
  int parent = -1;
  int child = -1;
  int side = 0;  // 0 the child's paternal allele, 1 its maternal one
  int bit = -1;  // -1 when fixed
};

// The sample of the array with this name, -1 when the group has none.
using ArrayLookup = std::function<int(const std::string& arrayName)>;

class Pedigree {
 public:
  // Reads the file into the person table; on any fault logs the red line and leaves the
  // table as it was. Reading ends at a line shorter than 2 characters; later lines that
  // hold anything are counted in a red line, as they are not read.
  [[nodiscard]] bool Read(const std::string& path, const ArrayLookup& lookup);
  // Same, from the file's text (path only names it in the log).
  [[nodiscard]] bool ReadText(const std::string& text, const std::string& path,
                              const ArrayLookup& lookup);
  // LOH mode: pairs every person's sample with its tumour. A sample alone in its group is
  // a tumour unless its ploidy is 2 (an unknown ploidy is not 2); a sample of a larger group
  // is the normal and the group's next sample its tumour.
  void PairSamples(const PairingLookup& pairing);
  // Parent links, generations, the sort into generation order, meioses and bits; false,
  // with the red line and the table unchanged, on a pedigree that cannot be analysed.
  [[nodiscard]] bool PrepareFounders();

  const std::vector<PedigreePerson>& Persons() const { return mPersons; }
  std::vector<PedigreePerson>& Persons() { return mPersons; }
  const std::vector<Meiosis>& Meioses() const { return mMeioses; }
  int Founders() const { return mFounders; }
  int FounderAlleles() const { return 2 * mFounders; }
  int Bits() const { return mBits; }
  std::uint32_t VectorCount() const { return 1u << mBits; }
  // Per founder with children, the bits of its free meioses. Which of a founder's two
  // alleles is its "first" is a name, not an observation: a vector and the one with all of a
  // founder's meioses flipped are the same inheritance, so a vector stands for both, and
  // the founder's fixed meiosis recombines as a flip of these bits.
  const std::vector<std::uint32_t>& FounderFlips() const { return mFounderFlips; }
  // Every meiosis, fixed ones included: the transmissions that can recombine.
  int MeiosisCount() const { return static_cast<int>(mMeioses.size()); }

  // The founder allele each person carries under vector v: alleles[2i] paternal,
  // alleles[2i + 1] maternal. Persons must be prepared.
  void Descent(std::uint32_t v, int* alleles) const;

 private:
  [[nodiscard]] bool ReadLines(platform::LineReader& reader, const ArrayLookup& lookup);

  std::vector<PedigreePerson> mPersons;
  std::vector<Meiosis> mMeioses;
  std::vector<std::uint32_t> mFounderFlips;
  int mFounders = 0;
  int mBits = 0;
};
