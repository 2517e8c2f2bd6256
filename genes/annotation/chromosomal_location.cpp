#include "genes/annotation/chromosomal_location.hpp"

#include <algorithm>

#include "genes/annotation/annotation_csv.hpp"

void ParseChromosomalLocation(std::string_view location, std::string& result) {
  result.clear();
  // A location is short; a long text cannot give a result within the limit, but its
  // leading part is all the cuts below look at.
  thread_local std::string text;
  text.assign(location);
  ReplaceAll(text, "Chr:", {});
  ReplaceAll(text, "chr", {});
  if (const std::size_t cen = text.find("cen"); cen != std::string::npos) text.resize(cen);
  if (text.find("cM") != std::string::npos) text.resize(std::min(text.find(' '), text.size()));
  text.resize(std::min(text.find_first_of(".-"), text.size()));
  if (text.empty()) return;
  const std::size_t a = text.find_first_of("pq ");
  result += '|';
  if (a == std::string::npos) {
    result += text;
  } else {
    result.append(text, 0, a);
    if (text[a] != ' ') {
      result += '|';
      result.append(text, 0, a + 1);
    }
    result += '|';
    result += text;
  }
  result += '|';
  if (result.size() > kMaxLocationTerms) result.clear();
}
