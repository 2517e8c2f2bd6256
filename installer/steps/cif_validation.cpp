#include "installer/steps/cif_validation.hpp"

#include <functional>
#include <optional>
#include <thread>

#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/progress_window.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/analysis_parameter_step.hpp"
#include "installer/steps/scan_parameter_step.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

template <typename Step>
void Borrow(Step& step, const InstallStep& folders) {
  step.destFolder = folders.destFolder;
  step.sourceFolder = folders.sourceFolder;
  step.logPath = folders.logPath;
  step.reportPath = folders.reportPath;
}

// Where one road finds a type's files and how it checks the analysis side.
struct CheckRoad {
  std::function<std::string(std::size_t)> cifPath;
  // The scanner's INI for the type, or nothing when the scanner does not serve it.
  std::function<std::optional<std::string>(std::size_t, const std::string&)> scannerIni;
  std::function<bool(std::size_t, const std::string&, AnalysisParamStep&)> analysisValid;
  std::chrono::milliseconds linger{0};
};

// The loop both roads share: one window per type, a step per scanner, the analysis check,
// the outcome line. Answers the indexes of the types that passed.
std::vector<std::size_t> CheckTypes(const InstallStep& folders,
                                    const std::vector<std::string>& scanners,
                                    const std::vector<std::string>& types, const CheckRoad& road) {
  ScanParamStep scan;
  AnalysisParamStep analysis;
  Borrow(scan, folders);
  Borrow(analysis, folders);
  std::vector<std::size_t> passed;
  for (std::size_t i = 0; i < types.size(); ++i) {
    const std::string& type = types[i];
    ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
    window.SetRange(0, static_cast<int>(scanners.size()) + 1, 1);
    window.SetStep(1);
    window.SetText("Validate CIF file for %s...", type.c_str());
    window.Show();
    WriteLogLine(folders.logPath, FormatText("Validate CIF file for %s...", type.c_str()),
                 kLogInfo);
    const std::string cif = road.cifPath(i);
    bool valid = true;
    for (const std::string& scanner : scanners) {
      if (valid) {
        if (const auto ini = road.scannerIni(i, scanner))
          valid = scan.ValidateScanCif(cif, *ini, type, scanner) == 0;
      }
      window.StepIt();
    }
    if (valid) valid = road.analysisValid(i, cif, analysis);
    window.StepIt();
    if (valid) {
      passed.push_back(i);
      WriteLogLine(folders.logPath,
                   FormatText("Validate CIF file for %s successfully.", type.c_str()), kLogInfo);
    } else {
      WriteLogLine(folders.logPath,
                   FormatText("Validate CIF file for %s failed.  Please correct the CIF file %s "
                              "and retry.",
                              type.c_str(), cif.c_str()),
                   kLogInfo);
    }
    window.StepIt();
    if (road.linger.count() > 0) std::this_thread::sleep_for(road.linger);
  }
  return passed;
}

template <typename T>
std::vector<T> Pick(const std::vector<T>& items, const std::vector<std::size_t>& indexes) {
  std::vector<T> picked;
  for (std::size_t i : indexes)
    if (i < items.size()) picked.push_back(items[i]);
  return picked;
}

// The tile types whose parameters an import can update.
bool IsUpdatableTileType(const std::string& tileType) {
  for (const char* updatable : {"Expression", "Universal", "ReSequencing"})
    if (platform::EqualsNoCase(tileType, updatable)) return true;
  return false;
}

}  // namespace

bool ValidateTypeCifs(const InstallStep& folders, const std::vector<std::string>& scanners,
                      std::vector<std::string>& types, std::vector<std::string>& typeFolders) {
  const platform::ProfileText devices =
      platform::ProfileText::Read(platform::JoinPath(folders.sourceFolder, kDevicesIniName));
  auto typeFolder = [&](std::size_t i) {
    return i < typeFolders.size() ? typeFolders[i] : types[i];
  };
  auto folder = [&](std::size_t i) {
    return platform::JoinPath(folders.sourceFolder, typeFolder(i));
  };
  CheckRoad road;
  road.cifPath = [&](std::size_t i) {
    return platform::JoinPath(platform::JoinPath(folder(i), kLibFilesFolder), types[i] + ".CIF");
  };
  // A scanner that does not serve the type installs nothing of it, so it has no scanner INI
  // to be checked against.
  road.scannerIni = [&](std::size_t i, const std::string& scanner) -> std::optional<std::string> {
    if (!IsInArraySet(scanner, types[i], devices)) return std::nullopt;
    return platform::JoinPath(folder(i), scanner + ".INI");
  };
  road.analysisValid = [&](std::size_t i, const std::string& cif, AnalysisParamStep& analysis) {
    return analysis.ValidateAnalysisCif(cif, platform::JoinPath(folder(i), kAnalysisDefinitionName),
                                        types[i], 0, 0, 0, 0) == 0;
  };
  const std::vector<std::size_t> passed = CheckTypes(folders, scanners, types, road);
  std::vector<std::string> validFolders;
  for (std::size_t i : passed) validFolders.push_back(typeFolder(i));
  const bool allValid = passed.size() == types.size();
  types = Pick(types, passed);
  typeFolders = std::move(validFolders);
  return allValid;
}

bool ValidateImportCifs(const InstallStep& folders, const std::string& cifFolder,
                        const std::vector<std::string>& scanners, std::vector<std::string>& types) {
  CheckRoad road;
  road.cifPath = [&](std::size_t i) { return platform::JoinPath(cifFolder, types[i] + ".CIF"); };
  road.scannerIni = [&](std::size_t, const std::string& scanner) -> std::optional<std::string> {
    return platform::JoinPath(folders.sourceFolder, scanner + ".INI");
  };
  road.analysisValid = [&](std::size_t i, const std::string& cif, AnalysisParamStep& analysis) {
    std::string tileType;
    ReadTileType(cif, tileType);
    if (!IsUpdatableTileType(tileType)) {
      WriteLogLine(folders.logPath,
                   FormatText("Only Expression, Universal and Resequencing tile types can be "
                              "updated.  %s is not supported.",
                              tileType.c_str()),
                   kLogInfo);
      return false;
    }
    return analysis.ValidateAnalysisCif(cif,
                                        platform::JoinPath(folders.sourceFolder, tileType + ".INI"),
                                        types[i], 1, 1, 1, 1) == 0;
  };
  road.linger = kImportCheckLinger;
  const std::vector<std::size_t> passed = CheckTypes(folders, scanners, types, road);
  const bool allValid = passed.size() == types.size();
  types = Pick(types, passed);
  return allValid;
}

}  // namespace quellbrook
