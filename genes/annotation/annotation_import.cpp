#include "genes/annotation/annotation_import.hpp"

#include <algorithm>
#include <memory>
#include <new>

#include "engine/base/text_helpers.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "engine/services/logged_replacement.hpp"
#include "genes/annotation/chromosomal_location.hpp"
#include "genes/annotation/genome_rows.hpp"
#include "genes/annotation/go_graph.hpp"
#include "genes/annotation/term_set.hpp"
#include "platform/file_replacement.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"
#include "platform/replacement_group.hpp"
#include "platform/replacement_stream.hpp"

ANNOT_IMPORT AnnotImport;

void GeneInfoRowTexts::Clear() {
  name.clear();
  description.clear();
  pathway.clear();
  chromosome.clear();
  pending.clear();
  goIds.clear();
  domainIds.clear();
}

namespace {

// The text between a line's first and second `","`: the second quoted field of a line.
constexpr std::string_view kFieldBreak = "\",\"";

bool LogRed(const std::string& text) {
  LogMessage(text, 0, kLogRed);
  return false;
}

bool WriteFailed(const std::string& path, const platform::FileReplacement& file) {
  return LogWriteFailure(MessageBuffer(kWriteInfoFileFailedMessage, path.c_str()), file.Error());
}

// A line the reader could not take whole or could not cut into items; false after a
// red line naming it.
bool LineRefused(platform::LineStatus status, CsvItems::Cut cut, long long number,
                 const std::string& path) {
  if (status == platform::LineStatus::kError)
    return LogRed(MessageBuffer(kReadAnnotationCsvFailedMessage, path.c_str()));
  if (status == platform::LineStatus::kCut)
    return LogRed(
        MessageBuffer(kCsvLineTooLongMessage, number, path.c_str(), kAnnotationLineLength));
  if (cut == CsvItems::Cut::kTooMany)
    return LogRed(MessageBuffer(kCsvLineTooManyItemsMessage, number, path.c_str(), kMaxCsvItems));
  return LogRed(MessageBuffer(kCsvLineUnbalancedQuotesMessage, number, path.c_str()));
}

void WriteHeader(const ANNOT_IMPORT& record, std::ostream& out) {
  if (record.type == kGeneInfoFileType) {
    out << "Probe Set Name\tIdentifier\tLocusLink\tName\t" << record.geneOntology->Name()
        << ".xls\t" << record.proteinDomains->Name() << ".xls\tPathway\tChromosome\tDescription\n";
  } else {
    out << kGenomeInfoHeader;
  }
}

// Clears the record's pointers to the term sets when the build ends, on every path.
class TermSetsInUse {
 public:
  explicit TermSetsInUse(ANNOT_IMPORT& record) : mRecord(record) {}
  ~TermSetsInUse() {
    mRecord.proteinDomains = nullptr;
    mRecord.geneOntology = nullptr;
    mRecord.graph = nullptr;
    mRecord.useGraph = false;
  }
  TermSetsInUse(const TermSetsInUse&) = delete;
  TermSetsInUse& operator=(const TermSetsInUse&) = delete;

 private:
  ANNOT_IMPORT& mRecord;
};

}  // namespace

bool ReadCsvHeader(ANNOT_IMPORT& record) {
  record.chipType = "Chip type";
  platform::LineReader lines;
  if (!lines.Open(record.csvPath, kAnnotationLineLength)) return false;
  std::string_view line;
  if (lines.Next(line) == platform::LineStatus::kEnd) return false;
  if (line.find("Annotation Date") != std::string_view::npos) {
    record.csvKind = kAnnotationCsvKind;
  } else if (line.find("Ortholog Probe Set") != std::string_view::npos) {
    record.csvKind = kOrthologCsvKind;
  } else {
    return false;
  }
  if (lines.Next(line) == platform::LineStatus::kEnd) return false;
  const std::size_t first = line.find(kFieldBreak);
  if (first == std::string_view::npos) return false;
  const std::size_t from = first + kFieldBreak.size();
  const std::size_t second = line.find(kFieldBreak, from);
  if (second == std::string_view::npos) return false;
  record.chipType.assign(line.substr(from, second - from));
  record.folder = platform::ParentFolder(record.csvPath);
  return true;
}

void MakeInfoFileName(ANNOT_IMPORT& record) {
  switch (record.type) {
    case kGeneInfoFileType:
      record.outputPath = platform::JoinPath(record.folder, record.chipType + " gene info.xls");
      break;
    case kGenomeInfoFileType:
      record.outputPath = platform::JoinPath(record.folder, record.chipType + " genome info.xls");
      break;
    case kCommonProbeSetFileType:
      record.outputPath = platform::JoinPath(
          record.folder, "common " + record.chipType + "_" + record.otherArrayType + ".xls");
      break;
    default:
      break;
  }
}

bool MakeInformationFile(ANNOT_IMPORT& record) {
  switch (record.type) {
    case kGeneInfoFileType:
      return MakeGeneInfoFile(record);
    case kGenomeInfoFileType: {
      platform::FileReplacement file;
      if (!ParseAnnotationCsv(record, file)) return false;
      if (!file.Commit()) return WriteFailed(record.outputPath, file);
      LogMessage(MessageBuffer(kGenomeInfoSavedMessage, record.outputPath.c_str()));
      return true;
    }
    case kCommonProbeSetFileType:
      return MakeCommonProbeSetFile(record);
    default:
      return LogRed(kUnknownInfoFileTypeMessage);
  }
}

bool ParseAnnotationCsv(ANNOT_IMPORT& record, platform::FileReplacement& file) {
  const bool geneInfo = record.type == kGeneInfoFileType;
  platform::LineReader lines;
  if (!OpenLinesOrLog(lines, record.csvPath, kAnnotationLineLength,
                      MessageBuffer(kReadAnnotationCsvFailedMessage, record.csvPath.c_str())))
    return false;
  if (!file.Open(record.outputPath)) return WriteFailed(record.outputPath, file);
  platform::ReplacementBuffer buffer(file);
  std::ostream out(&buffer);
  WriteHeader(record, out);
  if (geneInfo) {
    LogMessage(MessageBuffer("  Parsing Nelquad Annotation CSV file '%s', Round %d ...",
                             record.csvPath.c_str(), record.pass));
  } else {
    LogMessage(
        MessageBuffer("  Parsing Nelquad Annotation CSV file '%s'...", record.csvPath.c_str()));
  }
  LogMessage("    Line 0");
  record.values.Clear();
  record.row.Clear();
  if (geneInfo) WriteGeneInfoRow(record, out);

  std::string_view line;
  CsvItems items;
  platform::LineStatus status = lines.Next(line);
  if (status == platform::LineStatus::kError || status == platform::LineStatus::kCut)
    return LineRefused(status, CsvItems::Cut::kDone, 1, record.csvPath);
  // A byte-order mark before the first quote would be one more item, and every column of
  // the map would point one place off.
  line = WithoutByteOrderMark(line);
  if (!line.empty() && line.front() != '"')
    return LogRed("    The file header '" + std::string(line) + kHeaderNotQuotedMessage);
  CsvItems::Cut cut = items.Split(line);
  if (cut == CsvItems::Cut::kTooMany)
    return LogRed("    The file header '" + std::string(line) + kHeaderTooManyColumnsMessage);
  if (cut == CsvItems::Cut::kUnbalanced) return LineRefused(status, cut, 1, record.csvPath);
  record.map.Map(items.Items());
  if (record.map.Known() < kAnnotationColumns)
    return LogRed("    The file header '" + std::string(line) + kHeaderMissingColumnsMessage);

  int count = 0;
  while ((status = lines.Next(line)) != platform::LineStatus::kEnd) {
    cut = status == platform::LineStatus::kWhole ? items.Split(line) : CsvItems::Cut::kDone;
    if (status != platform::LineStatus::kWhole || cut != CsvItems::Cut::kDone)
      return LineRefused(status, cut, static_cast<long long>(lines.LineNumber()), record.csvPath);
    record.values.Clear();
    record.values.Take(items.Items(), record.map);
    if (geneInfo) {
      if (!FillGeneInfoRow(record)) return LogRed(kCsvParseErrorMessage);
      WriteGeneInfoRow(record, out);
    } else if (!OutputGenomeInfo(record.values.Value(kColumnProbeSet),
                                 record.values.Value(kColumnAlignment), record.row.genome, out)) {
      return false;
    }
    if (++count % kAnnotationProgressStep == 0) {
      Progress().ShowProgress(MessageBuffer("    Line %d", count));
      if (Progress().Stopped()) return false;
    }
  }
  Progress().ShowProgress(
      MessageBuffer("    Found annotation information for %d probe sets", count));
  if (!buffer.Flush()) return WriteFailed(record.outputPath, file);
  return true;
}

bool FillGeneInfoRow(ANNOT_IMPORT& record) {
  const AnnotationValues& values = record.values;
  GeneInfoRowTexts& row = record.row;
  row.name.assign(values.Value(kColumnName));
  std::replace(row.name.begin(), row.name.end(), '\t', ',');
  row.description.assign(values.Value(kColumnDescription));
  ReplaceAll(row.description, "Cluster Incl ", {});

  row.pathway.assign("|");
  row.pathway.append(values.Value(kColumnPathway));
  row.pathway.append("||");
  ReplaceAll(row.pathway, "|||", {});
  ReplaceAll(row.pathway, "||", "|");
  ReplaceAll(row.pathway, kMultiValueSeparator, "|");

  ParseChromosomalLocation(values.Value(kColumnChromosome), row.chromosome);

  // Protein domains: "IPR000001 // name" pieces.
  for (std::string_view pending = values.Value(kColumnDomain); !pending.empty();) {
    const std::string_view piece = NextMultiValue(pending);
    const std::size_t m = piece.find("IPR");
    if (m == std::string_view::npos) continue;
    const std::string_view id = piece.substr(m + 3, 6);
    const std::string_view name =
        m + 13 <= piece.size() ? piece.substr(m + 13) : std::string_view();
    const int index = record.proteinDomains->FindOrAddTerm(id, name, record.pass == 1);
    if (index < 0) return false;
    if (record.pass == 2) record.proteinDomains->AddTermToGene(index);
  }

  // Gene Ontology: "id // name // evidence" pieces of the three ontology columns.
  row.pending.assign(values.Value(kColumnProcess));
  row.pending.append(kMultiValueSeparator);
  row.pending.append(values.Value(kColumnComponent));
  row.pending.append(kMultiValueSeparator);
  row.pending.append(values.Value(kColumnFunction));
  const bool count = !record.useGraph && record.pass == 1;
  for (std::string_view pending = row.pending; !pending.empty();) {
    const std::string_view piece = NextMultiValue(pending);
    const std::size_t w = piece.find(" // ");
    if (w == std::string_view::npos) continue;
    const std::string_view rest = piece.substr(w + 4);
    const int index = record.geneOntology->FindOrAddTerm(piece.substr(0, w),
                                                         rest.substr(0, rest.find(" // ")), count);
    if (index < 0) continue;
    if (record.useGraph) {
      if (!record.graph->AddTermWithAncestors(index)) return false;
    } else if (record.pass == 2) {
      record.geneOntology->AddTermToGene(index);
    }
  }
  return true;
}

void WriteGeneInfoRow(ANNOT_IMPORT& record, std::ostream& out) {
  const std::string_view probeSet = record.values.Value(kColumnProbeSet);
  GeneInfoRowTexts& row = record.row;
  if (record.pass == 2 && !probeSet.empty()) {
    row.goIds.clear();
    record.geneOntology->AppendGeneTermIds(row.goIds);
    row.domainIds.clear();
    record.proteinDomains->AppendGeneTermIds(row.domainIds);
    out << probeSet << '\t' << record.values.Value(kColumnIdentifier) << '\t'
        << record.values.Value(kColumnLocusLink) << '\t' << row.name << '\t' << row.goIds << '\t'
        << row.domainIds << '\t' << row.pathway << '\t' << row.chromosome << '\t' << row.description
        << "\t\n";
  }
  record.values.Clear();
  if (record.useGraph) record.geneOntology->CountGeneTerms();
  record.geneOntology->ClearGeneTerms();
  record.proteinDomains->ClearGeneTerms();
}

bool MakeGeneInfoFile(ANNOT_IMPORT& record) {
  const TermSetsInUse inUse(record);
  std::unique_ptr<GO_GRAPH> graph;
  std::unique_ptr<TERM_SET> domains;
  std::unique_ptr<TERM_SET> plainOntology;
  if (!IsNone(record.ontologyPath)) {
    try {
      graph = std::make_unique<GO_GRAPH>();
    } catch (const std::bad_alloc&) {
      return LogRed(kGraphAllocationMessage);
    }
    if (graph->ReadGeneOntology(record.ontologyPath)) {
      graph->ClearGeneCounts();
      graph->ClearGeneTerms();
    } else {
      graph.reset();
      LogMessage(kNoGraphMessage);
    }
  }
  try {
    domains = std::make_unique<TERM_SET>("Protein Domain", kPlainTermSetCapacity);
    if (!graph) plainOntology = std::make_unique<TERM_SET>("Gene Ontology", kPlainTermSetCapacity);
  } catch (const std::bad_alloc&) {
    return LogRed(kTermSetAllocationMessage);
  }
  record.useGraph = graph != nullptr;
  record.graph = graph.get();
  record.proteinDomains = domains.get();
  record.geneOntology = graph ? static_cast<TERM_SET*>(graph.get()) : plainOntology.get();

  record.pass = 1;
  bool done;
  {
    // The first pass only counts; its rows are not kept.
    platform::FileReplacement counting;
    done = ParseAnnotationCsv(record, counting);
  }
  platform::FileReplacement file;
  if (done) {
    domains->SelectFrequentTerms();
    domains->ClearGeneTerms();
    record.geneOntology->SelectFrequentTerms();
    record.geneOntology->ClearGeneTerms();
    if (graph) graph->ClearGeneCounts();
    LogMessage("");
    record.pass = 2;
    done = ParseAnnotationCsv(record, file);
  }
  if (done) {
    LogMessage("");
    // The three files are one: all are written whole beside their targets before any takes
    // its place, and a failure to place one puts back those already placed.
    platform::FileReplacement domainTable;
    platform::FileReplacement ontologyTable;
    std::string domainSummary;
    std::string ontologySummary;
    done =
        domains->WriteTermFrequency(record.outputPath, domainTable, domainSummary) &&
        record.geneOntology->WriteTermFrequency(record.outputPath, ontologyTable, ontologySummary);
    platform::FileReplacement* const group[] = {&file, &domainTable, &ontologyTable};
    if (!done) {
      LogRed(MessageBuffer(kTermTablesFailedMessage, record.outputPath.c_str()));
    } else if (!platform::CommitTogether(group)) {
      done = LogWriteFailure(MessageBuffer(kInfoFilesNotPlacedMessage, record.outputPath.c_str()),
                             file.Error());
    } else {
      LogMessage(domainSummary);
      LogMessage(ontologySummary);
      LogMessage("  Please use all the three files together as Zelko 'Gene information file':");
      LogMessage(MessageBuffer("    Gene information file '%s' saved", record.outputPath.c_str()));
    }
  }
  LogMessage("");
  return done;
}
