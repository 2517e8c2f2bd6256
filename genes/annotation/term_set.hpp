// A named set of annotation terms (Gene Ontology or Protein Domain) collected while an
// annotation file is imported: the terms are numbered, the probe sets annotated with each
// are counted, the most frequent are kept, and each probe set's terms are written as ids.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "genes/info/gene_info.hpp"

namespace platform {
class FileReplacement;
}

inline constexpr int kPlainTermSetCapacity = 5000;
inline constexpr int kGeneOntologyCapacity = 25000;
// Terms written into gene rows and the frequency table; the rest are left out.
inline constexpr int kMaxSelectedTerms = 1200;

struct TERM_ENTRY {
  int id = 0;  // the decimal value of the id text: 0006355 and 6355 are one term
  int geneCount = 0;
  int parentCount = 0;  // graph only
  int childCount = 0;   // graph only: times recorded as a parent
  std::string name;
  bool selected = true;  // written into gene rows and the frequency table
  bool active = true;    // may be put into a probe set's term list
};

class TERM_SET {
 public:
  TERM_SET(std::string name, int capacity);
  virtual ~TERM_SET();
  TERM_SET(const TERM_SET&) = delete;
  TERM_SET& operator=(const TERM_SET&) = delete;

  const std::string& Name() const { return mName; }
  int Count() const { return static_cast<int>(mEntries.size()); }
  int Capacity() const { return mCapacity; }
  TERM_ENTRY& Entry(int index) { return mEntries[static_cast<std::size_t>(index)]; }
  const TERM_ENTRY& Entry(int index) const { return mEntries[static_cast<std::size_t>(index)]; }

  // The index of the term with this id; with `add` an absent term is appended and a
  // found one counts one more gene. -1 (logged in red) when absent without `add`, when
  // the id text holds no number, or when the set is full.
  int FindOrAddTerm(std::string_view idText, std::string_view name, bool add);
  // The index of the term with this numeric id, or -1; never logs.
  int FindTerm(int id) const;

  // Puts an active term into the current probe set's list once; at most
  // kMaxTermsPerGene are held, later ones are dropped. Always true.
  bool AddTermToGene(int index);
  void CountGeneTerms();  // each term of the current probe set counts one more gene
  void ClearGeneTerms();
  std::span<const int> GeneTerms() const { return mGeneTerms; }
  // "|id|id|" of the current probe set's selected terms in the order added, or nothing.
  void AppendGeneTermIds(std::string& out) const;

  void ClearGeneCounts();
  // Keeps the kMaxSelectedTerms most frequent terms selected; among equal counts the
  // term met first (smaller index) wins.
  void SelectFrequentTerms();
  // The table of selected terms by increasing id beside the gene information file
  // ("<path without extension> <set name>.xls"), written into file (opened here) for the
  // caller to put in place with the files it belongs with; summary gets the line that tells
  // what it holds, for the log once it is in place. False, with a red line naming the file
  // and the system's reason, when it cannot be written.
  [[nodiscard]] bool WriteTermFrequency(const std::string& geneInfoPath,
                                        platform::FileReplacement& file,
                                        std::string& summary) const;
  // The same table put in place at once, its summary logged.
  [[nodiscard]] bool WriteTermFrequency(const std::string& geneInfoPath) const;

 protected:
  // Changes whenever the current probe set's list is emptied: a per-term mark equal to
  // it means "already met for this probe set".
  std::uint64_t GeneStamp() const { return mStamp; }

 private:
  std::string mName;
  int mCapacity;
  std::vector<TERM_ENTRY> mEntries;
  // Term ids below kDirectIds index a table of term indices (-1 for none), as long as the
  // highest such id added needs; larger ids go through the map. Every term of every CSV
  // line is looked up, twice.
  static constexpr int kDirectIds = 1 << 22;
  std::vector<int> mDirectIndexOfId;
  std::unordered_map<int, int> mIndexOfId;
  std::vector<int> mGeneTerms;
  std::vector<std::uint64_t> mInGene;  // per term, the stamp of the probe set it was put into
  std::uint64_t mStamp = 1;
};
