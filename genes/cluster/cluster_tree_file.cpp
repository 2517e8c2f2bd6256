// Writing and reading the tree file. A file is read into trees that are not yet current,
// and every line and link is checked before a profile is merged or a leaf placed, so a
// file edited by hand can neither reach outside the node table nor loop.
#include "genes/cluster/cluster_tree_file.hpp"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/unit_name_index.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/jobs/decimal_text.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "engine/services/running_scope.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "platform/byte_writer.hpp"
#include "platform/line_reader.hpp"
#include "platform/text_bytes.hpp"

namespace {

void AppendNodeLines(std::string& text, const CLUSTER& tree, const char* superName,
                     const std::function<std::string(int)>& leafName, bool byItem) {
  char height[kSixDigitsRoom];
  for (int k = 0; k < tree.NodeCount(); ++k) {
    const CLUSTER_NODE& node = tree.Node(k);
    text += k < tree.ItemCount() ? leafName(byItem ? node.item : k) : std::string(superName);
    *FormatSixDigits(height, node.height) = '\0';
    text += MessageBuffer("\t%d\t%d\t%d\t%d\t%d\t%s\t\n", k, node.parent, node.child1, node.child2,
                          node.weight, height);
  }
}

struct NodeLine {
  std::string_view name;
  int number = 0;
  int parent = 0;
  int child1 = 0;
  int child2 = 0;
  int weight = 0;
  float height = 0.0f;
};

// The fields after the name: five integers and the height; false names the fault.
bool ParseNodeLine(std::string_view line, NodeLine& out, const char** fault) {
  std::string_view rest;
  out.name = line;
  if (!CutAtTab(out.name, &rest)) {
    *fault = "no tab after the name";
    return false;
  }
  int* fields[] = {&out.number, &out.parent, &out.child1, &out.child2, &out.weight};
  for (int* field : fields) {
    if (!ScanInt(rest, *field)) {
      *fault = "a node number, link or weight is not an integer";
      return false;
    }
  }
  SkipWhiteSpace(rest);
  std::string_view heightText = rest;
  CutAtTab(heightText);
  if (!ParseFloatField(heightText, out.height) || !std::isfinite(out.height) || out.height < 0.0f) {
    *fault = "the height is not a number";
    return false;
  }
  return true;
}

// Reads the node lines of one tree; the tree's own checks come afterwards.
class TreeLines {
 public:
  TreeLines(CLUSTER& tree, bool geneTree) : mTree(tree), mGeneTree(geneTree) {
    mSeen.assign(static_cast<std::size_t>(tree.NodeCount()), 0);
  }

  bool Complete() const { return mCount == mTree.NodeCount(); }
  int Count() const { return mCount; }

  // False with the fault named (a name mismatch logs its own line and sets mismatch).
  bool Take(const NodeLine& line, const TreeFileNames& names, const char** fault, bool* mismatch) {
    const int nodes = mTree.NodeCount();
    const auto inRange = [&](int link) { return link >= -1 && link < nodes; };
    if (line.number < 0 || line.number >= nodes) {
      *fault = "the node number is outside the tree";
      return false;
    }
    if (mSeen[static_cast<std::size_t>(line.number)] != 0) {
      *fault = "the node is given twice";
      return false;
    }
    if (!inRange(line.parent) || !inRange(line.child1) || !inRange(line.child2) ||
        line.weight < 1 || line.weight > mTree.ItemCount()) {
      *fault = "a link or the weight is outside the tree";
      return false;
    }
    const bool leaf = line.number < mTree.ItemCount();
    const char* super = mGeneTree ? kSuperGeneName : kSuperSampleName;
    if (Contains(line.name, super) == leaf) {
      if (leaf && mGeneTree) {
        LogMessage(kTreeGeneNameMessage, 0, kLogRed);
        *mismatch = true;
      }
      *fault = leaf ? "a leaf carries an internal node's name" : "an internal node has a name";
      return false;
    }
    CLUSTER_NODE& node = mTree.Node(line.number);
    if (leaf && mGeneTree && names.findGene(line.name) != node.item) {
      LogMessage(kTreeGeneNameMessage, 0, kLogRed);
      *mismatch = true;
      *fault = "the name is not the listed gene of that node";
      return false;
    }
    // Sample profiles are filled by sample number, so a leaf must name its own sample.
    if (leaf && !mGeneTree && names.findSampleArray(line.name) != node.item) {
      *fault = "the name is not the sample of that node";
      return false;
    }
    node.parent = line.parent;
    node.child1 = line.child1;
    node.child2 = line.child2;
    node.weight = line.weight;
    node.height = line.height;
    mSeen[static_cast<std::size_t>(line.number)] = 1;
    ++mCount;
    return true;
  }

 private:
  CLUSTER& mTree;
  bool mGeneTree;
  std::vector<std::uint8_t> mSeen;
  int mCount = 0;
};

// Whether the links make one tree whose merges come in number order: every internal node
// above both its children, each child pointing back, weights adding up, one root last.
const char* LinkFault(const CLUSTER& tree) {
  const int n = tree.ItemCount();
  for (int k = 0; k < tree.NodeCount(); ++k) {
    const CLUSTER_NODE& node = tree.Node(k);
    if (k == tree.Root() ? node.parent != -1 : node.parent <= k)
      return "a parent does not come after its node";
    if (k < n) {
      if (node.child1 != -1 || node.child2 != -1 || node.weight != 1) return "a leaf has children";
      continue;
    }
    if (node.child1 < 0 || node.child2 < 0 || node.child1 >= k || node.child2 >= k ||
        node.child1 == node.child2)
      return "an internal node does not have two earlier children";
    if (tree.Node(node.child1).parent != k || tree.Node(node.child2).parent != k)
      return "a child does not name its parent";
    if (node.weight != tree.Node(node.child1).weight + tree.Node(node.child2).weight)
      return "a weight is not the sum of its children's";
  }
  return nullptr;
}

void CompleteTree(CLUSTER& tree) {
  for (int k = tree.ItemCount(); k < tree.NodeCount(); ++k) tree.MergeProfiles(k);
}

bool CheckLinks(const CLUSTER& tree, const char* which) {
  const char* fault = LinkFault(tree);
  if (fault == nullptr) return true;
  LogMessage(MessageBuffer(kTreeBadLinksMessage, which, fault), 0, kLogRed);
  return false;
}

}  // namespace

TreeFileNames GroupTreeFileNames() {
  TreeFileNames names;
  names.geneName = [](int unit) {
    if (unit < 0 || unit >= static_cast<int>(Layout.units.size())) return std::string();
    return std::string(Layout.units[static_cast<std::size_t>(unit)].name);
  };
  auto index = std::make_shared<UnitNameIndex>(Layout);
  names.findGene = [index](std::string_view name) { return index->Find(name); };
  names.sampleName = [](int sample) { return SampleGrouping.SampleName(sample); };
  names.findSampleArray = [](std::string_view name) {
    const int sample = SampleGrouping.FindSample(name);
    return sample < 0 ? -1 : SampleGrouping.GetSampleArray(sample);
  };
  return names;
}

bool WriteTreeFile(const std::string& path, const CLUSTER& genes, const CLUSTER* samples,
                   const TreeFileNames& names) {
  std::string text =
      MessageBuffer("%s\t%d\t%d\n", kTreeFileMagic, genes.ItemCount(), genes.ValueCount());
  text += kTreeFileHeader;
  text += '\n';
  AppendNodeLines(text, genes, kSuperGeneName, names.geneName, true);
  if (samples != nullptr)
    AppendNodeLines(text, *samples, kSuperSampleName, names.sampleName, false);
  return platform::WriteWholeFile(path, platform::TextBytes(text));
}

bool WriteTreeFile(const char* path) {
  const CLUSTER* genes = GeneTree();
  if (genes == nullptr || path == nullptr) return false;
  return WriteTreeFile(path, *genes, SampleTree(), GroupTreeFileNames());
}

bool ReadTreeFileInto(const std::string& path, CLUSTER& genes, CLUSTER* samples,
                      const TreeFileNames& names, bool* samplesRead) {
  *samplesRead = false;
  platform::LineReader reader;
  if (!OpenLinesOrLog(reader, path, kTreeFileLineLength,
                      MessageBuffer(kTreeFileOpenFailedMessage, path.c_str())))
    return false;
  LogMessage(MessageBuffer(kTreeFileReadingMessage, path.c_str()));
  const auto badLine = [&](const char* fault) {
    LogMessage(
        MessageBuffer(kTreeBadLineMessage, static_cast<long long>(reader.LineNumber()), fault), 0,
        kLogRed);
    return false;
  };

  TreeLines geneLines(genes, true);
  std::unique_ptr<TreeLines> sampleLines;
  if (samples != nullptr) sampleLines = std::make_unique<TreeLines>(*samples, false);
  for (;;) {
    std::string_view line;
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (line.empty()) break;
    if (status == platform::LineStatus::kCut) return badLine("the line is too long");
    const std::int64_t number = reader.LineNumber();
    if (number == 1) {
      std::string_view counts = SkipPast(line, '\t');
      int fileGenes = 0;
      int fileColumns = 0;
      if (!StartsWithNoCase(line, kTreeFileMagic) || !ScanInt(counts, fileGenes) ||
          !ScanInt(counts, fileColumns))
        return badLine("the first line is not TREE_FILE and two counts");
      if (fileColumns != genes.ValueCount()) {
        LogMessage(MessageBuffer(kTreeColumnsMessage, fileColumns, genes.ValueCount()), 0, kLogRed);
        LogMessage(kTreeColumnsHintMessage, 0, kLogRed);
        return false;
      }
      if (fileGenes != genes.ItemCount()) return badLine("the gene count is not that of the list");
      continue;
    }
    if (number == 2) continue;

    NodeLine node;
    const char* fault = nullptr;
    if (!ParseNodeLine(line, node, &fault)) return badLine(fault);
    bool mismatch = false;
    if (!geneLines.Complete()) {
      if (!geneLines.Take(node, names, &fault, &mismatch)) return badLine(fault);
      continue;
    }
    if (!sampleLines) {
      LogMessage(kIgnoreSampleTreeMessage);
      break;
    }
    if (sampleLines->Complete()) return badLine("more node lines than the trees have");
    if (!sampleLines->Take(node, names, &fault, &mismatch)) return badLine(fault);
  }
  if (!geneLines.Complete()) return badLine("the file ends before every gene node is given");
  if (!CheckLinks(genes, "gene")) return false;
  if (sampleLines && sampleLines->Count() > 0) {
    if (!sampleLines->Complete()) return badLine("the file ends before every sample node is given");
    if (!CheckLinks(*samples, "sample")) return false;
  }

  // The file keeps no profiles; they are made again as a clustering would have made them.
  genes.StandardizeRows(true);
  CompleteTree(genes);
  if (!genes.OrderLeaves()) return false;
  if (sampleLines && sampleLines->Complete()) {
    FillSampleProfiles(genes, *samples);
    if (samples->options.standardizeColumns) samples->StandardizeRows(false);
    CompleteTree(*samples);
    if (!samples->OrderLeaves()) return false;
    *samplesRead = true;
  }
  return true;
}

bool ReadTreeFile(CLUSTER& genes, std::unique_ptr<CLUSTER>& samples) {
  GroupSettings& settings = TheGroup().Settings();
  bool samplesRead = false;
  if (!ReadTreeFileInto(settings.GENE_LIST_FILE, genes, samples.get(), GroupTreeFileNames(),
                        &samplesRead))
    return false;
  if (samples && !samplesRead) {
    settings.CLUSTER_SAMPLE = 0;
    samples.reset();
    LogMessage(kSampleTreeNotFoundMessage, 0, kLogRed);
  }
  return true;
}

bool FuzzReadTreeFile(const std::uint8_t* data, std::size_t size) {
  const RaisedAnalysisRunning running;
  return WithScratchFile(data, size, "tree.txt", [](const std::string& path) {
    // Three genes of two values, two samples; leaf names g0..g2 and s0, s1.
    auto genes = CLUSTER::Create(3, 2, false);
    auto samples = CLUSTER::Create(2, 3, true);
    for (int i = 0; i < 3; ++i) genes->Node(i).item = i;
    for (int j = 0; j < 2; ++j) samples->Node(j).item = j;
    TreeFileNames names;
    names.geneName = [](int item) { return "g" + std::to_string(item); };
    names.findGene = [](std::string_view name) {
      return name.size() == 2 && name[0] == 'g' && name[1] >= '0' && name[1] <= '2' ? name[1] - '0'
                                                                                    : -1;
    };
    names.sampleName = [](int sample) { return "s" + std::to_string(sample); };
    names.findSampleArray = [](std::string_view name) {
      return name.size() == 2 && name[0] == 's' && (name[1] == '0' || name[1] == '1')
                 ? name[1] - '0'
                 : -1;
    };
    bool samplesRead = false;
    return ReadTreeFileInto(path, *genes, samples.get(), names, &samplesRead);
  });
}
