// Writing a whole group's opening settings through the program's own group settings.
#include "tools/synth/opening_settings.hpp"

#include <optional>

#include "engine/group/group.hpp"
#include "platform/path.hpp"

namespace synth {

bool WriteOpeningSettings(const WholeGroupTruth& truth, const std::string& folder,
                          const std::string& home, std::string* error) {
  const auto fail = [error](std::string reason) {
    if (error != nullptr) *error = std::move(reason);
    return false;
  };
  if (truth.chipFile.empty()) return fail("only a whole group has settings to open it with");
  const std::optional<std::string> data = AbsoluteFolder(folder);
  const std::optional<std::string> working = AbsoluteFolder(home);
  if (!data || !working) return fail("cannot find the absolute path of " + folder);
  const auto inData = [&](const std::string& name) { return platform::JoinPath(*data, name); };

  StartGroup(home);
  Group& group = TheGroup();
  group.ReadGroupSettings(truth.name);
  group.SetName(truth.name);
  GroupSettings& settings = group.Settings();
  settings.CDF_FILE = inData(truth.chipFile);
  settings.DATA_PATH = *data;
  settings.READ_CEL = 1;
  settings.READ_DAT = 0;
  settings.READ_QVF = 0;
  settings.WORKING_DIR = *working;
  settings.SAMPLE_INFO_FILE = inData(truth.sampleInfoFile);
  settings.ARRAY_LIST_FILE = inData(truth.arrayListFile);
  settings.GENE_NAME_FILE = truth.geneInfoFile.empty() ? "" : inData(truth.geneInfoFile);
  const bool written = group.WriteGroupSettings();
  // Ending the group records it in the default group's file as the last one.
  ExitGroup();
  if (!written) return fail("cannot write the settings of group " + truth.name + " in " + home);
  return true;
}

}  // namespace synth
