// A named set of annotation terms (Gene Ontology or Protein Domain) collected while an
// annotation file is imported: the terms are numbered, the probe sets annotated with each
// are counted, the most frequent are kept, and each probe set's terms are written as ids.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "genes/info/gene_info.hpp"

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

  const std::string& Name() const { return name_; }
  int Count() const { return static_cast<int>(entries_.size()); }
  int Capacity() const { return capacity_; }
  TERM_ENTRY& Entry(int index) { return entries_[static_cast<std::size_t>(index)]; }
  const TERM_ENTRY& Entry(int index) const { return entries_[static_cast<std::size_t>(index)]; }

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
  std::span<const int> GeneTerms() const { return geneTerms_; }
  // "|id|id|" of the current probe set's selected terms in the order added, or nothing.
  void AppendGeneTermIds(std::string& out) const;

  void ClearGeneCounts();
  // Keeps the kMaxSelectedTerms most frequent terms selected; among equal counts the
  // term added later (larger index) wins.
  void SelectFrequentTerms();
  // The table of selected terms by increasing id beside the gene information file
  // ("<path without extension> <set name>.xls"); false when it can't be written.
  bool WriteTermFrequency(const std::string& geneInfoPath) const;

 protected:
  // Appends a term without searching; -1 (logged) when the set is full.
  int AppendTerm(int id, std::string_view name);

 private:
  std::string name_;
  int capacity_;
  std::vector<TERM_ENTRY> entries_;
  std::unordered_map<int, int> indexOfId_;
  std::vector<int> geneTerms_;
  // Per term, the probe-set stamp it was last put into the gene list under: a cheap
  // duplicate check without scanning up to kMaxTermsPerGene entries.
  std::vector<unsigned> geneStamp_;
  unsigned currentStamp_ = 1;
};
