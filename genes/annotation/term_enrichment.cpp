// Gene classification by annotation terms with the enrichment p-value of each term.
#include "genes/annotation/term_enrichment.hpp"

#include <algorithm>
#include <new>
#include <ostream>
#include <span>
#include <string_view>
#include <vector>

#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "genes/info/gene_info.hpp"
#include "platform/file_replacement.hpp"
#include "platform/replacement_stream.hpp"

namespace {

// One column's terms among the listed genes: per term how many listed genes carry it
// and which (in unit order), gathered in one pass so that a term's lines need no search
// of the whole list.
struct ColumnTally {
  std::vector<int> counts;  // per term of the column's table
  std::vector<int> starts;  // term t's genes lie in units[starts[t], starts[t + 1])
  std::vector<int> units;
  int annotated = 0;  // listed genes with at least one term in the column
};

void TallyColumn(std::span<const int> listed, int column, ColumnTally& tally) {
  const int terms = TermTables[static_cast<std::size_t>(column)].Count();
  tally.counts.assign(static_cast<std::size_t>(terms), 0);
  tally.annotated = 0;
  // An index beyond the table (a table emptied under loaded genes) is passed over.
  const auto valid = [terms](std::int16_t index) { return index >= 0 && index < terms; };
  for (const int unit : listed) {
    const std::span<const std::int16_t> indices = GeneInfo.TermIndices(unit, column);
    if (indices.empty()) continue;
    ++tally.annotated;
    for (const std::int16_t index : indices)
      if (valid(index)) ++tally.counts[static_cast<std::size_t>(index)];
  }
  tally.starts.assign(static_cast<std::size_t>(terms) + 1, 0);
  for (int t = 0; t < terms; ++t)
    tally.starts[static_cast<std::size_t>(t) + 1] =
        tally.starts[static_cast<std::size_t>(t)] + tally.counts[static_cast<std::size_t>(t)];
  tally.units.resize(static_cast<std::size_t>(tally.starts.back()));
  std::vector<int> next(tally.starts.begin(), tally.starts.end() - 1);
  for (const int unit : listed)
    for (const std::int16_t index : GeneInfo.TermIndices(unit, column))
      if (valid(index))
        tally.units[static_cast<std::size_t>(next[static_cast<std::size_t>(index)]++)] = unit;
}

void Write(std::ostream& stream, std::string_view text) {
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// Writes column's terms that the listed genes carry, with their lines, and the closing
// count of terms assessed.
void WriteColumn(std::ostream& stream, int column, const ColumnTally& tally, bool onlySignificant,
                 double threshold) {
  const TERM_TABLE& table = TermTables[static_cast<std::size_t>(column)];
  const std::string& columnName = GeneInfo.columnNames[static_cast<std::size_t>(column)];
  int pairs = 0;
  for (int t = 0; t < static_cast<int>(tally.counts.size()); ++t) {
    const int n = tally.counts[static_cast<std::size_t>(t)];
    if (n <= 0) continue;
    ++pairs;
    const double p = TermEnrichmentPValue(table, t, tally.annotated, n);
    if (onlySignificant && !(p < threshold && n > 1)) continue;
    std::string line = MessageBuffer(
        "Found %d %s \"%s\" genes in a list with %d annotated genes (all: %d/%d, PValue: %f) ", n,
        columnName.c_str(), table.Name(t).c_str(), tally.annotated, table.GeneCount(t),
        table.numAnnotated, p);
    line += EnrichmentStars(p, threshold);
    line += '\n';
    Write(stream, line);
    const auto from = static_cast<std::size_t>(tally.starts[static_cast<std::size_t>(t)]);
    const auto to = static_cast<std::size_t>(tally.starts[static_cast<std::size_t>(t) + 1]);
    for (std::size_t i = from; i < to; ++i) {
      Write(stream, GeneList.lineTexts[static_cast<std::size_t>(tally.units[i])]);
      Write(stream, "\n");
    }
    Write(stream, "\n");
  }
  Write(stream,
        MessageBuffer("%d cluster-%s term pairs assessed for enrichment with p-value < %f\n\n",
                      pairs, columnName.c_str(), threshold));
}

}  // namespace

std::string EnrichmentStars(double pValue, double threshold) {
  std::string stars;
  if (!(pValue < threshold)) return stars;
  double v = std::max(pValue, kSmallestStarredPValue);
  do {
    stars += '*';
    v *= 10.0;
  } while (v < 1.0);
  return stars;
}

bool ClassifyGenesByTerms(const std::string& listFile, const std::string& outputFile,
                          bool onlySignificant) {
  // The kept lines are needed for this file only.
  struct FreeLines {
    ~FreeLines() { std::vector<std::string>().swap(GeneList.lineTexts); }
  } freeLines;
  try {
    GeneList.FitLayout();
    GeneList.lineTexts.assign(GeneList.entries.size(), std::string());
  } catch (const std::bad_alloc&) {
    LogMessage(kAllocatingFileLinesMessage, 0, kLogRed);
    return false;
  }
  GeneList.headerText = kNoHeaderLineText;
  if (ReadGeneList(nullptr, listFile, true) < 0) {
    const std::string& path = listFile.empty() ? TheGroup().Settings().GENE_LIST_FILE : listFile;
    LogMessage(std::string(kReadingGeneListFailedMessage) + path + kReadingGeneListFailedTail, 0,
               kLogRed);
    return false;
  }

  const auto write = [onlySignificant](platform::FileReplacement& file) {
    platform::ReplacementBuffer buffer(file);
    std::ostream stream(&buffer);
    Write(stream, GeneList.headerText);
    Write(stream, "\n\n");

    std::vector<int> listed;
    const int units = std::min(GeneInfo.GeneCount(), static_cast<int>(GeneList.entries.size()));
    for (int unit = 0; unit < units; ++unit)
      if (GeneList.Listed(unit)) listed.push_back(unit);
    const double threshold = TheGroup().Settings().SIG_GENE_PVALUE;
    ColumnTally tally;
    const int columns = GeneInfo.Loaded() ? GeneInfo.numColumns : 0;
    for (int c = 0; c < columns; ++c) {
      TallyColumn(listed, c, tally);
      WriteColumn(stream, c, tally, onlySignificant, threshold);
    }
    return buffer.Flush();
  };
  return ReplaceFileOrLog(outputFile,
                          MessageBuffer(kClassifyWriteFailedMessage, outputFile.c_str()), write);
}
