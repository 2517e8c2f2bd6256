#include "genes/annotation/annotation_csv.hpp"

#include <algorithm>

#include "platform/path.hpp"

const std::array<std::array<std::string_view, 2>, kAnnotationColumns> kAnnotationColumnNames = {{
    {"Probe Set ID", "Probe Set ID"},
    {"Sequence Derived From", "Representative Public ID"},
    {"Sequence Description", "Target Description"},
    {"Title", "Gene Title"},
    {"Location", "Chromosomal Location"},
    {"Unigene", "UniGene ID"},
    {"LocusLink", "Entrez Gene"},
    {"Biological Process (GO)", "Gene Ontology Biological Process"},
    {"Cellular Component (GO)", "Gene Ontology Cellular Component"},
    {"Molecular Function (GO)", "Gene Ontology Molecular Function"},
    {"Pathways KEGG", "Pathway"},
    {"InterPro", "InterPro"},
    {"Genome Alignment", "Alignments"},
}};

int FindAnnotationColumn(std::string_view item) {
  for (int k = 0; k < kAnnotationColumns; ++k) {
    const auto& names = kAnnotationColumnNames[static_cast<std::size_t>(k)];
    if (platform::EqualsNoCase(item, names[0]) || platform::EqualsNoCase(item, names[1])) return k;
  }
  return -1;
}

std::string_view NextMultiValue(std::string_view& pending) {
  const std::size_t at = pending.find(kMultiValueSeparator);
  std::string_view piece = pending.substr(0, at);
  pending = at == std::string_view::npos ? std::string_view()
                                         : pending.substr(at + kMultiValueSeparator.size());
  return piece;
}

bool CsvItems::Push(std::string_view item) {
  if (item.empty()) return true;
  if (mCount == kMaxCsvItems) return false;
  mItems[static_cast<std::size_t>(mCount++)] = item;
  return true;
}

CsvItems::Cut CsvItems::Split(std::string_view line) {
  mCount = 0;
  mUnquoted.clear();
  if (std::count(line.begin(), line.end(), '"') % 2 != 0) return Cut::kUnbalanced;
  std::size_t at = 0;
  for (;;) {
    // Outside a field: the text up to the quote that opens the next one.
    const std::size_t open = line.find('"', at);
    if (!Push(line.substr(at, open == std::string_view::npos ? line.npos : open - at)))
      return Cut::kTooMany;
    if (open == std::string_view::npos) return Cut::kDone;
    // Inside: a quote closes the field unless another follows it.
    std::size_t close = open + 1;
    bool doubled = false;
    for (;; close += 2) {
      close = line.find('"', close);
      if (close == std::string_view::npos) return Cut::kUnbalanced;
      if (close + 1 == line.size() || line[close + 1] != '"') break;
      doubled = true;
    }
    const std::string_view field = line.substr(open + 1, close - open - 1);
    at = close + 1;
    if (field.empty()) {
      const bool betweenCommas =
          (open == 0 || line[open - 1] == ',') && (at == line.size() || line[at] == ',');
      if (betweenCommas && !Push(kNoValue)) return Cut::kTooMany;
      continue;
    }
    if (!doubled) {
      if (!Push(field)) return Cut::kTooMany;
      continue;
    }
    if (mUnquoted.capacity() < line.size()) mUnquoted.reserve(line.size());
    const std::size_t start = mUnquoted.size();
    for (std::size_t i = 0; i < field.size(); ++i) {
      mUnquoted.push_back(field[i]);
      if (field[i] == '"') ++i;  // the second quote of the pair
    }
    if (!Push(std::string_view(mUnquoted).substr(start))) return Cut::kTooMany;
  }
}

int CsvColumnMap::Known() const {
  std::array<bool, kAnnotationColumns> seen{};
  int known = 0;
  for (int i = 0; i < items; ++i) {
    const int k = column[static_cast<std::size_t>(i)];
    if (k >= 0 && !seen[static_cast<std::size_t>(k)]) {
      seen[static_cast<std::size_t>(k)] = true;
      ++known;
    }
  }
  return known;
}

void CsvColumnMap::Map(std::span<const std::string_view> header) {
  items = static_cast<int>(std::min<std::size_t>(header.size(), kMaxCsvItems));
  for (int i = 0; i < items; ++i)
    column[static_cast<std::size_t>(i)] = FindAnnotationColumn(header[static_cast<std::size_t>(i)]);
}

void AnnotationValues::Take(std::span<const std::string_view> items, const CsvColumnMap& map) {
  const std::size_t count = std::min(items.size(), static_cast<std::size_t>(map.items));
  for (std::size_t i = 0; i < count; ++i) {
    const int k = map.column[i];
    if (k < 0) continue;
    std::string& value = mValues[static_cast<std::size_t>(k)];
    value.assign(items[i]);
    if (value.find(kNoValue) != std::string::npos) ReplaceAll(value, kNoValue, {});
  }
}

void AnnotationValues::Clear() {
  for (std::string& value : mValues) value.clear();
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  std::size_t at = text.find(from);
  if (at == std::string::npos) return;
  if (to.size() <= from.size()) {
    // Shrinking or equal: one pass, writing behind the reading position.
    std::size_t write = at;
    std::size_t read = at;
    while (read < text.size()) {
      if (text.compare(read, from.size(), from) == 0) {
        std::copy(to.begin(), to.end(), text.begin() + static_cast<std::ptrdiff_t>(write));
        write += to.size();
        read += from.size();
      } else {
        text[write++] = text[read++];
      }
    }
    text.resize(write);
    return;
  }
  for (; at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}
