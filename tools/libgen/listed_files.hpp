// The library files that an INI's [Protocols] section lists for copying (analysis, scan and
// fluidics files), written with known contents where the copier takes them from:
// <source>/<type name>/LibFiles, whatever the type's own folder is. Mask files name their
// array type on their first line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/libgen/library_folder.hpp"

namespace libgen {

struct ListedFile {
  std::string name;
  std::string attribute;  // "R" read-only, anything else writable; empty writes no key
  std::string content;
};
using ProtocolGroup = std::vector<ListedFile>;

// NumProtocols, ProtocolNNumFiles, ProtocolNFileM and ProtocolNAttrM for the groups.
IniSection ProtocolsSection(const std::vector<ProtocolGroup>& groups);

// The folder the listed files of the type are copied from.
std::string ListedFilesFolder(const LibraryFolder& library, std::string_view type);

// Writes every listed file of the groups into that folder. False when one can't be written.
[[nodiscard]] bool WriteListedFiles(const LibraryFolder& library, std::string_view type,
                                    const std::vector<ProtocolGroup>& groups);

// Two groups of two files each for the type: its CIF (read-only) and PSI file, then a
// second group whose first file has no attribute of its own (it takes the one before it).
std::vector<ProtocolGroup> StandardListedFiles(std::string_view type);

// A mask file's text: blank lines, then the type's name indented, then other lines.
std::string MaskText(std::string_view type);

}  // namespace libgen
