// The clustering exports. Every table is formatted row by row into a stream over a file
// replacement, so a failed write leaves the old file as it was.
#include "genes/cluster/cluster_exports.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string_view>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "genes/cluster/cluster_distance.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/info/gene_info.hpp"
#include "platform/path.hpp"
#include "platform/replacement_stream.hpp"

namespace {

GroupSettings& Settings() {
  return TheGroup().Settings();
}

// A stream over the replacement of one file; Finish puts it in place.
class ExportFile {
 public:
  bool Open(const std::string& path) {
    if (!mFile.Open(path)) return false;
    mBuffer = std::make_unique<platform::ReplacementBuffer>(mFile);
    mStream = std::make_unique<std::ostream>(mBuffer.get());
    return true;
  }
  std::ostream& Stream() { return *mStream; }
  void Write(std::string_view text) {
    mStream->write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  bool Finish() { return mBuffer->Flush() && mFile.Commit(); }
  // The system's reason of a failed Open or Finish.
  int Error() const { return mFile.Error(); }

 private:
  platform::FileReplacement mFile;
  std::unique_ptr<platform::ReplacementBuffer> mBuffer;
  std::unique_ptr<std::ostream> mStream;
};

// The trees' columns are the samples of the grouping they were made from; after the
// array list changed, the names would no longer be theirs.
bool TreeMatchesSamples(const CLUSTER& genes) {
  const int samples = SampleGrouping.SampleCount();
  if (genes.ValueCount() == samples) return true;
  LogMessage(MessageBuffer(kTreeSamplesChangedMessage, genes.ValueCount(), samples), 0, kLogRed);
  return false;
}

void AppendFixed(std::string& text, double value) {
  if (!IsMissing(value)) {
    char number[64];
    std::snprintf(number, sizeof number, "%.2f", value);
    text += number;
  }
  text += '\t';
}

void AppendGeneral(std::string& text, double value) {
  char number[64];
  std::snprintf(number, sizeof number, "%g", value);
  text += number;
  text += '\t';
}

double FloatValue(float value) {
  return value == kMissingValueFloat ? MISSING_VALUE : static_cast<double>(value);
}

// Writes the branches of the gene tree over the kept sample columns.
class BranchTable {
 public:
  BranchTable(CLUSTER& genes, bool standardized) : mGenes(genes), mStandardized(standardized) {
    mGeneInfo = GeneInfo.Loaded();
    mLocusLinkName = Settings().LOCUS_LINK_NAME != 0;
    ChooseColumns();
  }

  void WriteHeader(ExportFile& file) {
    std::string line = "probe set\t";
    if (mGeneInfo) line += "NAME\t";
    for (const int sample : mColumns)
      line.append(SampleGrouping.SampleName(sample)).push_back('\t');
    line += '\n';
    file.Write(line);
  }

  void WriteBranch(ExportFile& file, int node) {
    std::string line;
    for (const int leaf : Leaves(node)) {
      const CLUSTER_NODE& gene = mGenes.Node(leaf);
      line.assign(UnitName(gene.item)).push_back('\t');
      if (mGeneInfo) line.append(GeneText(gene.item)).push_back('\t');
      for (const int sample : mColumns) {
        const auto k = static_cast<std::size_t>(sample);
        AppendFixed(line, mStandardized ? gene.profile[k] : FloatValue(gene.values[k]));
      }
      line += '\n';
      file.Write(line);
    }
    if (!mStandardized) return;
    const CLUSTER_NODE& branch = mGenes.Node(node);
    line.assign(mGeneInfo ? "Mean\t\t" : "Mean\t");
    for (const int sample : mColumns)
      AppendFixed(line, branch.profile[static_cast<std::size_t>(sample)]);
    line += '\n';
    file.Write(line);
    if (node < mGenes.ItemCount()) return;
    mGenes.BranchSpread(node);
    line.assign(mGeneInfo ? "Standard Deviation\t\t" : "Standard Deviation\t");
    for (const int sample : mColumns)
      AppendFixed(line, FloatValue(branch.errors[static_cast<std::size_t>(sample)]));
    line += '\n';
    file.Write(line);
  }

 private:
  // The displayed column order; only the marked samples while the sample tree has a
  // selection or coloured branches.
  void ChooseColumns() {
    const CLUSTER* samples = SampleTree();
    const bool shown = samples != nullptr && Settings().CLUSTER_SAMPLE != 0 &&
                       samples->ItemCount() == mGenes.ValueCount();
    const bool onlyMarked = shown && (samples->currentNode >= 0 || samples->coloredCount > 0);
    for (int column = 0; column < mGenes.ValueCount(); ++column) {
      const int sample = shown ? samples->RowNode(column) : column;
      if (sample < 0 || sample >= mGenes.ValueCount()) continue;
      if (onlyMarked && samples->Node(sample).mark == 0) continue;
      mColumns.push_back(sample);
    }
  }

  std::vector<int> Leaves(int node) {
    mGenes.ClearLeafList();
    mGenes.GetChildNode(node, true);
    std::vector<int> leaves;
    for (int k = 0; k < mGenes.leafListCount; ++k) leaves.push_back(mGenes.LeafListEntry(k));
    return leaves;
  }

  static std::string_view UnitName(int unit) {
    if (unit < 0 || static_cast<std::size_t>(unit) >= Layout.units.size()) return {};
    return Layout.units[static_cast<std::size_t>(unit)].Name();
  }

  std::string_view GeneText(int unit) const {
    const GENE_INFO* gene = GeneInfo.Gene(unit);
    if (gene == nullptr) return {};
    return mLocusLinkName ? gene->Name : gene->Description;
  }

  CLUSTER& mGenes;
  bool mStandardized;
  bool mGeneInfo = false;
  bool mLocusLinkName = false;
  std::vector<int> mColumns;
};

// The clusters of the tree cut at height: from the root, a node higher than it is split
// into its children, child 1 first; any other node is one cluster.
std::vector<int> CutAtHeight(const CLUSTER& tree, float height) {
  std::vector<int> clusters;
  std::vector<int> pending{tree.Root()};
  while (!pending.empty()) {
    const int node = pending.back();
    pending.pop_back();
    const CLUSTER_NODE& n = tree.Node(node);
    if (n.height > height && n.child1 >= 0 && n.child2 >= 0) {
      pending.push_back(n.child2);
      pending.push_back(n.child1);
      continue;
    }
    clusters.push_back(node);
  }
  return clusters;
}

// Pearson's r over the positions where both are present. With nothing shared, or a side
// without spread, there is no r: -1 then, and 1 for a single shared pair.
double SampleCorrelation(const std::vector<double>& a, const std::vector<double>& b) {
  const SharedDeviations sums = SharedDeviationSums(a.data(), b.data(), a.size(), 2);
  if (sums.shared == 0) return -1.0;
  if (sums.shared == 1) return 1.0;
  if (sums.aa <= 0.0 || sums.bb <= 0.0) return -1.0;
  return std::clamp(sums.ab / std::sqrt(sums.aa * sums.bb), -1.0, 1.0);
}

// The first marked leaf in leaf order, -1 when none is marked.
int FirstMarkedLeaf(const CLUSTER& tree) {
  for (int leaf = 0; leaf < tree.ItemCount(); ++leaf)
    if (tree.Node(leaf).mark != 0) return leaf;
  return -1;
}

}  // namespace

bool ExportBranchData(const std::string& path, bool standardized, bool cutAtHeight,
                      bool allColored) {
  CLUSTER* genes = GeneTree();
  if (genes == nullptr || !genes->ValidNode(genes->currentNode)) return false;
  if (!TreeMatchesSamples(*genes)) return false;
  ExportFile file;
  if (!file.Open(path)) {
    errno = file.Error();
    return false;
  }

  const int current = genes->currentNode;
  BranchTable table(*genes, standardized);
  table.WriteHeader(file);
  std::vector<int> branches{current};
  const bool colored = allColored && genes->coloredCount > 0;
  if (cutAtHeight) {
    branches = CutAtHeight(*genes, genes->Node(current).height);
  } else if (colored) {
    for (int k = 0; k < genes->coloredCount && k < kMaxColoredBranches; ++k) {
      const int node = genes->coloredNodes[static_cast<std::size_t>(k)];
      if (genes->ValidNode(node)) branches.push_back(node);
    }
  }
  const bool numbered = cutAtHeight || colored;
  for (std::size_t k = 0; k < branches.size(); ++k) {
    if (numbered) file.Write(MessageBuffer("[Cluster %zu]\n", k + 1));
    table.WriteBranch(file, branches[k]);
  }
  // The walks above used the leaf list; it holds the selected branch again.
  genes->ClearLeafList();
  genes->GetChildNode(current, true);
  if (file.Finish()) return true;
  errno = file.Error();
  return false;
}

bool ExportCorrelationMatrix() {
  const CLUSTER* genes = GeneTree();
  if (genes == nullptr) {
    LogMessage(kNoGeneTreeMessage, 0, kLogRed);
    return false;
  }
  if (!TreeMatchesSamples(*genes)) return false;
  const std::string path =
      platform::JoinPath(Settings().WORKING_DIR, TheGroup().Name() + " corr matrix.xls");
  ExportFile file;
  if (!file.Open(path)) {
    return LogWriteFailure(MessageBuffer(kCorrelationMatrixWriteFailedMessage, path.c_str()),
                           file.Error());
  }
  const int samples = genes->ValueCount();
  // One column of values per sample, over the genes.
  std::vector<std::vector<double>> columns(static_cast<std::size_t>(samples));
  for (int j = 0; j < samples; ++j) {
    auto& column = columns[static_cast<std::size_t>(j)];
    column.reserve(static_cast<std::size_t>(genes->ItemCount()));
    for (int leaf = 0; leaf < genes->ItemCount(); ++leaf)
      column.push_back(genes->Node(leaf).profile[static_cast<std::size_t>(j)]);
  }
  std::string line = "Sample\t";
  for (int j = 0; j < samples; ++j) line.append(SampleGrouping.SampleName(j)).push_back('\t');
  line += '\n';
  file.Write(line);
  for (int a = 0; a < samples; ++a) {
    line.assign(SampleGrouping.SampleName(a)).push_back('\t');
    for (int b = 0; b < samples; ++b)
      AppendGeneral(line, SampleCorrelation(columns[static_cast<std::size_t>(a)],
                                            columns[static_cast<std::size_t>(b)]));
    line += '\n';
    file.Write(line);
  }
  if (!file.Finish()) {
    return LogWriteFailure(MessageBuffer(kCorrelationMatrixWriteFailedMessage, path.c_str()),
                           file.Error());
  }
  LogMessage(MessageBuffer(kCorrelationMatrixExportedMessage, path.c_str()));
  RegisterOutputFile(path, false);
  return true;
}

void ExportSameGeneProbeSets() {
  const CLUSTER* genes = GeneTree();
  if (genes == nullptr) {
    LogMessage(kNoGeneTreeMessage, 0, kLogRed);
    return;
  }
  const int first = FirstMarkedLeaf(*genes);
  if (first < 0) {
    LogMessage(kSameGeneNoMarkMessage, 0, kLogRed);
    return;
  }
  const int firstUnit = genes->Node(first).item;
  const std::string_view firstName =
      firstUnit >= 0 && static_cast<std::size_t>(firstUnit) < Layout.units.size()
          ? Layout.units[static_cast<std::size_t>(firstUnit)].Name()
          : std::string_view();
  const std::string path =
      platform::JoinPath(Settings().WORKING_DIR, std::string(firstName) + "_same_gene.txt");
  LogMessage(kSameGeneStartMessage, 0, kLogBlue);
  ExportFile file;
  const auto failed = [&path, &file] {
    LogWriteFailure(MessageBuffer(kSameGeneWriteFailedMessage, path.c_str()), file.Error());
    LogMessage(kSameGeneNotFinishedMessage, 0, kLogRed);
  };
  if (!file.Open(path)) return failed();
  file.Write("probe_set\tGeneID\tName\n");
  int lines = 0;
  for (int leaf = first; leaf < genes->ItemCount(); ++leaf) {
    const CLUSTER_NODE& node = genes->Node(leaf);
    if (node.mark == 0) continue;
    lines += WriteSameLocusGenes(file.Stream(), node.item);
  }
  if (!file.Finish()) return failed();
  LogMessage(MessageBuffer(kSameGeneWrittenMessage, lines, path.c_str()));
  RegisterOutputFile(path, false);
  LogMessage(kSameGeneFinishedMessage, 0, kLogBlue);
}
