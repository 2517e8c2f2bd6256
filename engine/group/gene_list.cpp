// The current gene list: reading gene list files, masking repeated LocusLink
// identifiers, the walk of the exports over listed probe sets, and the table's upkeep.
#include "engine/group/gene_list.hpp"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <ostream>
#include <unordered_map>
#include <utility>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/unit_name_index.hpp"
#include "engine/group/group.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/running_scope.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

GENE_LIST GeneList;

namespace {

LocusLinkSource gLocusLinkSource;

int LayoutUnitCount() {
  return std::max(0, std::min(Layout.unitCount, static_cast<int>(Layout.units.size())));
}

std::string_view TrimTrailingWhite(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n' || text.back() == '\v' || text.back() == '\f'))
    text.remove_suffix(1);
  return text;
}

std::string_view TrimTrailingBlanksAndTabs(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Comment lines of a gene list begin with '[' or '$'.
bool IsCommentName(std::string_view name) {
  return !name.empty() && (name.front() == '[' || name.front() == '$');
}

void LogCutLine(const std::string& path, std::int64_t lineNumber) {
  LogMessage(
      MessageBuffer("    Line %lld of '%s' is longer than %zu characters; the rest is ignored",
                    static_cast<long long>(lineNumber), path.c_str(), kGeneListLineLength),
      0, kLogRed);
}

// The LocusLink text read as an integer, as atoi would.
int LocusLinkNumber(std::string_view text) {
  std::string_view rest = text;
  int value = 0;
  return ScanInt(rest, value) ? value : 0;
}

}  // namespace

void GENE_LIST::SetListed(int unit, bool listed) {
  if (unit < 0 || static_cast<std::size_t>(unit) >= entries.size()) return;
  entries[static_cast<std::size_t>(unit)].listed = listed ? 1 : 0;
}

void GENE_LIST::ClearFlags() {
  for (GeneListEntry& entry : entries) entry.listed = 0;
}

void GENE_LIST::FitLayout() {
  const auto units = static_cast<std::size_t>(LayoutUnitCount());
  if (entries.size() < units) entries.resize(units);
}

void SetLocusLinkSource(LocusLinkSource source) {
  gLocusLinkSource = std::move(source);
}

bool GeneInformationPresent() {
  return static_cast<bool>(gLocusLinkSource);
}

int ReadGeneList(bool* treeFile, std::string_view path, bool keepLines) {
  if (treeFile != nullptr) *treeFile = false;
  Group& group = TheGroup();
  const std::string listPath(path.empty() ? std::string_view(group.Settings().GENE_LIST_FILE)
                                          : path);
  platform::LineReader reader;
  if (!reader.Open(listPath, kGeneListLineLength)) {
    LogMessage(platform::WithReadFailure(
                   MessageBuffer("  Reading gene list file %s failed\n", listPath.c_str()),
                   reader.OpenFailure()),
               0, kLogRed);
    return -1;
  }
  GeneList.FitLayout();
  GeneList.ClearFlags();
  if (keepLines) GeneList.lineTexts.assign(GeneList.entries.size(), std::string());
  LogMessage(MessageBuffer("  Read in genes or SNPs listed in file %s...", listPath.c_str()));
  JobProgress& progress = Progress();
  progress.SetRunning(true);

  UnitNameIndex units(Layout);
  int count = 0;
  // A tree file's second line titles its node columns.
  bool isTreeFile = false;
  for (int i = 0;; ++i) {
    std::string_view line;
    const platform::LineStatus status = reader.Next(line);
    const bool ended =
        status == platform::LineStatus::kEnd || status == platform::LineStatus::kError;
    if (ended || line.empty() || Contains(line, "SUPER_GENE")) break;
    if (status == platform::LineStatus::kCut) LogCutLine(listPath, reader.LineNumber());

    std::string_view name = line;
    CutAtTab(name);
    name = TrimTrailingWhite(name);
    if (i == 0 && platform::EqualsNoCase(name, "TREE_FILE")) {
      isTreeFile = true;
      if (treeFile != nullptr) *treeFile = true;
    }
    name = name.substr(0, std::min<std::size_t>(name.size(), kMaxUnitNameLength));

    const int unit = units.Find(name);
    if (unit < 0) {
      if (i > 0 && !Contains(name, "probe set") && !(isTreeFile && i == 1)) {
        if (!IsCommentName(name))
          LogMessage(MessageBuffer("    Gene '%.*s' not found", static_cast<int>(name.size()),
                                   name.data()));
      } else if (keepLines) {
        GeneList.headerText.assign(line);
      }
      progress.Pump();
    } else if (GeneList.Listed(unit)) {
      LogMessage(MessageBuffer("    Gene '%.*s' occured before, ignored",
                               static_cast<int>(name.size()), name.data()),
                 0, kLogRed);
      progress.Pump();
    } else {
      GeneList.SetListed(unit, true);
      GeneList.entries[static_cast<std::size_t>(count)].unit = unit;
      if (keepLines) GeneList.lineTexts[static_cast<std::size_t>(unit)].assign(line);
      ++count;
    }
    if (progress.Stopped()) return -1;
  }

  LogMessage(MessageBuffer("    Found %d genes or SNPs\n", count));
  GeneList.length = count;
  if (group.Settings().MASK_REDUNDANT != 0) {
    if (GeneInformationPresent()) {
      MaskRedundantProbeSets(count, true);
    } else {
      LogMessage(kNoGeneInfoForMaskingMessage, 0, kLogRed);
    }
  }
  progress.SetRunning(false);
  GeneList.NumInteresting = count;
  return count;
}

void MaskRedundantProbeSets(int& count, bool report) {
  LogMessage("    Masking out redundant probe sets by LocusLink ID...");
  std::unordered_map<int, int> kept;  // identifier -> the probe set that stays
  const int places = std::min(GeneList.length, static_cast<int>(GeneList.entries.size()));
  int excluded = 0;
  for (int k = 0; k < places; ++k) {
    GeneListEntry& place = GeneList.entries[static_cast<std::size_t>(k)];
    const int unit = place.unit;
    if (unit < 0 || !gLocusLinkSource) continue;
    const std::string_view locusLink = gLocusLinkSource(unit);
    if (locusLink.empty()) continue;
    const int identifier = LocusLinkNumber(locusLink);
    const auto [first, inserted] = kept.emplace(identifier, unit);
    if (inserted) continue;
    if (report)
      LogMessage(MessageBuffer("      %s is the same as %s [LocusLink %d], excluded",
                               Layout.units[static_cast<std::size_t>(unit)].name,
                               Layout.units[static_cast<std::size_t>(first->second)].name,
                               identifier));
    place.unit = -1;
    GeneList.SetListed(unit, false);
    ++excluded;
  }
  count -= excluded;
  LogMessage(MessageBuffer("      %d redundant probe sets excluded; %d left\n", excluded, count));
}

int ListAllUnits() {
  GeneList.FitLayout();
  const int units = LayoutUnitCount();
  for (int unit = 0; unit < units; ++unit) {
    GeneListEntry& entry = GeneList.entries[static_cast<std::size_t>(unit)];
    entry.listed = 1;
    entry.unit = unit;
  }
  GeneList.length = units;
  GeneList.NumInteresting = units;
  return units;
}

namespace {

// Every 100 probe sets written: the progress line, and whether the user asked to stop.
bool KeepGoing(int written) {
  if (written % 100 != 0) return true;
  JobProgress& progress = Progress();
  progress.Pump();
  progress.ShowProgress(MessageBuffer("    Gene %d", written));
  return !progress.Stopped();
}

}  // namespace

bool ForEachListedGene(std::ostream& stream, const GeneRowWriter& writer) {
  Group& group = TheGroup();
  const std::string& listPath = group.Settings().GENE_LIST_FILE;
  platform::LineReader reader;
  const bool listSet = !IsNone(listPath);
  if (listSet && reader.Open(listPath, kGeneListLineLength)) {
    LogMessage(MessageBuffer("    Export the data for genes in file %s", listPath.c_str()));
    LogMessage("    Gene 0");
    UnitNameIndex units(Layout);
    int written = 0;
    for (;;) {
      std::string_view line;
      const platform::LineStatus status = reader.Next(line);
      if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
      if (line.empty()) break;
      std::string_view name = line;
      std::string_view rest;
      const bool hasTab = CutAtTab(name, &rest);
      if (GeneList.SecondColumnNames) {
        if (!hasTab) {
          LogMessage(kNoSecondColumnMessage, 0, kLogRed);
          return false;
        }
        name = rest;
        CutAtTab(name);
      }
      name = TrimTrailingBlanksAndTabs(name);
      const int unit = units.Find(name);
      if (unit >= 0) {
        writer(group, stream, unit);
        ++written;
        if (!KeepGoing(written)) return false;
      } else if (written > 0 && !Contains(name, "probe set") && !IsCommentName(name)) {
        LogMessage(
            MessageBuffer("    Gene '%.*s' not found", static_cast<int>(name.size()), name.data()));
      }
    }
    Progress().ShowProgress(MessageBuffer("    Gene %d", written));
    return true;
  }
  if (listSet)
    LogMessage(
        MessageBuffer("  Reading gene list file %s failed, output all genes", listPath.c_str()), 0,
        kLogRed);

  LogMessage("    Gene 0");
  const int units = LayoutUnitCount();
  for (int unit = 0; unit < units; ++unit) {
    writer(group, stream, unit);
    if (!KeepGoing(unit + 1)) return false;
  }
  Progress().ShowProgress(MessageBuffer("    Gene %d", units));
  return true;
}

bool ReserveGeneListEntries(int n) {
  if (n < LayoutUnitCount()) return true;
  GeneList.entries = {};
  try {
    GeneList.entries.assign(static_cast<std::size_t>(n), GeneListEntry{});
  } catch (const std::bad_alloc&) {
    LogMessage(MessageBuffer("  Memory allocation for a gene list of %d entries failed", n), 0,
               kLogRed);
    return false;
  }
  return true;
}

void CompactGeneList() {
  const int places = std::min(GeneList.length, static_cast<int>(GeneList.entries.size()));
  int kept = 0;
  for (int k = 0; k < places; ++k) {
    const int unit = GeneList.entries[static_cast<std::size_t>(k)].unit;
    if (unit < 0) continue;
    GeneList.entries[static_cast<std::size_t>(kept++)].unit = unit;
  }
  GeneList.length = kept;
  if (kept != GeneList.NumInteresting) LogMessage(kCompactCountMessage, 0, kLogRed);
}

GeneListUse InputGeneListUse(std::string_view listPath, int useListed) {
  if (IsNone(listPath)) return GeneListUse::kAllGenes;
  return useListed != 0 ? GeneListUse::kListed : GeneListUse::kAllButListed;
}

InputGenes SelectInputGenes(std::string_view listPath, int useListed) {
  const GeneListUse use = InputGeneListUse(listPath, useListed);
  const int units = LayoutUnitCount();
  InputGenes result;
  if (use != GeneListUse::kAllGenes) {
    int count = ReadGeneList(nullptr, listPath, false);
    // An unreadable list leaves stale flags behind; inverting them would mean nothing.
    if (count >= 0 && use == GeneListUse::kAllButListed) {
      for (int unit = 0; unit < units; ++unit) GeneList.SetListed(unit, !GeneList.Listed(unit));
      count = units - count;
    }
    if (count >= 1) {
      result.allGenes = false;
      result.count = count;
      return result;
    }
  }
  GeneList.FitLayout();
  for (int unit = 0; unit < units; ++unit) GeneList.SetListed(unit, true);
  result.count = units;
  return result;
}

bool FuzzReadGeneList(const std::uint8_t* data, std::size_t size) {
  const RaisedAnalysisRunning running;
  return WithScratchFile(data, size, "genes.txt", [](const std::string& path) {
    bool treeFile = false;
    return ReadGeneList(&treeFile, path, true) >= 0;
  });
}
