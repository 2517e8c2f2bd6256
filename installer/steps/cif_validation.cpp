#include "installer/steps/cif_validation.hpp"

#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/progress_window.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/analysis_parameter_step.hpp"
#include "installer/steps/scan_parameter_step.hpp"
#include "platform/path.hpp"

namespace quellbrook {

namespace {

template <typename Step>
void Borrow(Step& step, const InstallStep& folders) {
  step.destFolder = folders.destFolder;
  step.sourceFolder = folders.sourceFolder;
  step.logPath = folders.logPath;
  step.reportPath = folders.reportPath;
}

}  // namespace

bool ValidateTypeCifs(const InstallStep& folders, const std::vector<std::string>& scanners,
                      std::vector<std::string>& types, std::vector<std::string>& typeFolders) {
  ScanParamStep scan;
  AnalysisParamStep analysis;
  Borrow(scan, folders);
  Borrow(analysis, folders);
  const std::string devices = platform::JoinPath(folders.sourceFolder, kDevicesIniName);
  std::vector<std::string> validTypes, validFolders;
  bool allValid = true;
  for (std::size_t i = 0; i < types.size(); ++i) {
    const std::string& type = types[i];
    const std::string folder =
        platform::JoinPath(folders.sourceFolder, i < typeFolders.size() ? typeFolders[i] : type);
    ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
    window.SetRange(0, static_cast<int>(scanners.size()) + 1, 1);
    window.SetStep(1);
    window.SetText("Validate CIF file for %s...", type.c_str());
    window.Show();
    WriteLogLine(folders.logPath, FormatText("Validate CIF file for %s...", type.c_str()),
                 kLogInfo);
    const std::string cif =
        platform::JoinPath(platform::JoinPath(folder, kLibFilesFolder), type + ".CIF");
    bool valid = true;
    for (const std::string& scanner : scanners) {
      // A scanner that does not serve the type installs nothing of it, so it has no
      // scanner INI to be checked against.
      if (valid && IsInArraySet(scanner, type, devices))
        valid = scan.ValidateScanCif(cif, platform::JoinPath(folder, scanner + ".INI"), type,
                                     scanner) == 0;
      window.StepIt();
    }
    if (valid)
      valid = analysis.ValidateAnalysisCif(cif, platform::JoinPath(folder, kAnalysisDefinitionName),
                                           type, 0, 0, 0, 0) == 0;
    window.StepIt();
    if (valid) {
      validTypes.push_back(type);
      validFolders.push_back(i < typeFolders.size() ? typeFolders[i] : type);
      WriteLogLine(folders.logPath,
                   FormatText("Validate CIF file for %s successfully.", type.c_str()), kLogInfo);
    } else {
      allValid = false;
      WriteLogLine(folders.logPath,
                   FormatText("Validate CIF file for %s failed.  Please correct the CIF file %s "
                              "and retry.",
                              type.c_str(), cif.c_str()),
                   kLogInfo);
    }
    window.StepIt();
  }
  types = std::move(validTypes);
  typeFolders = std::move(validFolders);
  return allValid;
}

}  // namespace quellbrook
