// The annotation import: the program's own tab-separated information files made from the
// array maker's annotation CSV file (the gene information file with its two term
// frequency tables, or the genome information file) or its ortholog CSV file (the common
// probe-set pair file). One record holds what the make-information-files dialog chose.
// Every file is written beside its path and takes its place only when the whole import
// has succeeded; a failed or stopped import leaves the files as they were.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "genes/annotation/annotation_csv.hpp"

class TERM_SET;
class GO_GRAPH;

namespace platform {
class FileReplacement;
}

inline constexpr int kGeneInfoFileType = 0;
inline constexpr int kGenomeInfoFileType = 1;
inline constexpr int kCommonProbeSetFileType = 2;
inline constexpr char kAnnotationCsvKind = 0;
inline constexpr char kOrthologCsvKind = 2;
// The annotation CSV shows this every so many lines, and honours a stop.
inline constexpr int kAnnotationProgressStep = 300;
// The ortholog conversion shows its line every so many lines.
inline constexpr int kOrthologProgressStep = 1000;

inline constexpr const char* kReadAnnotationCsvFailedMessage =
    "  Read Nelquad Annotation CSV file '%s' failed";
inline constexpr const char* kReadOrthologCsvFailedMessage =
    "  Read Nelquad Ortholog CSV file '%s' failed";
inline constexpr const char* kWriteInfoFileFailedMessage =
    "  Writing file '%s' failed; probably it's opened by Excel";
inline constexpr const char* kUnknownInfoFileTypeMessage = "  Unknown information file type";
inline constexpr const char* kGenomeInfoSavedMessage =
    "\n  The genome information file '%s' is saved";
inline constexpr const char* kHeaderTooManyColumnsMessage = "' has too many columns";
inline constexpr const char* kHeaderMissingColumnsMessage =
    "' does not contain some needed columns; please update to the latest Zelko. For SNP "
    "arrays, do not use this function but see Zelko manual";
// Our own: a header that does not open with a quoted field (a file saved without quotes
// around its fields), whose items the column map cannot follow.
inline constexpr const char* kHeaderNotQuotedMessage =
    "' does not begin with a double-quoted column name; the annotation CSV file must have "
    "every field in double quotes";
inline constexpr const char* kCsvParseErrorMessage = "    Error in parsing CSV file";
inline constexpr const char* kCsvLineTooLongMessage =
    "    Line %lld of '%s' is longer than %zu characters";
inline constexpr const char* kCsvLineTooManyItemsMessage =
    "    Line %lld of '%s' has more than %d quoted fields and separators";
inline constexpr const char* kCsvLineUnbalancedQuotesMessage =
    "    Line %lld of '%s' has unbalanced double quotes";
inline constexpr const char* kGraphAllocationMessage = "  Error: Allocating GO_GRAPH failed";
inline constexpr const char* kTermSetAllocationMessage = "  Error: Allocating TERM_SET failed";
inline constexpr const char* kNoGraphMessage = "  Do not use Gene Ontology structure information\n";
inline constexpr const char* kTermTablesFailedMessage =
    "  The term frequency tables could not be written; the gene information file '%s' is "
    "left as it was";
inline constexpr const char* kInfoFilesNotPlacedMessage =
    "  The gene information file '%s' and its term frequency tables could not be put in place; "
    "all three are left as they were";
inline constexpr const char* kNoOrthologPairsMessage =
    "    Found no orthologous/homologous probe set pairs; Check the 4th column of CSV file to "
    "make sure '%s' is the exact chip type name";
inline constexpr const char* kOrthologPairsSavedMessage =
    "    %d orthologous/homologous probe set pairs are saved in common probe set file '%s'";

// The texts of one gene information row, kept in use from line to line.
struct GeneInfoRowTexts {
  std::string name;         // tabs turned into commas
  std::string description;  // without "Cluster Incl "
  std::string pathway;      // |A|B| or empty
  std::string chromosome;   // |1|1p|1p36| or empty
  std::string pending;      // the Gene Ontology columns joined, or the domains
  std::string goIds;        // "|id|id|" of the selected terms
  std::string domainIds;
  std::string genome;  // scratch of the genome rows
  void Clear();
};

struct ANNOT_IMPORT {
  std::string csvPath;  // saved as VOSK_ANNOT_FILE
  // One of the three ontology files, or "None"; saved as GENE_ONTOLOGY_FILE.
  std::string ontologyPath = "None";
  std::string outputPath = "None";  // set by MakeInfoFileName
  int pass = 1;                     // of the gene information build
  int type = kGeneInfoFileType;
  std::string chipType;
  std::string otherArrayType = "ZK_Mouse_1";  // the other species' chip, for type 2
  char csvKind = kAnnotationCsvKind;
  std::string folder;  // of the CSV file
  bool useGraph = false;
  int pairCount = 0;

  // The current line's values, the header's column map and the row being made.
  AnnotationValues values;
  CsvColumnMap map;
  GeneInfoRowTexts row;
  // Alive during one gene information build; owned by MakeGeneInfoFile.
  TERM_SET* proteinDomains = nullptr;
  TERM_SET* geneOntology = nullptr;  // the graph when useGraph
  GO_GRAPH* graph = nullptr;
};

extern ANNOT_IMPORT AnnotImport;

// Reads the chosen CSV file's kind (annotation or ortholog, from its first line), its
// chip type (the second quoted field of the next line) and its folder. False when it
// can't be read or is neither kind.
bool ReadCsvHeader(ANNOT_IMPORT& record);
// The output path for the record's type: "<chip type> gene info.xls", "<chip type> genome
// info.xls" or "common <chip type>_<other array type>.xls" in the CSV file's folder.
void MakeInfoFileName(ANNOT_IMPORT& record);
// Runs the import of the record's type; false (logged in red) on any failure.
bool MakeInformationFile(ANNOT_IMPORT& record);

// The gene information file in two passes over the CSV file (the terms counted, the
// frequent ones selected, then the rows written) and its two term frequency tables.
bool MakeGeneInfoFile(ANNOT_IMPORT& record);
// One pass over the annotation CSV file for type 0 or 1, writing into output (opened here
// for the output path, not committed).
bool ParseAnnotationCsv(ANNOT_IMPORT& record, platform::FileReplacement& output);
// The current line's probe set, texts and terms (type 0); false when a term set is full.
bool FillGeneInfoRow(ANNOT_IMPORT& record);
// In pass 2, the current row (nothing while the probe set is empty); then clears the
// values and the genes' term lists (counting them first with the graph).
void WriteGeneInfoRow(ANNOT_IMPORT& record, std::ostream& out);
// The common probe-set pair file from the ortholog CSV file.
bool MakeCommonProbeSetFile(ANNOT_IMPORT& record);
