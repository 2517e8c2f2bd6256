#include "tools/libgen/listed_files.hpp"

#include "platform/path.hpp"

namespace libgen {

IniSection ProtocolsSection(const std::vector<ProtocolGroup>& groups) {
  IniSection section{"Protocols", {{"NumProtocols", std::to_string(groups.size())}}};
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const std::string group = "Protocol" + std::to_string(g + 1);
    section.keys.emplace_back(group + "NumFiles", std::to_string(groups[g].size()));
    for (std::size_t f = 0; f < groups[g].size(); ++f) {
      const ListedFile& file = groups[g][f];
      section.keys.emplace_back(group + "File" + std::to_string(f + 1), file.name);
      if (!file.attribute.empty())
        section.keys.emplace_back(group + "Attr" + std::to_string(f + 1), file.attribute);
    }
  }
  return section;
}

std::string ListedFilesFolder(const LibraryFolder& library, std::string_view type) {
  return platform::JoinPath(library.File(type), kLibFilesFolderName);
}

bool WriteListedFiles(const LibraryFolder& library, std::string_view type,
                      const std::vector<ProtocolGroup>& groups) {
  const std::string folder = ListedFilesFolder(library, type);
  for (const ProtocolGroup& group : groups)
    for (const ListedFile& file : group)
      if (!file.name.empty() && !WriteTextFile(platform::JoinPath(folder, file.name), file.content))
        return false;
  return true;
}

std::vector<ProtocolGroup> StandardListedFiles(std::string_view type) {
  const std::string name(type);
  return {{{name + ".CIF", "R", "[CDF]\r\nVersion=GC3.0\r\n"},
           {name + ".PSI", "RW", "#probe sets of " + name + "\r\n"}},
          {{name + "_Analysis.PRM", "", "alpha=0.05\r\n"}, {name + ".MSK", "R", MaskText(type)}}};
}

std::string MaskText(std::string_view type) {
  return "\r\n  \r\n  " + std::string(type) + "\r\nprobe set 1\r\n";
}

}  // namespace libgen
