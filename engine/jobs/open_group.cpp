// The engine's side of opening a group.
#include "engine/jobs/open_group.hpp"

#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "engine/array/image_region.hpp"
#include "engine/array/image_support.hpp"
#include "engine/array/local_background.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/job_cell_kinds.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/jobs/array_summary.hpp"
#include "engine/jobs/baseline_array.hpp"
#include "engine/jobs/data_file_search.hpp"
#include "engine/jobs/expression_transforms.hpp"
#include "engine/jobs/information_readers.hpp"
#include "engine/jobs/qvf_folder_flush.hpp"
#include "engine/model/model.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/folder_sync_batch.hpp"

namespace {

std::string KindList(const GroupSettings& settings) {
  std::string kinds;
  if (settings.READ_CEL != 0) kinds += "CEL,";
  if (settings.READ_DAT != 0) kinds += "DAT,";
  if (settings.READ_QVF != 0) kinds += "QVF,";
  if (!kinds.empty()) kinds.pop_back();
  return kinds;
}

// Everything after the arrays were read.
void PrepareOpenedGroup(Group& group) {
  GroupSettings& settings = group.Settings();
  group.HasCalls = true;
  group.HasStdErrors = group.Modelled;
  if (settings.USE_UNNORM != 0) LogMessage(kUnnormalizedNoteMessage, 0, kLogRed);
  if (settings.LOAD_PROBE_DATA != 0) ComputeBackground(-1);
  LogTransformExpression();
  // Sample information that cannot be read is reported by its reader and keeps the names.
  static_cast<void>(SetArrayNamesFromFiles());
  WriteArraySummary(false);
  SampleGrouping.ReadArrayListFile(settings.ARRAY_LIST_FILE);
  // Missing gene or SNP information is reported by its reader; the group opens without.
  if (ArrayType != 0)
    static_cast<void>(ReadInstalledSnpInfo(settings.GENE_NAME_FILE));
  else
    static_cast<void>(ReadInstalledGeneInfo(settings.GENE_NAME_FILE, true));
  ChooseBaselineArray();
  std::error_code error;
  std::filesystem::current_path(settings.WORKING_DIR, error);
  if (settings.CUR_ARRAY >= group.NumArrays()) settings.CUR_ARRAY = 0;
  if (settings.CUR_UNIT >= Layout.unitCount) settings.CUR_UNIT = -1;
  // Without the maps the array image shows cells where they lie; the reason is logged.
  if (settings.SHOW_PROBE_TOGETHER != 0) static_cast<void>(ProbeTogether());
  try {
    group.workPlane.assign(
        static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension), 0);
  } catch (const std::bad_alloc&) {
    // Nothing the open needs reads the plane; the image work that does checks for it.
    group.workPlane.clear();
  }
  // The plane holds no edit of this group to undo, and a region of the last group's image.
  TheImageRegion().Reset();
  if (settings.PSI_MODE == kPsiReadAndUse && !Psi.ReadPsiFile(settings.PSI_FILE_NAME))
    settings.PSI_MODE = kPsiDoNotUse;
  GeneList.entries.assign(static_cast<std::size_t>(std::max(Layout.unitCount, 0)), {});
}

}  // namespace

bool SearchDataFiles(const OpenGroupOptions& options) {
  Group& group = TheGroup();
  const GroupSettings& settings = group.Settings();
  const std::string kinds = KindList(settings);
  bool read = false;
  {
    // Each array's QVF file reaches the disk before it takes its place; their folders are
    // flushed once, after the last (and after a read that stopped part way). Each file's
    // flush waits on the disk behind the next arrays' reads.
    QvfWrites qvfWrites;
    // What writers killed in the group's folders left there (the new files they did not
    // put in place) would otherwise stay until the same file is written again. Each folder
    // is listed once for the job: the QVF files written into it later do not list it again.
    platform::RemoveStaleReplacementsForThread(group.HomeFolder());
    platform::RemoveStaleReplacementsForThread(settings.WORKING_DIR);
    if (!IsDataFileList(settings.DATA_PATH))
      platform::RemoveStaleReplacementsForThread(settings.DATA_PATH);
    group.ClearGroup();
    group.Normalized = true;
    group.Modelled = true;
    group.Adjusted = false;
    // Every array's median and presence calls read the one table of the layout's cells.
    const JobCellKinds cellKinds;
    if (IsDataFileList(settings.DATA_PATH)) {
      read = ReadDataFileList(options);
    } else {
      LogMessage(MessageBuffer(kSearchDataMessage, kinds.c_str(), Layout.chipType.c_str(),
                               settings.DATA_PATH.c_str()));
      read = ReadDataFolder(settings.DATA_PATH, options);
    }
    if (!qvfWrites.Finish()) read = false;
  }
  if (!read) return false;
  LogMessage("");
  if (group.NumArrays() == 0) {
    LogMessage(kFoundNoFilesMessage, 0, kLogRed);
    return false;
  }
  PrepareOpenedGroup(group);
  return true;
}
