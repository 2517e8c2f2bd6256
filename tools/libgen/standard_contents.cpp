#include "tools/libgen/standard_contents.hpp"

#include <cerrno>

#include "platform/path.hpp"
#include "platform/system_error.hpp"
#include "tools/libgen/assay_files.hpp"
#include "tools/libgen/controls_file.hpp"
#include "tools/libgen/fluidics_files.hpp"
#include "tools/libgen/gin_file.hpp"
#include "tools/libgen/parameter_files.hpp"
#include "tools/libgen/scanner_map_files.hpp"
#include "tools/libgen/sif_file.hpp"
#include "tools/libgen/template_files.hpp"

namespace libgen {

bool WriteStandardContents(const LibraryFolder& library, std::string& error) {
  auto write = [&](const std::string& path, const std::string& text) {
    if (WriteTextFile(path, text)) return true;
    error = platform::WithSystemReason("cannot write " + path, errno);
    return false;
  };
  unsigned seed = 1;
  for (const ArrayType& type : library.Spec().types) {
    if (!write(platform::JoinPath(library.LibFiles(type.name), GinFileName(type.name)),
               GinText(StandardGin(kStandardGinRows, 40, seed++))))
      return false;
    if (type.sequences &&
        !write(platform::JoinPath(library.LibFiles(type.name), SifFileName(type.name)),
               SifText(StandardSif(kStandardSifProbeSets, seed++))))
      return false;
  }
  for (const Device& device : library.Spec().devices) {
    if (device.type != "Fluidics") continue;
    for (const std::string& type : device.arraySets) {
      MacFile second{{"; second protocol"}, {{"Temp", "45", ""}}};
      if (!WriteFluidicsFiles(library, type, device.name,
                              {{"Hyb_" + type, StandardMac()}, {"Wash_" + type, second}})) {
        error = "cannot write the fluidics files of " + device.name;
        return false;
      }
    }
  }
  return write(library.File(kControlsIniName), ControlsIniText(StandardControls()));
}

bool WriteStandardLibrary(const LibraryFolder& library, std::string& error) {
  if (!library.Write(error) || !WriteStandardContents(library, error) ||
      !WriteStandardParameterFiles(library, error))
    return false;
  std::vector<ScannerMap> maps;
  for (const Device& device : library.Spec().devices)
    if (device.type == "Scanner") maps.push_back(StandardScannerMap(device.name));
  if (!WriteScannerMapFiles(library, StandardScanTypes(), maps, error)) return false;
  for (const auto& [name, text] :
       {std::pair{kAssayProtocolName, AssayProtocolText(StandardAssaySteps())},
        std::pair{kTemplateFileName, TemplateText(StandardTemplateAttributes())}}) {
    if (!WriteTextFile(library.File(name), text)) {
      error = platform::WithSystemReason("cannot write " + library.File(name), errno);
      return false;
    }
  }
  return true;
}

}  // namespace libgen
