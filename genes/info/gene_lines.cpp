// Reading the data lines of a gene information file into the genes, by one thread or,
// for a long file read afresh, by several, each taking a piece of the text.
#include "genes/info/gene_lines.hpp"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/unit_name_index.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

void Store(std::string_view& field, std::string_view value, bool rebuild) {
  if (rebuild || !value.empty()) field = value;
}

// The description loses its double quotes. Its characters lie in text the INFO keeps and
// owns, so they may be changed in place.
std::string_view BlankQuotes(std::string_view description) {
  if (description.find('"') == std::string_view::npos) return description;
  char* chars = const_cast<char*>(description.data());
  std::replace(chars, chars + description.size(), '"', ' ');
  return description;
}

// One data line into the unit's gene; fields the line does not reach stay as they are.
void ReadGeneLine(GENE_INFO& gene, const TextLine& line, int termColumns, bool rebuild) {
  const std::size_t fields = line.FieldCount();
  const auto columns = static_cast<std::size_t>(termColumns);
  std::string_view description;
  if (fields > 4 + columns) {
    description = line.Field(4 + columns);
    if (line.hasQuoteOrReturn)
      description = BlankQuotes(description.substr(0, description.find('\r')));
  }
  if (rebuild) {
    // Every field is written, empty where the line ends before it: no branch on whether
    // a field is empty, which the data decide.
    const auto field = [&](std::size_t i) {
      return i < fields ? line.Field(i) : std::string_view();
    };
    GENE_INFO fresh;
    fresh.Identifier = field(1);
    fresh.LocusLink = field(2);
    fresh.Name = field(3);
    for (std::size_t c = 0; c < columns; ++c) fresh.termText[c] = field(4 + c);
    fresh.Description = description;
    fresh.Name = fresh.Name.empty() ? fresh.Description : fresh.Name;
    gene = fresh;
    return;
  }
  if (fields > 1) Store(gene.Identifier, line.Field(1), rebuild);
  if (fields > 2) Store(gene.LocusLink, line.Field(2), rebuild);
  if (fields > 3) Store(gene.Name, line.Field(3), rebuild);
  for (std::size_t c = 0; c < columns; ++c)
    if (fields > 4 + c) Store(gene.termText[c], line.Field(4 + c), rebuild);
  if (fields > 4 + columns) Store(gene.Description, description, rebuild);
}

bool StopRequested(bool rebuild) {
  if (!Progress().Stopped()) return false;
  if (rebuild) ClearGeneInfo();
  return true;
}

bool ReadLinesInTurn(TextLines& lines, const std::string& path, int termColumns, bool rebuild,
                     int& genesRead) {
  UnitNameIndex units(Layout);
  const int geneCount = GeneInfo.GeneCount();
  TextLine line;
  genesRead = 0;
  for (;;) {
    const platform::LineStatus status = lines.Next(line);
    if (status == platform::LineStatus::kEnd || line.text.empty()) break;
    if (status == platform::LineStatus::kCut) LogGeneInfoLineCut(path, lines.LineNumber());
    const int unit = units.Find(line.Field(0));
    if (unit < 0 || unit >= geneCount) {
      Progress().Pump();
      if (StopRequested(rebuild)) return false;
      continue;
    }
    ReadGeneLine(GeneInfo.genes[static_cast<std::size_t>(unit)], line, termColumns, rebuild);
    if (++genesRead % kGeneInfoProgressStep != 0) continue;
    if (StopRequested(rebuild)) return false;
    Progress().ShowProgress(MessageBuffer("    Gene %d", genesRead));
  }
  return true;
}

// The text cut into pieces of whole lines, each at least minBytes long.
std::vector<std::string_view> CutAtLines(std::string_view text, int pieces, std::size_t minBytes) {
  pieces =
      static_cast<int>(std::clamp<std::size_t>(text.size() / std::max<std::size_t>(minBytes, 1), 1,
                                               static_cast<std::size_t>(std::max(pieces, 1))));
  std::vector<std::string_view> cut;
  std::size_t start = 0;
  for (int p = 1; p <= pieces && start < text.size(); ++p) {
    std::size_t end = text.size();
    if (p < pieces) {
      end = std::max(start,
                     text.size() / static_cast<std::size_t>(pieces) * static_cast<std::size_t>(p));
      end = text.find('\n', end);
      end = end == std::string_view::npos ? text.size() : end + 1;
    }
    cut.push_back(text.substr(start, end - start));
    start = end;
  }
  return cut;
}

// What the pieces read side by side share.
struct SplitRead {
  SplitRead(std::size_t geneCount) : claimed(geneCount) {}

  // Whether a line has written the gene; a second line of the same probe set means the
  // file must be read in turn, since the later line wins.
  std::vector<std::atomic<bool>> claimed;
  std::atomic<int> genesRead{0};
  // Set when the pieces cannot stand for one reader: a repeated probe set, an empty line
  // before the last piece, or a line cut at the length limit.
  std::atomic<bool> irregular{false};
  std::atomic<bool> stopped{false};
};

// Reads one piece. Only the calling thread shows progress and notices a user stop.
// The piece's first probe set is looked for from hintUnit on, where the piece's place in
// the file suggests it lies.
void ReadPiece(std::string_view piece, bool lastPiece, int hintUnit, int termColumns,
               SplitRead& shared, bool onCallingThread) {
  UnitNameIndex units(Layout);
  const int geneCount = GeneInfo.GeneCount();
  TextLines lines(piece);
  TextLine line;
  int genesRead = 0;
  bool first = true;
  for (;;) {
    const platform::LineStatus status = lines.Next(line);
    if (status == platform::LineStatus::kEnd) break;
    if (line.text.empty() || status == platform::LineStatus::kCut) {
      if (!lastPiece || status == platform::LineStatus::kCut) shared.irregular = true;
      break;
    }
    const int unit = first ? units.FindNear(line.Field(0), hintUnit) : units.Find(line.Field(0));
    first = false;
    if (unit < 0 || unit >= geneCount) {
      if (onCallingThread) {
        Progress().Pump();
        if (Progress().StopRequested()) shared.stopped = true;
      }
      if (shared.stopped) break;
      continue;
    }
    if (shared.claimed[static_cast<std::size_t>(unit)].exchange(true, std::memory_order_relaxed)) {
      shared.irregular = true;
      break;
    }
    ReadGeneLine(GeneInfo.genes[static_cast<std::size_t>(unit)], line, termColumns, true);
    if (++genesRead % kGeneInfoProgressStep != 0) continue;
    const int total = shared.genesRead.fetch_add(kGeneInfoProgressStep) + kGeneInfoProgressStep;
    if (onCallingThread) {
      if (Progress().StopRequested()) shared.stopped = true;
      Progress().ShowProgress(MessageBuffer("    Gene %d", total));
    }
    if (shared.stopped || shared.irregular) break;
  }
  shared.genesRead += genesRead % kGeneInfoProgressStep;
}

}  // namespace

bool ReadGeneLines(TextLines& lines, const std::string& path, int termColumns, bool rebuild,
                   int threads, int& genesRead) {
  const std::vector<std::string_view> pieces =
      rebuild ? CutAtLines(lines.Rest(), threads, GeneInfoSplit.minPieceBytes)
              : std::vector<std::string_view>();
  if (pieces.size() < 2) return ReadLinesInTurn(lines, path, termColumns, rebuild, genesRead);

  // A stop asked for before the threads start is honoured at once.
  if (StopRequested(rebuild)) return false;
  SplitRead shared(GeneInfo.genes.size());
  const std::string_view text = lines.Rest();
  platform::RunTasks(static_cast<int>(pieces.size()), threads, [&](int task, bool onCallingThread) {
    const auto p = static_cast<std::size_t>(task);
    const auto hintUnit = static_cast<int>(static_cast<double>(GeneInfo.GeneCount()) *
                                           static_cast<double>(pieces[p].data() - text.data()) /
                                           static_cast<double>(text.size()));
    ReadPiece(pieces[p], p + 1 == pieces.size(), hintUnit, termColumns, shared, onCallingThread);
  });
  if (shared.stopped) {
    LogMessage(kUserStopMessage, 0, kLogRed);
    ClearGeneInfo();
    return false;
  }
  if (!shared.irregular) {
    genesRead = shared.genesRead;
    return true;
  }
  // Read again in turn, over genes as they were before.
  std::fill(GeneInfo.genes.begin(), GeneInfo.genes.end(), GENE_INFO{});
  return ReadLinesInTurn(lines, path, termColumns, rebuild, genesRead);
}
