// A fluidics station's protocols for one array type: the station's protocol INI in the
// type's folder (the protocols it runs, each with its MAC file listed for copying) and
// the MAC files, in the type's LibFiles folder where they are read and in
// <source>/<type name>/LibFiles where the copier takes them from.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/mac_file.hpp"

namespace libgen {

struct FluidicsProtocol {
  std::string name;
  MacFile mac;
};

// [Protocols]: NumProtocols, then per protocol ProtocolN (its name) and its MAC file as
// the one listed file of group N, read-only.
std::string StationIniText(const std::vector<FluidicsProtocol>& protocols);

// The station's protocol INI of the type.
std::string StationIniPath(const LibraryFolder& library, std::string_view type,
                           std::string_view station);

// Writes the station INI and every protocol's MAC file. False when one can't be written.
[[nodiscard]] bool WriteFluidicsFiles(const LibraryFolder& library, std::string_view type,
                                      std::string_view station,
                                      const std::vector<FluidicsProtocol>& protocols);

}  // namespace libgen
