// Installs the scanner settings of each array type: for every pair of type and scanner
// that serves it, the CIF parameter converter turns the CIF's scan parameters into
// "scan.txt", which is loaded through the analysis parameter code. The same object copies
// the scanner files into the library folder, checks a CIF for a scanner, and imports the
// scan parameters from a client's own library folder.
#pragma once

#include <string>
#include <vector>

#include "installer/framework/lib_db_session.hpp"
#include "installer/framework/part_numbers.hpp"
#include "installer/framework/progress_window.hpp"
#include "installer/steps/device_record.hpp"
#include "installer/steps/library_copier.hpp"

namespace quellbrook {

inline constexpr const char* kScanLoadFile = "scan.txt";

// One scanner parameter of a CIF section: the HP values read from a CIF carry no type.
struct ScanParamRecord {
  std::string name;
  std::string value;
  std::string type;
};

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

  // The update of further scanners' parameters, derived from the reference scanner's
  // ("HP") values through the source folder's map files (scan_parameter_update.cpp).

  // Writes each non-HP device's section into the CIF of every type in cifFolder; drops the
  // types whose update failed. 1 when every update worked and every map file was there.
  int FilterTypesByScannerMaps(std::vector<std::string>& types);
  // 1, or 0 after logging why the scanner's section could not be written into the CIF.
  int UpdateCifScanParams(const std::string& arrayType, const std::string& scanner);
  int CifHasScannerSection(const std::string& cifPath, const std::string& scanner);
  // out = the scanner map's parameters with their values for the scan type; 0 when the map
  // declares no parameters.
  int ReadScanTypeParams(const std::string& scanType, std::vector<ScanParamRecord>& out,
                         const std::string& mapPath);
  // Puts the scanner's section right after `afterSection` (always "HP"): 1 or 0 (logged).
  int InsertScannerSection(const std::vector<ScanParamRecord>& records,
                           const std::string& afterSection, const std::string& scanner,
                           const std::string& arrayType, const std::string& cifPath);
  // Sets each record's key in the CIF's existing scanner section: 1 or 0 (logged).
  int WriteScannerParams(const std::vector<ScanParamRecord>& records, const std::string& arrayType,
                         const std::string& scanner, const std::string& cifPath);
  // Sets hpMapPath and scannerMapPath; 1 when both files exist, else 0 (logged).
  int FindScannerMapFiles(const std::string& scanner);
  // On a server: every non-HP device's parameter sets derived from the database's HP sets
  // and loaded. The first non-zero device result ends it: 1 (the sets visited, each set's
  // failure only logged; or no connection) or 2014 (the map files missing); 0 when no
  // device had anything to update.
  int UpdateScanParams();
  int UpdateScannerScanParams(const std::string& scanner);
  // Writes the derived rows of one parameter set into outputFile; lineCount = lines
  // written. 1, or 0 when the file can't be written (logged).
  int WriteScanUpdateFile(const std::string& outputFile, const std::string& mapPath,
                          const std::string& scanner, const std::string& arrayName,
                          const std::string& assayName, const std::string& scanType,
                          const std::vector<AssayScanParameter>& rows, int& lineCount);
  // Appends the scanner map's parameters the database rows lack, with the first record's
  // columns; nothing when there is no first record to copy them from.
  void AddMapOnlyParams(std::vector<AssayScanParameter>& records,
                        const std::vector<std::string>& terms, const std::string& scanType,
                        const std::string& mapPath);

  std::vector<DeviceRecord> devices;  // only the names are read
  std::string hpMapPath;
  std::string scannerMapPath;
  std::vector<std::string> scanTypes;
  std::string cifFolder;
  PartNumberMap partNumbers;

 private:
  // A scanner's name becomes a file name beside the type's or the map files; one that would
  // leave that folder is refused (logged).
  static bool PlainScannerName(const std::string& scanner, const std::string& log);
  int RunPairs(bool import);
  int RunPair(bool import, std::size_t index, const std::string& scanner,
              const std::string& assayType, ProgressWindow& window);
  std::string TypeFolder(std::size_t index) const;
};

}  // namespace quellbrook
