#include "genes/annotation/term_set.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <numeric>

#include "engine/base/text_helpers.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "platform/file_replacement.hpp"
#include "platform/text_bytes.hpp"

namespace {

// The number the id text starts with (blanks before it skipped); ids are compared by
// value so that 0008150 and 8150 are one term. -1 when no digits start it or it is too
// large for an int.
int TermIdValue(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end == text.data() || value < 0) return -1;
  return value;
}

}  // namespace

TERM_SET::TERM_SET(std::string name, int capacity)
    : mName(std::move(name)), mCapacity(std::max(capacity, 0)) {
  mEntries.reserve(static_cast<std::size_t>(mCapacity));
  mInGene.reserve(static_cast<std::size_t>(mCapacity));
  mGeneTerms.reserve(kMaxTermsPerGene);
}

TERM_SET::~TERM_SET() = default;

int TERM_SET::FindTerm(int id) const {
  if (id >= 0 && id < kDirectIds) {
    const auto at = static_cast<std::size_t>(id);
    return at < mDirectIndexOfId.size() ? mDirectIndexOfId[at] : -1;
  }
  const auto found = mIndexOfId.find(id);
  return found == mIndexOfId.end() ? -1 : found->second;
}

int TERM_SET::FindOrAddTerm(std::string_view idText, std::string_view name, bool add) {
  const int id = TermIdValue(idText);
  if (id < 0) {
    LogMessage("    Error: Term id '" + std::string(idText) + "' is not a number at category '" +
                   mName + "'",
               0, kLogRed);
    return -1;
  }
  if (const int index = FindTerm(id); index >= 0) {
    if (add) ++mEntries[static_cast<std::size_t>(index)].geneCount;
    return index;
  }
  if (!add) {
    LogMessage("    Cannot find the term '" + std::string(idText) + ": " + std::string(name) +
                   "'; may update to the latest GO files\n",
               0, kLogRed);
    return -1;
  }
  if (Count() >= mCapacity) {
    LogMessage("    Error: NumTerm == MaxTerm at category '" + mName + "'", 0, kLogRed);
    return -1;
  }
  const int index = Count();
  mEntries.push_back(TERM_ENTRY{id, 1, 0, 0, std::string(name), true, true});
  mInGene.push_back(0);
  if (id >= 0 && id < kDirectIds) {
    const auto at = static_cast<std::size_t>(id);
    if (at >= mDirectIndexOfId.size()) mDirectIndexOfId.resize(at + 1, -1);
    mDirectIndexOfId[at] = index;
  } else {
    mIndexOfId.emplace(id, index);
  }
  return index;
}

bool TERM_SET::AddTermToGene(int index) {
  if (index < 0 || index >= Count()) return true;
  const auto at = static_cast<std::size_t>(index);
  if (!mEntries[at].active || mInGene[at] == mStamp) return true;
  if (static_cast<int>(mGeneTerms.size()) >= kMaxTermsPerGene) return true;
  mInGene[at] = mStamp;
  mGeneTerms.push_back(index);
  return true;
}

void TERM_SET::CountGeneTerms() {
  for (const int index : mGeneTerms) ++mEntries[static_cast<std::size_t>(index)].geneCount;
}

void TERM_SET::ClearGeneTerms() {
  mGeneTerms.clear();
  ++mStamp;
}

void TERM_SET::AppendGeneTermIds(std::string& out) const {
  bool wrote = false;
  char digits[16];
  for (const int index : mGeneTerms) {
    const TERM_ENTRY& term = mEntries[static_cast<std::size_t>(index)];
    if (!term.selected) continue;
    out.push_back('|');
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, term.id);
    out.append(digits, end);
    wrote = true;
  }
  if (wrote) out.push_back('|');
}

void TERM_SET::ClearGeneCounts() {
  for (TERM_ENTRY& term : mEntries) term.geneCount = 0;
}

void TERM_SET::SelectFrequentTerms() {
  if (Count() <= kMaxSelectedTerms) {
    for (TERM_ENTRY& term : mEntries) term.selected = true;
    return;
  }
  std::vector<int> order(mEntries.size());
  std::iota(order.begin(), order.end(), 0);
  const auto more = [this](int a, int b) {
    const int countA = mEntries[static_cast<std::size_t>(a)].geneCount;
    const int countB = mEntries[static_cast<std::size_t>(b)].geneCount;
    return countA != countB ? countA > countB : a < b;
  };
  std::partial_sort(order.begin(), order.begin() + kMaxSelectedTerms, order.end(), more);
  for (TERM_ENTRY& term : mEntries) term.selected = false;
  for (int rank = 0; rank < kMaxSelectedTerms; ++rank)
    mEntries[static_cast<std::size_t>(order[static_cast<std::size_t>(rank)])].selected = true;
}

bool TERM_SET::WriteTermFrequency(const std::string& geneInfoPath) const {
  platform::FileReplacement file;
  std::string summary;
  if (!WriteTermFrequency(geneInfoPath, file, summary)) return false;
  if (!file.Commit()) {
    return LogWriteFailure("    Write file '" + file.Path() + "' failed", file.Error());
  }
  LogMessage(summary);
  return true;
}

bool TERM_SET::WriteTermFrequency(const std::string& geneInfoPath, platform::FileReplacement& file,
                                  std::string& summary) const {
  const std::string path = ChangeExtension(geneInfoPath, " " + mName + ".xls");
  std::vector<int> order;
  order.reserve(mEntries.size());
  for (int index = 0; index < Count(); ++index)
    if (mEntries[static_cast<std::size_t>(index)].selected) order.push_back(index);
  std::sort(order.begin(), order.end(), [this](int a, int b) {
    return mEntries[static_cast<std::size_t>(a)].id < mEntries[static_cast<std::size_t>(b)].id;
  });

  std::string table = "Term ID\tTerm Name\tFrequency\n";
  int smallest = order.empty() ? 0 : mEntries[static_cast<std::size_t>(order[0])].geneCount;
  for (const int index : order) {
    const TERM_ENTRY& term = mEntries[static_cast<std::size_t>(index)];
    table += std::to_string(term.id);
    table.append("\t").append(term.name).append("\t");
    table += std::to_string(term.geneCount);
    table.push_back('\n');
    smallest = std::min(smallest, term.geneCount);
  }

  if (!file.Open(path) || !file.Write(platform::TextBytes(table))) {
    return LogWriteFailure("    Write file '" + path + "' failed", file.Error());
  }
  summary = MessageBuffer("    '%s' contains %zu %s terms associated with >= %d probe sets",
                          path.c_str(), order.size(), mName.c_str(), smallest);
  return true;
}
