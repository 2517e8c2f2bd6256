// The window's side of the registry of written output files: each table or image the
// program writes is put on the clipboard, announced, and listed under "Analysis" in the
// navigation tree, from where a click opens it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/services/output_file_registry.hpp"

class QTreeWidgetItem;

// At most this many files are listed.
inline constexpr int kMaxOutputFiles = 1000;
inline constexpr const char* kOutputFileLimitMessage = "    Number of Excel files exceeds limit";

// OutputFiles and OutputFileItems side by side; their size is OutputFileCount.
struct OutputFileTable {
  std::vector<std::string> paths;
  std::vector<QTreeWidgetItem*> items;
  int Count() const { return static_cast<int>(paths.size()); }
  // The index of the item, or -1.
  int IndexOf(const QTreeWidgetItem* item) const;
  void Clear();
};

OutputFileTable& OutputFiles();

// True when the path names a picture (".jpg", ".bmp" or ".emf", all small or all capital).
bool IsImageFile(std::string_view path);

// The tree label of a file: its name without folder and extension.
std::string OutputFileLabel(std::string_view path);

// The window's registry of the engine's RegisterOutputFile: the path goes on the
// clipboard; with INSERT_FILE set and insertIntoLog, the file goes into the log as a link,
// otherwise an image is announced in a message box; then the file gets its tree item.
OutputFileRegistry& TreeOutputFiles();
