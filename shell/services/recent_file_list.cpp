// The recent-file list in the registry.
#include "shell/services/recent_file_list.hpp"

#include <optional>

#include "engine/services/log_channel.hpp"
#include "platform/path.hpp"
#include "platform/registry.hpp"

namespace {

std::string EntryName(int index) {
  return "File" + std::to_string(index + 1);
}

}  // namespace

CRecentFileList::CRecentFileList(std::string_view registryKey, std::string_view program, int size)
    : mKey("Software\\" + std::string(registryKey) + "\\" + std::string(program) +
           "\\Recent File List"),
      mSize(size) {}

void CRecentFileList::ReadList() {
  mFiles.clear();
  const platform::RegistryReading reading =
      platform::ReadRegistryFile(platform::RegistryFilePath());
  for (int i = 0; i < mSize; ++i) {
    std::optional<std::string> file =
        reading.store.String(platform::kHkeyCurrentUser, mKey, EntryName(i));
    if (file && !file->empty()) mFiles.push_back(std::move(*file));
  }
}

bool CRecentFileList::WriteList() const {
  std::string error;
  const bool written = platform::UpdateRegistryFile(
      platform::RegistryFilePath(),
      [this](platform::RegistryStore& store) {
        // Entries of a longer list from before must not come back as stale files.
        store.DeleteKey(platform::kHkeyCurrentUser, mKey);
        bool made = store.CreateKey(platform::kHkeyCurrentUser, mKey);
        for (std::size_t i = 0; i < mFiles.size(); ++i)
          made = made && store.SetString(platform::kHkeyCurrentUser, mKey,
                                         EntryName(static_cast<int>(i)), mFiles[i]);
        return made;
      },
      &error);
  if (!written) LogMessage("  Saving the recent file list failed: " + error, 0, kLogRed);
  return written;
}

void CRecentFileList::Add(std::string_view path) {
  if (path.empty() || mSize <= 0) return;
  std::erase_if(mFiles,
                [path](const std::string& file) { return platform::EqualsNoCase(file, path); });
  mFiles.insert(mFiles.begin(), std::string(path));
  if (mFiles.size() > static_cast<std::size_t>(mSize))
    mFiles.resize(static_cast<std::size_t>(mSize));
}
