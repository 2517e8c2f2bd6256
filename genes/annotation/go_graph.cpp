#include "genes/annotation/go_graph.hpp"

#include <algorithm>

#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

namespace {

// A level-stack entry no term of the current branch has set: a line indented below it
// jumps more than one level and has no parent to take.
constexpr int kUnsetLevel = -2;
// The id starts this far after its ';' ("; GO:") and is this long.
constexpr std::size_t kIdOffset = 5;
constexpr std::size_t kIdLength = 7;
constexpr std::string_view kSecondaryIdMark = ", GO";
constexpr std::string_view kTermMarkers = "%<";

constexpr bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The name between `from` and the ';', without the blank(s) before the ';'.
std::string_view NameBefore(std::string_view line, std::size_t from, std::size_t semicolon) {
  if (semicolon <= from) return {};
  std::string_view name = line.substr(from, semicolon - from);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

// The seven id characters that begin `offset` after `at`; empty when the line is too
// short or they don't start with a digit.
std::string_view IdAfter(std::string_view line, std::size_t at, std::size_t offset) {
  const std::size_t start = at + offset;
  if (start + kIdLength > line.size() || !IsDigit(line[start])) return {};
  return line.substr(start, kIdLength);
}

}  // namespace

GO_GRAPH::GO_GRAPH() : TERM_SET("Gene Ontology", kGeneOntologyCapacity) {
  mParents.resize(static_cast<std::size_t>(Capacity()));
  mVisited.resize(static_cast<std::size_t>(Capacity()), 0);
  mLevels.fill(kUnsetLevel);
}

std::span<const int> GO_GRAPH::Parents(int term) const {
  if (term < 0 || term >= Count()) return {};
  const auto count = static_cast<std::size_t>(Entry(term).parentCount);
  return std::span<const int>(mParents[static_cast<std::size_t>(term)].data(), count);
}

bool GO_GRAPH::AddParent(int parent, int term) {
  if (term < 0 || term >= Count()) return false;
  const std::span<const int> known = Parents(term);
  if (std::find(known.begin(), known.end(), parent) != known.end()) return true;
  TERM_ENTRY& entry = Entry(term);
  if (entry.parentCount >= kMaxTermParents) {
    LogMessage("    Error: Number of parents or children exceeds limit", 0, kLogRed);
    return false;
  }
  mParents[static_cast<std::size_t>(term)][static_cast<std::size_t>(entry.parentCount)] = parent;
  ++entry.parentCount;
  if (parent >= 0) ++Entry(parent).childCount;
  return true;
}

bool GO_GRAPH::AddTermWithAncestors(int index) {
  if (index == -1) return true;
  if (index < 0 || index >= Count()) return false;
  // Depth first, parents in the order recorded, each term once per probe set: the order
  // the terms reach the gene list in is that of a plain recursion, without walking a
  // shared ancestor again for every path to it.
  const std::uint64_t stamp = GeneStamp();
  mPending.clear();
  mPending.push_back(index);
  while (!mPending.empty()) {
    const int term = mPending.back();
    mPending.pop_back();
    auto& visited = mVisited[static_cast<std::size_t>(term)];
    if (visited == stamp) continue;
    visited = stamp;
    AddTermToGene(term);
    const std::span<const int> parents = Parents(term);
    for (auto parent = parents.rbegin(); parent != parents.rend(); ++parent)
      if (*parent >= 0 && mVisited[static_cast<std::size_t>(*parent)] != stamp)
        mPending.push_back(*parent);
  }
  return true;
}

bool GO_GRAPH::ReadGeneOntology(const std::string& path) {
  const std::string folder = platform::ParentFolder(path);
  const std::string name = platform::FileName(path);
  const std::size_t cut = name.find_first_of("._");
  const std::string suffix = cut == std::string::npos ? name : name.substr(cut);
  for (const char* kind : {"process", "function", "component"})
    if (!ReadGeneOntologyFile(platform::JoinPath(folder, kind + suffix))) return false;
  LogMessage("");
  return true;
}

bool GO_GRAPH::ReadGeneOntologyFile(const std::string& path) {
  platform::LineReader reader;
  if (!OpenLinesOrLog(reader, path, kOntologyLineLimit,
                      "  Read Gene ontology file '" + path + "' failed"))
    return false;
  LogMessage("  Reading Gene ontology file '" + path + "'...");
  mLevels.fill(kUnsetLevel);
  mLevels[0] = -1;
  LogMessage("    Line 0");
  const int countBefore = Count();
  constexpr long long kProgressLines = 3000;
  std::string_view line;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    const long long lineNumber = reader.LineNumber();
    if (status == platform::LineStatus::kError) {
      LogMessage(
          MessageBuffer("    Error: Reading '%s' failed after line %lld", path.c_str(), lineNumber),
          0, kLogRed);
      return false;
    }
    if (status == platform::LineStatus::kEnd || line.empty()) break;
    if (status == platform::LineStatus::kCut) {
      LogMessage(MessageBuffer("    Error: Line %lld of '%s' is longer than %d characters",
                               lineNumber, path.c_str(), kOntologyLineLimit),
                 0, kLogRed);
      return false;
    }
    if (!ReadOntologyLine(line, lineNumber, path)) return false;
    if (lineNumber % kProgressLines == 0) LogMessage(MessageBuffer("    Line %lld", lineNumber), 1);
  }
  LogMessage(MessageBuffer("    Found %d Gene Ontology terms", Count() - countBefore), 1);
  return true;
}

bool GO_GRAPH::ReadOntologyLine(std::string_view line, long long lineNumber,
                                const std::string& path) {
  const auto refuse = [&](const char* why) {
    LogMessage(MessageBuffer("    Error: Line %lld of '%s' %s", lineNumber, path.c_str(), why), 0,
               kLogRed);
    return false;
  };
  const std::size_t depth = line.find_first_of(kTermMarkers);
  if (depth == std::string_view::npos) return true;  // headers and comments
  if (depth == 0) return refuse("has its term marker at the start of the line");
  if (depth >= static_cast<std::size_t>(kOntologyLevels))
    return refuse("is indented deeper than the ontology levels allow");
  const int above = mLevels[depth - 1];
  if (above == kUnsetLevel)
    return refuse("is indented more than one level below the term before it");
  const std::size_t semicolon = line.find(';', depth);
  if (semicolon == std::string_view::npos) return refuse("does not have ';'");
  const std::string_view idText = IdAfter(line, semicolon, kIdOffset);
  if (idText.empty()) return refuse("has no seven-character id after its ';'");

  const std::string_view name = NameBefore(line, depth + 1, semicolon);
  const int term = FindOrAddTerm(idText, name, true);
  if (term < 0) return refuse("ends the read: its term can't be added");
  if (depth == 1 || (depth == 2 && name == "obsolete")) Entry(term).active = false;
  if (!AddParent(above, term)) return refuse("gives a term too many parents");
  mLevels[depth] = term;
  std::fill(mLevels.begin() + static_cast<std::ptrdiff_t>(depth) + 1, mLevels.end(), kUnsetLevel);

  // Every further ", GO" of the line names a secondary id of the main term, before the
  // further parents or after them.
  const std::size_t afterId = semicolon + kIdOffset + kIdLength;
  for (std::size_t mark = line.find(kSecondaryIdMark, afterId); mark != std::string_view::npos;
       mark = line.find(kSecondaryIdMark, mark + kSecondaryIdMark.size())) {
    const std::string_view secondaryId = IdAfter(line, mark, kIdOffset);
    if (secondaryId.empty()) return refuse("has no seven-character secondary id after ', GO'");
    const int secondary = FindOrAddTerm(secondaryId, name, true);
    if (secondary < 0) return refuse("ends the read: its secondary id can't be added");
    Entry(secondary).active = false;
    if (!AddParent(term, secondary)) return refuse("gives a secondary id too many parents");
  }

  for (std::size_t at = line.find_first_of(kTermMarkers, afterId); at < line.size();
       at = line.find_first_of(kTermMarkers, at)) {
    const std::size_t parentSemicolon = line.find(';', at);
    if (parentSemicolon == std::string_view::npos) return refuse("does not have ';'");
    const std::string_view parentId = IdAfter(line, parentSemicolon, kIdOffset);
    if (parentId.empty()) return refuse("has no seven-character parent id after its ';'");
    const int parent = FindOrAddTerm(parentId, NameBefore(line, at + 2, parentSemicolon), true);
    if (parent < 0) return refuse("ends the read: its parent term can't be added");
    if (!AddParent(parent, term)) return refuse("gives a term too many parents");
    at = parentSemicolon + kIdOffset + kIdLength;
  }
  return true;
}
