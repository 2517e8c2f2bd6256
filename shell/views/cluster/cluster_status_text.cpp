// What the cluster view's status line says under the mouse.
#include "shell/views/cluster/cluster_status_text.hpp"

#include <algorithm>
#include <span>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_selection.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/info/term_table.hpp"

namespace {

std::string GeneTreeText(CLUSTER& genes, int x, int y) {
  const int node = genes.NearestNode(x, y);
  if (!genes.ValidNode(node)) return kClusterHelpText;
  const CLUSTER_NODE& n = genes.Node(node);
  if (genes.options.ordering == kOrderByPeakingTime) {
    const int peak = n.peak;
    const std::string name = peak >= 0 && peak < SampleGrouping.SampleCount()
                                 ? SampleGrouping.SampleName(peak)
                                 : std::string();
    return "Peak time of the nearest gene branch: " + name;
  }
  return MessageBuffer("Height of the nearest gene branch: %.3f", n.height);
}

std::string SupportText(const CLUSTER* tree, int slot, int rounds) {
  if (tree == nullptr || rounds <= 0 || slot < 0 || slot >= tree->n) return kClusterHelpText;
  const int leaf = tree->RowNode(slot);
  if (!tree->ValidNode(leaf)) return kClusterHelpText;
  return MessageBuffer("As cluster member %d times in %d resampling", tree->Node(leaf).support,
                       rounds);
}

std::string TermText(const ClusterHit& hit) {
  const TERM_TABLE& table = TermTables[static_cast<std::size_t>(hit.termColumn)];
  const int term = TermAtHit(hit);
  if (term < 0 || term >= table.Count()) return kClusterHelpText;
  std::string text =
      MessageBuffer("%s: %s (all: %d/%d) ",
                    GeneInfo.columnNames[static_cast<std::size_t>(hit.termColumn)].c_str(),
                    table.Name(term).c_str(), table.GeneCount(term), table.numAnnotated);
  CLUSTER* genes = GeneTree();
  if (genes == nullptr || !genes->ValidNode(genes->currentNode)) return text;
  const BranchAnnotation branch = genes->BranchTermCount(genes->currentNode, hit.termColumn, term);
  if (branch.annotated > 0)
    text += MessageBuffer("(highlighted: %d/%d, PValue=%f)", branch.hits, branch.annotated,
                          TermEnrichmentPValue(table, term, branch.annotated, branch.hits));
  return text;
}

std::string SampleInfoText(const ClusterHit& hit) {
  const ClusterCell cell = CellAt(-1, hit.column);
  const int sample = cell.sampleNode;
  const int array = cell.array;
  if (array < 0 || sample < 0 || sample >= SampleGrouping.SampleCount()) return kClusterHelpText;
  const SampleInfoColumn& column = SampleInfo.Column(hit.infoRow);
  const std::string& name = SampleGrouping.SampleName(sample);
  if (column.numeric) {
    return MessageBuffer("[%s's %s: %.2f (Standardized: %.2f)]", name.c_str(), column.name.c_str(),
                         SampleInfo.NumericValue(array, hit.infoRow),
                         SampleInfo.StandardizedValue(array, hit.infoRow));
  }
  const int category = SampleInfo.CategoryOf(array, hit.infoRow);
  if (category < 0 || category >= column.CategoryCount()) return kClusterHelpText;
  const SampleCategory& entry = column.categories[static_cast<std::size_t>(category)];
  std::string text = MessageBuffer("%s's %s: %s (all: %d/%d)", name.c_str(), column.name.c_str(),
                                   entry.name.c_str(), entry.sampleCount, column.sampleTotal);
  CLUSTER* samples = SampleTree();
  if (samples == nullptr || !samples->ValidNode(samples->currentNode)) return text;
  const BranchAnnotation branch =
      samples->BranchCategoryCount(samples->currentNode, hit.infoRow, category);
  text += MessageBuffer(
      " (highlighted: %d/%d, PValue=%f)", branch.hits, branch.annotated,
      SampleInfo.CategoryEnrichmentPValue(hit.infoRow, category, branch.annotated, branch.hits));
  return text;
}

std::string CellText(const ClusterHit& hit) {
  const auto [geneNode, sample, unit, array] = CellAt(hit.row, hit.column);
  const CLUSTER* genes = GeneTree();
  const Group& group = TheGroup();
  if (genes == nullptr || !genes->ValidNode(geneNode) || array < 0 || array >= group.NumArrays() ||
      unit < 0 || unit >= static_cast<int>(Layout.units.size()) || sample < 0 || sample >= genes->m)
    return kClusterHelpText;
  const GENE_INFO* gene = GeneInfo.Gene(unit);
  const std::string name =
      gene != nullptr ? std::string(gene->Name.substr(0, kStatusGeneNameLength)) : std::string();
  const std::vector<char>& calls = group.Array(array).calls;
  const char call = group.HasCalls && unit < static_cast<int>(calls.size())
                        ? calls[static_cast<std::size_t>(unit)]
                        : ' ';
  std::string text =
      MessageBuffer("[%s] [%s, %s, %c] ", group.Array(array).name.c_str(),
                    Layout.units[static_cast<std::size_t>(unit)].name, name.c_str(), call);
  const CLUSTER_NODE& node = genes->Node(geneNode);
  const auto at = static_cast<std::size_t>(sample);
  const double shown = at < node.profile.size() ? node.profile[at] : MISSING_VALUE;
  if (IsMissing(shown)) return text + "NA";
  const double raw = at < node.values.size() ? node.values[at] : MISSING_VALUE;
  const double error = at < node.errors.size() ? node.errors[at] : MISSING_VALUE;
  if (group.HasStdErrors && !IsMissing(error))
    return text + MessageBuffer("[%.2f (Raw value:%.1f, StdErr:%.0f)] ", shown, raw, error);
  return text + MessageBuffer("[%.2f (Raw value:%.2f)]", shown, raw);
}

}  // namespace

int TermAtHit(const ClusterHit& hit) {
  const GroupSettings& settings = TheGroup().Settings();
  return TermUnderPointer(CellAt(hit.row, 0).unit, hit.termColumn, hit.barOffset,
                          settings.FUNC_BAR_WD * settings.PIXEL_WD);
}

int TermUnderPointer(int unit, int termColumn, int barOffset, int barWidth) {
  if (!GeneInfo.Loaded() || termColumn < 0 || termColumn >= GeneInfo.numColumns) return -1;
  const std::span<const std::int16_t> terms = GeneInfo.TermIndices(unit, termColumn);
  if (terms.empty() || barOffset < 0) return -1;
  // The bar is drawn in equal parts, one per term, in the gene's term order.
  const int part = std::max(1, (barWidth - 2) / static_cast<int>(terms.size()));
  const auto slot = std::min(static_cast<std::size_t>(barOffset / part), terms.size() - 1);
  return terms[slot];
}

std::string ClusterStatusText(const ClusterHit& hit, int x, int y, int rounds) {
  CLUSTER* genes = GeneTree();
  if (genes == nullptr) return kClusterHelpText;
  switch (hit.zone) {
    case ClusterZone::kGeneTree:
      return GeneTreeText(*genes, x, y);
    case ClusterZone::kSampleTree: {
      CLUSTER* samples = SampleTree();
      const int node = samples != nullptr ? samples->NearestNode(x, y) : -1;
      if (samples == nullptr || !samples->ValidNode(node)) return kClusterHelpText;
      return MessageBuffer("Height of the nearest sample branch: %.3f", samples->Node(node).height);
    }
    case ClusterZone::kGeneSupport:
      return SupportText(genes, hit.row, rounds);
    case ClusterZone::kSampleSupport:
      return SupportText(SampleTree(), hit.column, rounds);
    case ClusterZone::kTermBar:
      return TermText(hit);
    case ClusterZone::kSampleInfo:
      return SampleInfoText(hit);
    case ClusterZone::kMatrix:
      return CellText(hit);
    default:
      return kClusterHelpText;
  }
}
