// Registering output files: clipboard, log or message, and the tree's file items.
#include "shell/services/output_files.hpp"

#include <algorithm>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/path.hpp"
#include "shell/views/analysis_view.hpp"
#include "shell/views/left_view.hpp"
#include "shell/main_frame.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"

int OutputFileTable::IndexOf(const QTreeWidgetItem* item) const {
  const auto found = std::find(items.begin(), items.end(), item);
  return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

void OutputFileTable::Clear() {
  paths.clear();
  items.clear();
}

OutputFileTable& OutputFiles() {
  static OutputFileTable table;
  return table;
}

bool IsImageFile(std::string_view path) {
  for (const char* extension : {".jpg", ".JPG", ".bmp", ".BMP", ".emf", ".EMF"})
    if (path.find(extension) != std::string_view::npos) return true;
  return false;
}

std::string OutputFileLabel(std::string_view path) {
  std::string name = platform::FileName(path);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

void RegisterOutputFile(std::string_view path, bool insertIntoLog) {
  CopyTextToClipboard(path);
  const bool image = IsImageFile(path);
  CMainFrame* frame = MainFrame();
  if (TheGroup().Settings().INSERT_FILE != 0 && insertIntoLog) {
    if (image) LogMessage("{Image file '" + std::string(path) + "' saved}\n", 0, kLogBlue);
    if (frame != nullptr) {
      frame->LeftView().SelectViewItem(VIEW_ANALYSIS);
      frame->AnalysisView().InsertFileIntoLog(path);
    }
  } else if (image) {
    Prompts().MessageBox("Image file '" + std::string(path) + "' saved", "Export image",
                         MessageButtons::kOk);
  }

  OutputFileTable& table = OutputFiles();
  if (table.Count() >= kMaxOutputFiles) LogMessage(kOutputFileLimitMessage, 0, kLogRed);
  if (std::find(table.paths.begin(), table.paths.end(), path) != table.paths.end()) return;
  if (table.Count() >= kMaxOutputFiles || frame == nullptr) return;
  table.paths.emplace_back(path);
  table.items.push_back(frame->LeftView().AddOutputFileItem(
      OutputFileLabel(path), image ? tree_image::kOutputImage : tree_image::kOutputTable));
}
