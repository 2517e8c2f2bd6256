// What the laboratory database holds, as the host asks for it before an installation: the
// installed probe array types and hybridization protocols, each list joined with ",".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quellbrook {

// The host's buffers hold this many bytes each; a joined list keeps one fewer character
// than that, leaving room for its NUL.
inline constexpr std::size_t kInstalledListBufferSize = 65534;
inline constexpr std::size_t kInstalledListMaxLength = kInstalledListBufferSize - 1;

// The names joined with "," in their order, cut to kInstalledListMaxLength characters
// (possibly inside a name).
std::string JoinInstalledNames(const std::vector<std::string>& names);

// 1 with both joined lists, or 0 (both untouched) when there is no connection or no
// process database name.
int ReadInstalledLists(std::string& arrayTypes, std::string& protocols);

}  // namespace quellbrook
