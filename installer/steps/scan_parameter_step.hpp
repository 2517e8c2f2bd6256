// Installs the scanner settings of each array type: for every pair of type and scanner
// that serves it, the CIF parameter converter turns the CIF's scan parameters into
// "scan.txt", which is loaded through the analysis parameter code. The same object copies
// the scanner files into the library folder, checks a CIF for a scanner, and imports the
// scan parameters from a client's own library folder.
#pragma once

#include <string>
#include <vector>

#include "installer/framework/progress_window.hpp"
#include "installer/steps/library_copier.hpp"

namespace quellbrook {

inline constexpr const char* kScanLoadFile = "scan.txt";

class ScanParamStep : public LibFileCopier {
 public:
  // Copies the files each scanner INI of a type the scanner serves lists: 0; 1001 when such
  // an INI is missing (logged, the other pairs still copied); 3027 when a listed file
  // failed or a scanner's name would leave the type folder.
  int CopyScanFiles();
  // 0, 4001 when a conversion warned or a type has no scanner, or the first error of a
  // pair or type; 3004 without a connected session. The other pairs go on after a
  // failing one.
  int RunScanParamStep();
  // As the install, from the client's library folder, for every scanner of every type: the
  // type's CIF there with its tile type as assay type, "<scanner>.INI" of the source folder.
  int ImportScanParams();
  // Converts in checking mode: 0 when the CIF reads cleanly for the scanner, else 2002.
  int ValidateScanCif(const std::string& cifPath, const std::string& scannerIniPath,
                      const std::string& arrayType, const std::string& scanner);

  std::vector<std::string> arrayTypes;
  std::vector<std::string> typeFolders;  // parallel to arrayTypes
  std::vector<std::string> scanners;
  int warningsSeen = 0;  // once set, stays set

 private:
  int RunPairs(bool import);
  int RunPair(bool import, std::size_t index, const std::string& scanner,
              const std::string& assayType, ProgressWindow& window);
  std::string TypeFolder(std::size_t index) const;
};

}  // namespace quellbrook
