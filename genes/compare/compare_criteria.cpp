#include "genes/compare/compare_criteria.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <utility>

#include "engine/services/log_channel.hpp"

COMPARE_CRITERIA CompareCriteria;

void COMPARE_CRITERION::SetDefaults() {
  useEminusB = 1;
  useBminusE = 1;
  useEoverB = 1;
  useBoverE = 1;
  usePcall = 0;
  useLowerBound = 1;
  usePvalue = 0;
  usePaired = 0;
  EminusB = 100.0;
  BminusE = 100.0;
  PcallB = 20;
  PcallE = 20;
  EoverB = 1.2;
  BoverE = 1.2;
  Pvalue = 0.05;
  pairPvalue = 0.05;
}

void COMPARE_CRITERION::UpdateShowStdErr() {
  showStdErr = (UsesFold() && useLowerBound != 0) || usePvalue != 0;
}

bool COMPARE_CRITERIA::InsertComparison(int position, int combine, bool isParenthesis) {
  if (position < 0 || position > count) return false;
  if (count >= kMaxComparisons) {
    LogMessage(kTooManyComparisonsMessage, 0, kLogRed);
    return false;
  }
  if (isParenthesis) {
    if (position == 0) return false;
    if (position < count && entries[static_cast<std::size_t>(position)].isParenthesis) return false;
    if (entries[static_cast<std::size_t>(position - 1)].isParenthesis) return false;
  }
  for (int i = count; i > position; --i)
    entries[static_cast<std::size_t>(i)] = std::move(entries[static_cast<std::size_t>(i - 1)]);
  COMPARE_CRITERION& entry = entries[static_cast<std::size_t>(position)];
  entry = working;
  entry.combine = combine;
  entry.isParenthesis = isParenthesis;
  ++count;
  return true;
}

void COMPARE_CRITERIA::DeleteComparison(int index) {
  if (index < 0 || index >= count) return;
  for (int i = index; i + 1 < count; ++i)
    entries[static_cast<std::size_t>(i)] = std::move(entries[static_cast<std::size_t>(i + 1)]);
  --count;
  entries[static_cast<std::size_t>(count)] = COMPARE_CRITERION{};
}

void COMPARE_CRITERIA::ReplaceSelected() {
  if (selected < 0 || selected >= count) return;
  COMPARE_CRITERION& entry = entries[static_cast<std::size_t>(selected)];
  working.isParenthesis = entry.isParenthesis;
  working.combine = entry.combine;
  working.UpdateShowStdErr();
  entry = working;
}

void COMPARE_CRITERIA::Clear() {
  for (int i = 0; i < count; ++i) entries[static_cast<std::size_t>(i)] = COMPARE_CRITERION{};
  count = 0;
  selected = -1;
}

std::string COMPARE_CRITERIA::DescribeComparisons() const {
  std::string text;
  bool first = true;
  for (const COMPARE_CRITERION& entry : Entries()) {
    if (entry.isParenthesis) continue;
    if (!first) {
      text += ' ';
      text += kCombineWords[static_cast<std::size_t>(entry.combine & 3)];
      text += ' ';
    }
    first = false;
    text += '[';
    text += SampleListText(entry.baseline);
    text += " vs. ";
    text += SampleListText(entry.experiment);
    text += ']';
  }
  return text;
}

namespace {

bool Apply(bool left, int combine, bool right) {
  switch (combine) {
    case kCombineAnd:
      return left && right;
    case kCombineOr:
      return left || right;
    case kCombineAndNot:
      return left && !right;
    default:
      return left || !right;
  }
}

bool Negates(int combine) {
  return combine == kCombineAndNot || combine == kCombineOrNot;
}

}  // namespace

bool CombineComparisons(std::span<const COMPARE_CRITERION> entries, std::span<const char> results) {
  bool outer = true;
  bool anyChain = false;
  int pending = kCombineAnd;
  bool chain = false;
  bool chainOpen = false;
  const std::size_t n = std::min(entries.size(), results.size());
  for (std::size_t j = 0; j < n; ++j) {
    const COMPARE_CRITERION& entry = entries[j];
    if (entry.isParenthesis) {
      if (chainOpen) {
        outer = anyChain ? Apply(outer, pending, chain) : chain;
        anyChain = true;
      }
      chainOpen = false;
      pending = entry.combine;
      continue;
    }
    const bool r = results[j] != 0;
    if (!chainOpen) {
      chain = Negates(entry.combine) ? !r : r;
      chainOpen = true;
    } else {
      chain = Apply(chain, entry.combine, r);
    }
  }
  if (chainOpen) {
    outer = anyChain ? Apply(outer, pending, chain) : chain;
    anyChain = true;
  }
  return anyChain && outer;
}

std::string SampleListText(std::span<const int> samples) {
  std::string text;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(samples[i] + 1);
  }
  return text;
}

std::string CombineCellText(std::span<const COMPARE_CRITERION> entries, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return {};
  const COMPARE_CRITERION& entry = entries[static_cast<std::size_t>(index)];
  const char* word = kCombineWords[static_cast<std::size_t>(entry.combine & 3)];
  if (entry.isParenthesis) return std::string(") ") + word;
  if (index == 0 || entries[static_cast<std::size_t>(index - 1)].isParenthesis)
    return Negates(entry.combine) ? "(not" : "(";
  return word;
}

namespace {

std::string Fixed(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::vector<std::string> ComparisonCellTexts(const COMPARE_CRITERION& entry) {
  std::vector<std::string> cells;
  cells.push_back(SampleListText(entry.baseline));
  cells.push_back(SampleListText(entry.experiment));
  cells.push_back(entry.useEoverB != 0 ? Fixed("%.3f", entry.EoverB) : "");
  cells.push_back(entry.useBoverE != 0 ? Fixed("%.3f", entry.BoverE) : "");
  cells.push_back(!entry.UsesFold()          ? ""
                  : entry.useLowerBound != 0 ? "Lower Bound"
                                             : "Fold Change");
  cells.push_back(entry.useEminusB != 0 ? Fixed("%.3f", entry.EminusB) : "");
  cells.push_back(entry.useBminusE != 0 ? Fixed("%.3f", entry.BminusE) : "");
  cells.push_back(entry.usePvalue != 0 ? Fixed("%.4f", entry.Pvalue) : "");
  cells.push_back(entry.usePcall != 0 ? std::to_string(entry.PcallB) : "");
  cells.push_back(entry.usePcall != 0 ? std::to_string(entry.PcallE) : "");
  cells.push_back(entry.usePaired != 0 ? Fixed("%.4f", entry.pairPvalue) : "");
  return cells;
}

bool HasClosingRow(std::span<const COMPARE_CRITERION> entries) {
  return !entries.empty() && !entries.back().isParenthesis;
}
