// A synthetic annotation CSV file of the array maker's layout, and an ortholog CSV file,
// with the truth the import must reproduce: the first line a header naming the known
// columns (older or newer names) among others in a shuffled order, with the chip type in
// the second field of every data row; every field quoted; multi-valued fields joined by
// " /// ", "---" for none, empty quoted fields, commas (and tabs) inside fields, and on
// request doubled quotes inside descriptions, a byte-order mark and CRLF line ends; Gene
// Ontology terms "id // name // evidence" drawn from the terms given, InterPro domains
// "IPR000001 // name", pathways, chromosomal locations and genome alignments
// "chr1:1000-2000 (+) // 99 // p36".
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace synth {

// A Gene Ontology term the file may name: its id text (seven digits) and its name.
struct AnnotationTerm {
  std::string idText;
  std::string name;
};

struct AnnotationOptions {
  std::uint64_t seed = 1;
  std::string chipType = "ZK_Test_1";
  int minGoTerms = 0;  // per probe set, over the three ontology columns
  int maxGoTerms = 6;
  int domains = 200;  // protein domain vocabulary
  int maxDomains = 3;
  int pathways = 30;
  int extraColumns = 6;     // columns the import does not read
  int noneShare = 10;       // percent of fields written "---"
  int emptyShare = 5;       // percent of fields written as an empty quoted field
  int olderNameShare = 50;  // percent of known columns under their older name
  // As spreadsheet programs save the file: a UTF-8 byte-order mark before the header,
  // CRLF line ends, and words in double quotes in this percent of the descriptions (a
  // quote written doubled inside its field).
  bool byteOrderMark = false;
  bool crlf = false;
  int quotedWordShare = 0;
};

struct GenomeAlignment {
  std::string chromosome;  // "1".."22", "X", "Y"
  int start = 0;
  int end = 0;
  char strand = '+';
};

// One probe set as the gene and genome information files must give it back.
struct AnnotationProbeSet {
  std::string probeSet;
  std::string identifier;
  std::string locusLink;
  std::string name;          // tabs read as commas
  std::string description;   // without "Cluster Incl "
  std::vector<int> goTerms;  // indices into the terms given, in the order written
  std::vector<int> domains;  // indices into AnnotationTruth::domains, in the order written
  std::string pathway;       // |A|B| or empty
  std::string chromosome;    // |1|1p|1p36| or empty
  std::vector<GenomeAlignment> alignments;  // in the order written
};

struct AnnotationTruth {
  std::string chipType;
  std::vector<std::string> header;      // the column names in file order
  std::vector<AnnotationTerm> domains;  // id text (six digits) and name
  std::vector<AnnotationProbeSet> probeSets;
  std::string text;  // the CSV file
};

AnnotationTruth MakeAnnotation(const std::vector<std::string>& probeSets,
                               const std::vector<AnnotationTerm>& goTerms,
                               const AnnotationOptions& options);

struct OrthologOptions {
  std::uint64_t seed = 1;
  std::string chipType = "ZK_Test_1";
  std::string otherChipType = "ZK_Other_2";
  int pairShare = 60;  // percent of rows that name the other chip type
};

struct OrthologTruth {
  std::string chipType;
  std::string otherChipType;
  std::vector<std::pair<std::string, std::string>> pairs;  // probe set, ortholog; in file order
  std::string text;
};

// Rows for the probe sets, some naming the other chip type (in any case), the rest a
// third one.
OrthologTruth MakeOrthologs(const std::vector<std::string>& probeSets,
                            const OrthologOptions& options);

bool WriteTextFile(const std::string& path, const std::string& text);

}  // namespace synth
