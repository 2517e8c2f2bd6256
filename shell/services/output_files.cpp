// Registering output files: clipboard, log or message, and the tree's file items.
#include "shell/services/output_files.hpp"

#include <algorithm>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "platform/path.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/shell_frame.hpp"

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

namespace {

class TreeOutputFileRegistry final : public OutputFileRegistry {
 public:
  void Register(std::string_view path, bool insertIntoLog) override;
};

void TreeOutputFileRegistry::Register(std::string_view path, bool insertIntoLog) {
  CopyTextToClipboard(path);
  const bool image = IsImageFile(path);
  ShellFrame* frame = TheFrame();
  if (TheGroup().Settings().INSERT_FILE != 0 && insertIntoLog) {
    if (image) LogMessage("{Image file '" + std::string(path) + "' saved}\n", 0, kLogBlue);
    if (frame != nullptr) frame->InsertFileIntoLog(path);
  } else if (image) {
    Prompt().MessageBox("Image file '" + std::string(path) + "' saved", "Export image",
                        MessageButtons::kOk, MessageIcon::kNone);
  }

  OutputFileTable& table = OutputFiles();
  if (table.Count() >= kMaxOutputFiles) LogMessage(kOutputFileLimitMessage, 0, kLogRed);
  if (std::find(table.paths.begin(), table.paths.end(), path) != table.paths.end()) return;
  if (table.Count() >= kMaxOutputFiles || frame == nullptr) return;
  table.paths.emplace_back(path);
  table.items.push_back(frame->AddOutputFileItem(
      OutputFileLabel(path), image ? tree_image::kOutputImage : tree_image::kOutputTable));
}

}  // namespace

OutputFileRegistry& TreeOutputFiles() {
  static TreeOutputFileRegistry registry;
  return registry;
}
