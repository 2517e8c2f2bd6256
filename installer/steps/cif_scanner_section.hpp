// A scanner's section written into a CIF right after another section. The file is rewritten
// whole through a file beside it that takes its place only once complete, so a failure at
// any point leaves the CIF as it was; every line outside the new section keeps its bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quellbrook {

using SectionKeys = std::vector<std::pair<std::string, std::string>>;

enum class SectionInsert {
  kInserted,
  kNoReplacement,  // the file beside the CIF could not be made
  kUnreadable,     // the CIF could not be read (or is larger than a profile file may be)
  kAnchorMissing,  // no line begins with "[<anchor>]" (exact case)
  kNotWritten,     // the new text could not be written or put in the CIF's place
};

// The text with "[section]", its "key=value" lines and an empty line put before the first
// section header that follows the first line beginning with "[<anchor>]"; appended after an
// empty line when the anchor's section is the last. The new lines end as the text's first
// line does (CRLF or LF). Nothing when no line begins with the anchor's header.
std::optional<std::string> InsertSectionText(std::string_view text, std::string_view anchor,
                                             std::string_view section, const SectionKeys& keys);

// The same on the file at path; with kNoReplacement and kNotWritten, errno holds the
// system's reason.
SectionInsert InsertSectionIntoFile(const std::string& path, std::string_view anchor,
                                    std::string_view section, const SectionKeys& keys);

}  // namespace quellbrook
