// The chromosome and cytoband terms of a probe set, from the chromosomal location of the
// annotation file: 1p36.1 gives |1|1p|1p36|, X gives |X|.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Terms longer than this are dropped: no real location gives them.
inline constexpr std::size_t kMaxLocationTerms = 20;

// Writes the location's terms into result (emptied first; it stays empty for an empty or
// unusable location). result's capacity is reused from call to call.
void ParseChromosomalLocation(std::string_view location, std::string& result);
