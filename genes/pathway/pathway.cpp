// The pathway, its editing routines and its text file.
#include "genes/pathway/pathway.hpp"

#include <algorithm>
#include <optional>
#include <span>
#include <string_view>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/user_prompt.hpp"
#include "platform/file_replacement.hpp"
#include "platform/line_reader.hpp"
#include "platform/system_error.hpp"

namespace {

PATHWAY gPathway;

// The free-spot grid: 4 columns of 200 x 60 boxes, 250 and 110 pixels apart.
constexpr int kGridColumns = 4;
constexpr int kGridLeft = 50, kGridTop = 50;
constexpr int kGridBoxWidth = 200, kGridBoxHeight = 60;
constexpr int kGridColumnStep = 250, kGridRowStep = 110;

bool Intersects(const PathwayBox& box, const PATHWAY_NODE& node) {
  // As rectangles with their right and bottom edges outside.
  return box.left < node.right && node.left < box.right && box.top < node.bottom &&
         node.top < box.bottom;
}

bool ValidNode(const PATHWAY& pathway, int node) {
  return node >= 0 && node < pathway.nodeCount;
}

// The last arrow that joins the two nodes in either direction; -1 none.
int FindArrow(const PATHWAY& pathway, int a, int b) {
  for (int i = pathway.arrowCount - 1; i >= 0; --i) {
    const PATHWAY_ARROW& arrow = pathway.arrows[static_cast<std::size_t>(i)];
    if ((arrow.startNode == a && arrow.endNode == b) ||
        (arrow.startNode == b && arrow.endNode == a))
      return i;
  }
  return -1;
}

void SetName(PATHWAY_NODE& node, const std::string& name) {
  // A line break would split the node's line in the file; a name too long for the
  // reader's line would be refused when read back.
  node.name = name.substr(0, kMaxNodeNameLength);
  std::replace_if(
      node.name.begin(), node.name.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  node.placeholder = Contains(node.name, kPlaceholderName);
}

void Renumber(PATHWAY& pathway) {
  pathway.placeholderCount = 0;
  for (int i = 0; i < pathway.nodeCount; ++i) {
    PATHWAY_NODE& node = pathway.nodes[static_cast<std::size_t>(i)];
    if (node.placeholder) node.name = kPlaceholderName + std::to_string(++pathway.placeholderCount);
  }
}

void SetPathwayFileSetting(const std::string& path) {
  if (GroupStarted()) TheGroup().Settings().PATHWAY_FILE = path;
}

// The file's text of the pathway.
std::string PathwayText(const PATHWAY& pathway) {
  std::string text = MessageBuffer("NUM_NODE=%d\n", pathway.nodeCount);
  for (int i = 0; i < pathway.nodeCount; ++i) {
    const PATHWAY_NODE& node = pathway.nodes[static_cast<std::size_t>(i)];
    text += MessageBuffer("NODE%d_NAME=", i) + node.name + "\n";
    text += MessageBuffer("NODE%d_POS=%d\t%d\t%d\t%d\t\n", i, node.left, node.top, node.right,
                          node.bottom);
  }
  text += MessageBuffer("NUM_ARROW=%d\n", pathway.arrowCount);
  for (int i = 0; i < pathway.arrowCount; ++i) {
    const PATHWAY_ARROW& arrow = pathway.arrows[static_cast<std::size_t>(i)];
    text += MessageBuffer("ARROW%d=%d\t%d\t%d\t%d\n", i, arrow.startNode, arrow.endNode,
                          arrow.effectTime, arrow.interaction);
  }
  return text;
}

// Reads a pathway from lines into a fresh record; on a malformed line, its number and
// what is wrong.
class PathwayParser {
 public:
  explicit PathwayParser(platform::LineReader& lines) : mLines(lines) {}

  bool Parse(PATHWAY& pathway) {
    pathway = PATHWAY{};
    int nodes = 0;
    if (!Count("NUM_NODE", kMaxPathwayNodes, "nodes", nodes)) return false;
    for (int i = 0; i < nodes; ++i) {
      std::string_view value;
      if (!Value(MessageBuffer("NODE%d_NAME", i), value)) return false;
      PATHWAY_NODE& node = pathway.nodes[static_cast<std::size_t>(i)];
      SetName(node, std::string(value));
      int box[4] = {};
      if (!Value(MessageBuffer("NODE%d_POS", i), value) || !Integers(value, box)) return false;
      for (const int coordinate : box)
        if (coordinate < -kMaxPagePosition || coordinate > kMaxPagePosition)
          return Fail(
              MessageBuffer("a position outside -%d to %d", kMaxPagePosition, kMaxPagePosition));
      node.left = box[0];
      node.top = box[1];
      node.right = box[2];
      node.bottom = box[3];
      pathway.nodeCount = i + 1;
      if (node.placeholder) ++pathway.placeholderCount;
    }
    int arrows = 0;
    if (!Count("NUM_ARROW", kMaxPathwayArrows, "arrows", arrows)) return false;
    for (int i = 0; i < arrows; ++i) {
      std::string_view value;
      int fields[4] = {};
      if (!Value(MessageBuffer("ARROW%d", i), value) || !Integers(value, fields)) return false;
      const auto [start, end, effectTime, interaction] = fields;
      if (!ValidNode(pathway, start) || !ValidNode(pathway, end))
        return Fail(MessageBuffer("an arrow names a node that does not exist (%d nodes)",
                                  pathway.nodeCount));
      if (start == end) return Fail("an arrow from a node to itself");
      if (FindArrow(pathway, start, end) >= 0)
        return Fail("a second arrow between the same two nodes");
      if (effectTime < 0 || effectTime > kMaxEffectTime)
        return Fail(MessageBuffer("an effect time outside 0 to %d", kMaxEffectTime));
      if (interaction < kActivation || interaction > kBinding)
        return Fail("an interaction other than 0, 1 or 2");
      pathway.arrows[static_cast<std::size_t>(i)] = {start, end, effectTime, interaction};
      pathway.arrowCount = i + 1;
    }
    return true;
  }

  int LineNumber() const { return mLineNumber; }
  const std::string& Problem() const { return mProblem; }

 private:
  bool Fail(std::string problem) {
    mProblem = std::move(problem);
    return false;
  }

  // The next line, which must be "key=..."; its value is the text after the first '='.
  bool Value(const std::string& key, std::string_view& value) {
    std::string_view line;
    const platform::LineStatus status = mLines.Next(line);
    mLineNumber = static_cast<int>(mLines.LineNumber());
    if (status == platform::LineStatus::kEnd) {
      ++mLineNumber;
      return Fail("the file ends before " + key);
    }
    if (status == platform::LineStatus::kError) return Fail("the file cannot be read");
    if (status == platform::LineStatus::kCut)
      return Fail(MessageBuffer("a line longer than %zu characters", kPathwayLineLength));
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || line.substr(0, equals) != key)
      return Fail(key + "= expected");
    value = line.substr(equals + 1);
    return true;
  }

  bool Count(const char* key, int limit, const char* what, int& count) {
    std::string_view value;
    if (!Value(key, value)) return false;
    if (!ScanInt(value, count) || count < 0) return Fail(std::string("no count of ") + what);
    if (count > limit)
      return Fail(MessageBuffer("%d %s, more than the %d a pathway holds", count, what, limit));
    return true;
  }

  bool Integers(std::string_view value, std::span<int, 4> out) {
    for (int& v : out)
      if (!ScanInt(value, v)) return Fail("four integers expected");
    return true;
  }

  platform::LineReader& mLines;
  int mLineNumber = 0;
  std::string mProblem;
};

// Reads the lines into pathway; logs a refusal in red.
bool ParsePathway(platform::LineReader& lines, const std::string& path, PATHWAY& pathway) {
  PathwayParser parser(lines);
  if (parser.Parse(pathway)) return true;
  LogMessage(MessageBuffer(kPathwayBadLineMessage, path.c_str(), parser.LineNumber(),
                           parser.Problem().c_str()),
             0, kLogRed);
  return false;
}

}  // namespace

PATHWAY& ThePathway() {
  return gPathway;
}

const char* InteractionName(int interaction) {
  switch (interaction) {
    case kActivation:
      return "Activation";
    case kInhibition:
      return "Inhibition";
    case kBinding:
      return "Binding/Association";
    default:
      return "";
  }
}

void ClearPathway() {
  gPathway.nodeCount = 0;
  gPathway.arrowCount = 0;
  gPathway.currentNode = -1;
  gPathway.placeholderCount = 0;
}

PathwayBox FindFreeSpot(const PATHWAY& pathway) {
  // Rows below every box are free, so the walk ends at the first of them at the latest.
  int lowest = kGridTop;
  for (int i = 0; i < pathway.nodeCount; ++i)
    lowest = std::max(lowest, pathway.nodes[static_cast<std::size_t>(i)].bottom);
  const int lastRow = (lowest - kGridTop) / kGridRowStep + 1;
  for (int row = 0;; ++row)
    for (int column = 0; column < kGridColumns; ++column) {
      PathwayBox box;
      box.left = kGridLeft + kGridColumnStep * column;
      box.right = box.left + kGridBoxWidth;
      box.top = kGridTop + kGridRowStep * row;
      box.bottom = box.top + kGridBoxHeight;
      if (row >= lastRow) return box;
      bool taken = false;
      for (int i = 0; i < pathway.nodeCount && !taken; ++i)
        taken = Intersects(box, pathway.nodes[static_cast<std::size_t>(i)]);
      if (!taken) return box;
    }
}

bool AddNode() {
  if (gPathway.nodeCount >= kMaxPathwayNodes) {
    AfxMessageBox(kTooManyNodesMessage);
    return false;
  }
  const PathwayBox box = FindFreeSpot(gPathway);
  PATHWAY_NODE& node = gPathway.nodes[static_cast<std::size_t>(gPathway.nodeCount)];
  node = PATHWAY_NODE{};
  node.left = box.left;
  node.top = box.top;
  node.right = box.right;
  node.bottom = box.bottom;
  SetName(node, kPlaceholderName + std::to_string(gPathway.placeholderCount + 1));
  ++gPathway.placeholderCount;
  gPathway.currentNode = gPathway.nodeCount++;
  return true;
}

void SetNodeName(int node, const std::string& name) {
  if (node < 0 || node >= kMaxPathwayNodes) return;
  SetName(gPathway.nodes[static_cast<std::size_t>(node)], name);
}

void RenameCurrentNode(const std::string& name) {
  if (!ValidNode(gPathway, gPathway.currentNode)) {
    AfxMessageBox(kNoCurrentNodeMessage);
    return;
  }
  SetNodeName(gPathway.currentNode, name.empty() ? std::string(kPlaceholderName) : name);
  RenumberUnknownNodes();
}

void DeleteCurrentNode() {
  const int current = gPathway.currentNode;
  if (!ValidNode(gPathway, current)) return;
  std::move(gPathway.nodes.begin() + current + 1, gPathway.nodes.begin() + gPathway.nodeCount,
            gPathway.nodes.begin() + current);
  --gPathway.nodeCount;
  for (int i = gPathway.arrowCount - 1; i >= 0; --i) {
    PATHWAY_ARROW& arrow = gPathway.arrows[static_cast<std::size_t>(i)];
    if (arrow.startNode == current || arrow.endNode == current) {
      DeleteArrow(i);
      continue;
    }
    if (arrow.startNode > current) --arrow.startNode;
    if (arrow.endNode > current) --arrow.endNode;
  }
  RenumberUnknownNodes();
  gPathway.currentNode = -1;
}

void RenumberUnknownNodes() {
  Renumber(gPathway);
}

bool EditArrow(int start, int end, int effectTime, bool add, int interaction) {
  // The dialogs offer only existing, distinct nodes; anything else is no arrow.
  if (!ValidNode(gPathway, start) || !ValidNode(gPathway, end) || start == end) return false;
  const int existing = FindArrow(gPathway, start, end);
  if (!add) {
    if (existing < 0) {
      AfxMessageBox(kNoArrowMessage);
      return false;
    }
    DeleteArrow(existing);
    return true;
  }
  if (gPathway.arrowCount >= kMaxPathwayArrows) {
    AfxMessageBox(kTooManyArrowsMessage);
    return false;
  }
  if (existing >= 0) {
    AfxMessageBox(kArrowExistsMessage);
    return false;
  }
  effectTime = std::clamp(effectTime, 0, kMaxEffectTime);
  gPathway.arrows[static_cast<std::size_t>(gPathway.arrowCount++)] = {start, end, effectTime,
                                                                      interaction};
  return true;
}

void DeleteArrow(int index) {
  if (index < 0 || index >= gPathway.arrowCount) return;
  std::move(gPathway.arrows.begin() + index + 1, gPathway.arrows.begin() + gPathway.arrowCount,
            gPathway.arrows.begin() + index);
  --gPathway.arrowCount;
}

bool WritePathwayFile(const std::string& path) {
  SetPathwayFileSetting(path);
  const std::string text = PathwayText(gPathway);
  platform::FileReplacement file;
  if (!file.Open(path) || !WriteFileText(file, text) || !file.Commit()) {
    AfxMessageBox(platform::WithSystemReason(kPathwayWriteFailedMessage, file.Error()));
    return false;
  }
  return true;
}

bool ReadPathwayFile(const std::string& path) {
  platform::LineReader lines;
  if (!lines.Open(path, kPathwayLineLength)) {
    SetPathwayFileSetting(path);
    LogMessage(platform::WithReadFailure(MessageBuffer(kPathwayReadFailedMessage, path.c_str()),
                                         lines.OpenFailure()),
               0, kLogRed);
    ClearPathway();
    return false;
  }
  PATHWAY read;
  if (!ParsePathway(lines, path, read)) return false;
  SetPathwayFileSetting(path);
  gPathway = std::move(read);
  return true;
}

bool FuzzReadPathwayFile(const std::uint8_t* data, std::size_t size) {
  platform::LineReader lines;
  lines.OpenBuffer({reinterpret_cast<const char*>(data), size}, kPathwayLineLength);
  PATHWAY read;
  return ParsePathway(lines, "fuzz", read);
}
