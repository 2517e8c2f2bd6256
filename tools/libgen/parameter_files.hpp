// An array type's parameter files as the analysis and scan parameter steps read them: the
// analysis definition "Analysis.ini" in the type's folder (its section list, declarations
// and the [Protocols] list of its analysis library files), the type's CIF in its LibFiles
// folder, and beside the definition one INI per scanner that serves the type (the scan
// declarations and the [Protocols] list of its scan files). The listed files themselves
// go where the copier takes them from.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/libgen/cif_files.hpp"
#include "tools/libgen/library_folder.hpp"

namespace libgen {

// The standard content of a type whose algorithm has the CIF name: a Server, Grid, Cell
// and Chip section, one declaration each ("Algorithm Name", "Spacing" int, "Edge" int,
// "Scale" float with the declared default "1.0").
AnalysisDefinition StandardAnalysisDefinition(const std::string& algorithm);
// A CIF holding a value for each standard declaration ("Type A" as the algorithm name,
// spacing 4, edge 2, scale 0.5), the scan values of StandardScannerIniText (pixel 3,
// resolution 1.5) under [Chip] and [<scanner>] for each scanner, and no [HP] section.
std::vector<IniSection> StandardCifSections(const std::vector<std::string>& scanners);
// [Chip] declaring "Pixel" and [<scanner>] declaring "Resolution", both strings without
// defaults, and a [Protocols] list of the scan file "<type>_<scanner>.SCN".
std::string StandardScannerIniText(std::string_view type, const std::string& scanner);

// The names written for a type: the analysis library file and a scanner's scan file.
std::string AnalysisLibraryFileName(std::string_view type);
std::string ScanFileName(std::string_view type, std::string_view scanner);
// "<type folder>/<scanner>.INI" and "<type folder>/LibFiles/<type>.CIF".
std::string ScannerIniPath(const LibraryFolder& library, std::string_view type,
                           std::string_view scanner);
std::string CifPath(const LibraryFolder& library, std::string_view type);

// Writes the standard parameter files of every type of the library: its definition (with
// the algorithm whose type is the type's assay type, else the first), its CIF, its
// scanners' INIs and the listed files. False with a reason when a file can't be written.
[[nodiscard]] bool WriteStandardParameterFiles(const LibraryFolder& library, std::string& error);

}  // namespace libgen
