#include "tools/libgen/fluidics_files.hpp"

#include "platform/path.hpp"

namespace libgen {

std::string StationIniText(const std::vector<FluidicsProtocol>& protocols) {
  IniSection section{"Protocols", {{"NumProtocols", std::to_string(protocols.size())}}};
  for (std::size_t n = 0; n < protocols.size(); ++n) {
    const std::string group = "Protocol" + std::to_string(n + 1);
    section.keys.emplace_back(group, protocols[n].name);
    section.keys.emplace_back(group + "NumFiles", "1");
    section.keys.emplace_back(group + "File1", MacFileName(protocols[n].name));
    section.keys.emplace_back(group + "Attr1", "R");
  }
  return IniText({section});
}

std::string StationIniPath(const LibraryFolder& library, std::string_view type,
                           std::string_view station) {
  return platform::JoinPath(library.TypeFolder(type), std::string(station) + ".INI");
}

bool WriteFluidicsFiles(const LibraryFolder& library, std::string_view type,
                        std::string_view station, const std::vector<FluidicsProtocol>& protocols) {
  if (!WriteTextFile(StationIniPath(library, type, station), StationIniText(protocols)))
    return false;
  const std::string copied =
      platform::JoinPath(library.File(type), std::string(kLibFilesFolderName));
  for (const FluidicsProtocol& protocol : protocols) {
    const std::string text = MacText(protocol.mac);
    const std::string name = MacFileName(protocol.name);
    if (!WriteTextFile(platform::JoinPath(library.LibFiles(type), name), text) ||
        !WriteTextFile(platform::JoinPath(copied, name), text))
      return false;
  }
  return true;
}

}  // namespace libgen
