// Branch enrichment: the branches of the gene tree over-represented in an annotation term
// and the branches of the sample tree over-represented in a sample category, each logged
// and recorded as a functional cluster.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_tree.hpp"
#include "genes/cluster/functional_clusters.hpp"
#include "genes/info/gene_info.hpp"

namespace {

// A term (or category) of one node whose p-value fell below the threshold.
struct Significant {
  int item = 0;
  int count = 0;
  double p = 1.0;
};
using SignificantByNode = std::vector<std::vector<Significant>>;

// The terms of a unit in a column that the column's table holds; a unit outside the
// gene information has none.
template <class Visit>
bool ForEachLeafTerm(int unit, int column, Visit visit) {
  if (column < 0 || column >= kMaxTermColumns) return false;
  const int terms = TermTables[static_cast<std::size_t>(column)].Count();
  bool any = false;
  for (const std::int16_t term : GeneInfo.TermIndices(unit, column)) {
    if (term < 0 || term >= terms) continue;
    any = true;
    visit(static_cast<int>(term));
  }
  return any;
}

// The category of a sample's first array in a column, -1 when it has none the column
// holds.
int LeafCategory(int array, int column) {
  if (column < 0 || column >= SampleInfo.ColumnCount()) return -1;
  const int category = SampleInfo.CategoryOf(array, column);
  const int categories = std::min(SampleInfo.Column(column).CategoryCount(), kMaxCategories);
  return category >= 0 && category < categories ? category : -1;
}

// The children of internal node k whose counts it sums: made before it, so that one pass
// in creation order meets each child first (a tree file may link otherwise).
template <class Visit>
void ForEachEarlierChild(const CLUSTER& tree, int k, Visit visit) {
  const CLUSTER_NODE& node = tree.Node(k);
  for (const int child : {node.child1, node.child2})
    if (tree.ValidNode(child) && child < k) visit(child);
}

// counts[k] becomes the element-wise sum of its children's, whose own are dropped (each
// node has one parent), so that only the branches not yet merged hold an array.
void SumChildren(const CLUSTER& tree, int k, std::vector<std::vector<int>>& counts) {
  std::vector<int>& sum = counts[static_cast<std::size_t>(k)];
  ForEachEarlierChild(tree, k, [&](int child) {
    std::vector<int>& part = counts[static_cast<std::size_t>(child)];
    if (sum.empty()) {
      sum = std::move(part);
    } else {
      for (std::size_t i = 0; i < part.size() && i < sum.size(); ++i) sum[i] += part[i];
    }
    part = {};
  });
}

// The item's p-value becomes 1 in every internal node below k: a branch is reported, not
// its sub-branches.
void SuppressBelow(const CLUSTER& tree, int k, int item, SignificantByNode& significant) {
  std::vector<int> pending;
  ForEachEarlierChild(tree, k, [&](int child) { pending.push_back(child); });
  while (!pending.empty()) {
    const int node = pending.back();
    pending.pop_back();
    if (node < tree.ItemCount()) continue;
    std::vector<Significant>& list = significant[static_cast<std::size_t>(node)];
    const auto at = std::lower_bound(list.begin(), list.end(), item,
                                     [](const Significant& s, int i) { return s.item < i; });
    if (at != list.end() && at->item == item) at->p = 1.0;
    ForEachEarlierChild(tree, node, [&](int child) { pending.push_back(child); });
  }
}

// From the root down: every item still below the threshold is reported once, after its
// sub-branches are suppressed. False when report refuses.
template <class Report>
bool ReportFromRoot(const CLUSTER& tree, double threshold, SignificantByNode& significant,
                    Report report) {
  for (int k = tree.NodeCount() - 1; k >= tree.ItemCount(); --k) {
    for (const Significant& s : significant[static_cast<std::size_t>(k)]) {
      if (!(s.p < threshold)) continue;
      SuppressBelow(tree, k, s.item, significant);
      if (!report(k, s)) return false;
    }
  }
  return true;
}

// The leaves under node, by a walk of its own (the leaf list belongs to the view).
template <class Visit>
void ForEachLeaf(const CLUSTER& tree, int node, Visit visit) {
  std::vector<int> pending{node};
  int visits = 0;
  while (!pending.empty() && visits++ < tree.NodeCount()) {
    const int current = pending.back();
    pending.pop_back();
    if (!tree.ValidNode(current)) continue;
    if (current < tree.ItemCount()) {
      visit(tree.Node(current));
      continue;
    }
    pending.push_back(tree.Node(current).child2);
    pending.push_back(tree.Node(current).child1);
  }
}

}  // namespace

bool CLUSTER::FindGeneClusters() {
  if (!GeneInfo.Loaded()) return true;
  const double threshold = options.geneSignificance;
  const int columns = std::clamp(GeneInfo.numColumns, 0, kMaxTermColumns);
  for (int column = 0; column < columns; ++column) {
    const TERM_TABLE& table = TermTables[static_cast<std::size_t>(column)];
    const std::string& name = GeneInfo.columnNames[static_cast<std::size_t>(column)];
    LogMessage(MessageBuffer(kFindingTermClustersMessage, name.c_str()));
    const auto terms = static_cast<std::size_t>(table.Count());

    std::vector<std::vector<int>> counts(static_cast<std::size_t>(nodeCount));
    std::vector<int> annotated(static_cast<std::size_t>(nodeCount), 0);
    for (int leaf = 0; leaf < n; ++leaf) {
      std::vector<int> own(terms, 0);
      // A term listed twice still counts the gene once.
      if (!ForEachLeafTerm(Node(leaf).item, column,
                           [&](int term) { own[static_cast<std::size_t>(term)] = 1; }))
        continue;
      annotated[static_cast<std::size_t>(leaf)] = 1;
      counts[static_cast<std::size_t>(leaf)] = std::move(own);
    }

    SignificantByNode significant(static_cast<std::size_t>(nodeCount));
    int tests = 0;
    for (int k = n; k < nodeCount; ++k) {
      const auto at = static_cast<std::size_t>(k);
      ForEachEarlierChild(*this, k, [&](int child) {
        annotated[at] += annotated[static_cast<std::size_t>(child)];
      });
      SumChildren(*this, k, counts);
      if (annotated[at] < kMinAnnotatedGenes) continue;
      const std::vector<int>& sum = counts[at];
      for (std::size_t term = 0; term < sum.size(); ++term) {
        if (sum[term] < kMinTermGenes) continue;
        const int t = static_cast<int>(term);
        const double p = TermEnrichmentPValue(table, t, annotated[at], sum[term]);
        ++tests;
        if (p < threshold) significant[at].push_back({t, sum[term], p});
      }
    }

    const bool complete =
        ReportFromRoot(*this, threshold, significant, [&](int node, const Significant& s) {
          LogMessage(MessageBuffer(kFoundTermClusterMessage, s.count, table.Name(s.item).c_str(),
                                   annotated[static_cast<std::size_t>(node)],
                                   table.GeneCount(s.item), table.numAnnotated, s.p));
          return AddFunctionalCluster(node, 1, s.item, column);
        });
    if (!complete) return false;
    LogMessage(MessageBuffer(kTermPairsAssessedMessage, tests, name.c_str(), threshold));
    LogMessage("");
  }
  return true;
}

bool CLUSTER::FindSampleClusters() {
  const int columns = std::min(SampleInfo.ColumnCount(), kMaxSampleInfoColumns);
  if (columns <= 0) return true;
  const double threshold = options.sampleSignificance;
  LogMessage(kFindingSampleClustersMessage);

  // A node's block: per column its annotated samples, then every column's categories end
  // to end, column c's from columns + first[c]; sized by the information actually read.
  std::vector<int> first(static_cast<std::size_t>(columns) + 1, 0);
  for (int c = 0; c < columns; ++c)
    first[static_cast<std::size_t>(c) + 1] =
        first[static_cast<std::size_t>(c)] +
        std::min(SampleInfo.Column(c).CategoryCount(), kMaxCategories);
  const auto blockSize = static_cast<std::size_t>(columns + first.back());
  const auto columnOf = [&](int item) {
    return static_cast<int>(std::upper_bound(first.begin(), first.end(), item) - first.begin()) - 1;
  };

  std::vector<std::vector<int>> counts(static_cast<std::size_t>(nodeCount));
  for (int leaf = 0; leaf < n; ++leaf) {
    std::vector<int> own(blockSize, 0);
    bool any = false;
    for (int c = 0; c < columns; ++c) {
      const int category = LeafCategory(Node(leaf).item, c);
      if (category < 0) continue;
      own[static_cast<std::size_t>(c)] = 1;
      own[static_cast<std::size_t>(columns + first[static_cast<std::size_t>(c)] + category)] = 1;
      any = true;
    }
    if (any) counts[static_cast<std::size_t>(leaf)] = std::move(own);
  }

  SignificantByNode significant(static_cast<std::size_t>(nodeCount));
  // Kept per node for the report, once the node's block is summed into its parent's.
  std::vector<std::vector<int>> annotated(static_cast<std::size_t>(nodeCount));
  int tests = 0;
  for (int k = n; k < nodeCount; ++k) {
    const auto at = static_cast<std::size_t>(k);
    SumChildren(*this, k, counts);
    const std::vector<int>& block = counts[at];
    if (block.empty()) continue;
    annotated[at].assign(block.begin(), block.begin() + columns);
    for (int item = 0; item < first.back(); ++item) {
      const int count = block[static_cast<std::size_t>(columns + item)];
      if (count < kMinCategorySamples) continue;
      const int c = columnOf(item);
      const double p = SampleInfo.CategoryEnrichmentPValue(
          c, item - first[static_cast<std::size_t>(c)], block[static_cast<std::size_t>(c)], count);
      ++tests;
      if (p < threshold) significant[at].push_back({item, count, p});
    }
  }

  const bool complete =
      ReportFromRoot(*this, threshold, significant, [&](int node, const Significant& s) {
        const int c = columnOf(s.item);
        const int category = s.item - first[static_cast<std::size_t>(c)];
        const SampleInfoColumn& info = SampleInfo.Column(c);
        const SampleCategory& entry = info.categories[static_cast<std::size_t>(category)];
        LogMessage(MessageBuffer(
            kFoundSampleClusterMessage, s.count, info.name.c_str(), entry.name.c_str(),
            annotated[static_cast<std::size_t>(node)][static_cast<std::size_t>(c)],
            entry.sampleCount, info.sampleTotal, s.p));
        // Sample pairs carry the column where gene pairs carry the term.
        return AddFunctionalCluster(node, 0, c, category);
      });
  if (!complete) return false;
  LogMessage(MessageBuffer(kCategoryPairsAssessedMessage, tests, threshold));
  LogMessage("");
  return true;
}

BranchAnnotation CLUSTER::BranchTermCount(int node, int column, int term) const {
  BranchAnnotation result;
  if (!ValidNode(node) || column < 0 || column >= kMaxTermColumns) return result;
  ForEachLeaf(*this, node, [&](const CLUSTER_NODE& leaf) {
    bool hit = false;
    if (!ForEachLeafTerm(leaf.item, column, [&](int t) { hit = hit || t == term; })) return;
    ++result.annotated;
    if (hit) ++result.hits;
  });
  return result;
}

BranchAnnotation CLUSTER::BranchCategoryCount(int node, int column, int category) const {
  BranchAnnotation result;
  if (!ValidNode(node)) return result;
  ForEachLeaf(*this, node, [&](const CLUSTER_NODE& leaf) {
    const int own = LeafCategory(leaf.item, column);
    if (own < 0) return;
    ++result.annotated;
    if (own == category) ++result.hits;
  });
  return result;
}
