// Synthetic gene information for the probe sets of a chip: identifiers, LocusLink
// numbers (some shared, so that masking has work), names, descriptions and annotation
// terms in up to four columns, with the truth they were made from, and the
// tab-delimited gene information file and annotation index files written from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

struct GeneInfoOptions {
  std::uint64_t seed = 1;
  int termColumns = 4;                 // 0 to 4
  int vocabulary = 200;                // distinct terms per column
  int maxTermsPerGene = 6;             // a gene carries 0 to this many terms per column
  std::vector<int> maxTermsPerColumn;  // per column instead, where given
  int emptyShare = 10;       // percent of genes with an empty identifier, LocusLink and name
  int sharedLocusShare = 5;  // percent of genes that take an earlier gene's LocusLink
  // Columns whose terms are numbers looked up in an annotation index file ("<name>.txt"
  // beside the gene information file); the rest carry term names.
  std::vector<bool> indexBacked;
  bool crlf = false;
};

struct GeneRecord {
  std::string probeSet;
  std::string identifier;
  std::string locusLink;
  std::string name;
  std::string description;
  // Per column the terms of the gene, names (or numbers for index-backed columns) in
  // the order written.
  std::vector<std::vector<std::string>> terms;
};

struct IndexTerm {
  int number = 0;
  std::string name;
};

struct GeneInfoTruth {
  std::vector<std::string> columnNames;            // as in the header (".txt" for index-backed)
  std::vector<std::vector<IndexTerm>> indexTerms;  // per column; empty unless index-backed
  std::vector<GeneRecord> genes;                   // one per probe set, in the given order
  bool crlf = false;
};

GeneInfoTruth MakeGeneInfo(const std::vector<std::string>& probeSets,
                           const GeneInfoOptions& options);

// The file's text: the header "Probe Set Name, Identifier, LocusLink, Name, the term
// columns, Description", then one line per gene; several terms are joined with '|' and
// enclosed in bars.
std::string GeneInfoText(const GeneInfoTruth& truth);

// Writes the gene information file and the annotation index files of its index-backed
// columns into path's folder. False when a file cannot be written.
bool WriteGeneInfo(const GeneInfoTruth& truth, const std::string& path);

// A gene list planted to be enriched in known terms: listSize genes drawn at random, and
// in every term column plantedPerColumn terms (drawn among those some gene carries) given
// to each listed gene with the chance plantShare percent, on top of its own terms.
struct PlantOptions {
  std::uint64_t seed = 7;
  int listSize = 500;
  int plantedPerColumn = 2;
  int plantShare = 60;
};

struct PlantedList {
  std::vector<int> genes;  // indices into the truth's genes, in the list file's order
  // Per column the planted terms, as the gene information file writes them (names, or
  // numbers for index-backed columns).
  std::vector<std::vector<std::string>> plantedTerms;
  std::string header;              // the list file's first line
  std::vector<std::string> lines;  // per listed gene, its whole line in the file
};

// Draws the list and adds the planted terms to the listed genes of truth.
PlantedList PlantEnrichedList(GeneInfoTruth& truth, const PlantOptions& options);

// Writes the list file: the header, then the lines. False when it cannot be written.
bool WriteGeneList(const PlantedList& list, const std::string& path);

}  // namespace synth
