// Data file lists and folder searches.
#include "engine/jobs/data_file_search.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/running_scope.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

namespace {

struct FolderEntry {
  std::string name;
  bool searched = false;  // a subfolder to search
};

// Hidden folders and links to folders are not searched, so that no link can lead the
// search round in a circle. Only regular files (or links to them) are offered: opening a
// named pipe or a device would wait for a writer that may never come.
std::vector<FolderEntry> ListFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<FolderEntry> entries;
  std::error_code error;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    FolderEntry entry;
    entry.name = it->path().filename().string();
    std::error_code typeError;
    entry.searched =
        entry.name.front() != '.' && it->is_directory(typeError) && !it->is_symlink(typeError);
    if (entry.searched || it->is_regular_file(typeError)) entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
    const int order = platform::CompareNoCase(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  return entries;
}

// A path that exists but is neither a folder nor a regular file (a named pipe, socket or
// device), links followed. A missing file is left to the reader to report.
bool IsSpecialFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  return !error && fs::exists(status) && !fs::is_directory(status) && !fs::is_regular_file(status);
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

}  // namespace

bool IsDataFileList(std::string_view dataPath) {
  return Contains(dataPath, ".txt") || Contains(dataPath, ".TXT");
}

std::vector<std::string> DataFileListEntries(std::string_view line, std::string_view listFolder) {
  std::vector<std::string> paths;
  while (!line.empty()) {
    std::string_view rest;
    std::string_view field = line;
    const bool more = CutAtTab(field, &rest);
    field = TrimBlanks(field);
    if (!field.empty()) {
      std::string path(field);
      std::replace(path.begin(), path.end(), '\\', '/');
      paths.push_back(platform::IsAbsolutePath(path) ? path : platform::JoinPath(listFolder, path));
    }
    if (!more) break;
    line = rest;
  }
  return paths;
}

bool ReadDataFileList(const OpenGroupOptions& options) {
  const std::string listPath = TheGroup().Settings().DATA_PATH;
  platform::LineReader reader;
  if (!reader.Open(listPath, kDataFileListLineLength)) {
    LogMessage(
        platform::WithReadFailure(MessageBuffer(kDataFileListFailedMessage, listPath.c_str()),
                                  reader.OpenFailure()),
        0, kLogRed);
    return false;
  }
  LogMessage(MessageBuffer(kLookingForDataFilesMessage, Layout.chipType.c_str(), listPath.c_str()));
  std::string listFolder = platform::ParentFolder(listPath);
  std::replace(listFolder.begin(), listFolder.end(), '\\', '/');
  std::string_view line;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (status == platform::LineStatus::kCut) {
      LogMessage(
          MessageBuffer(kDataFileListLineCutMessage, static_cast<long long>(reader.LineNumber()),
                        kDataFileListLineLength),
          0, kLogRed);
      continue;
    }
    if (line.empty()) break;
    for (const std::string& path : DataFileListEntries(line, listFolder)) {
      if (IsSpecialFile(path)) {
        LogMessage(MessageBuffer(kNotARegularFileMessage, path.c_str()), 0, kLogRed);
        continue;
      }
      const bool read = platform::FolderExists(path) ? SearchDataDirectory(path, options)
                                                     : ReadDataFiles(path, true, options);
      if (!read) return false;
    }
  }
  return true;
}

bool SearchDataDirectory(const std::string& folder, const OpenGroupOptions& options) {
  for (const FolderEntry& entry : ListFolder(folder)) {
    const std::string path = platform::JoinPath(folder, entry.name);
    const bool read =
        entry.searched ? SearchDataDirectory(path, options) : ReadDataFiles(path, false, options);
    if (!read) return false;
  }
  return true;
}

bool FuzzReadDataFileList(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz_files.txt", [](const std::string& path) {
    const RaisedAnalysisRunning running;
    std::string& dataPath = TheGroup().Settings().DATA_PATH;
    const std::string saved = std::exchange(dataPath, path);
    const bool read = ReadDataFileList();
    dataPath = saved;
    return read;
  });
}
