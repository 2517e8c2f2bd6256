// The group's list names each target with the old file kept for it (or none where the
// target did not exist). It is made and flushed before the first rename, and its removal,
// after the last rename, is the moment the group is in place: a list found beside files of
// an ended writer means a group stopped part way, whose old files go back.
#include "platform/replacement_group.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/path.hpp"
#include "platform/replacement_names.hpp"
#include "platform/write_fault.hpp"

namespace platform {
namespace {

// A list longer than this is no list of ours.
constexpr std::size_t kMaxGroupListBytes = std::size_t{1} << 16;

struct GroupMember {
  std::string target;  // absolute, so that the list holds in any working folder
  std::string old;     // empty where the target did not exist
};

std::string Absolute(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

bool RegularFileAt(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Writes the list and flushes it; the system's error number, or 0.
int WriteGroupList(const std::string& path, const std::vector<GroupMember>& members) {
  std::string text;
  for (const GroupMember& member : members) text += member.target + "\t" + member.old + "\n";
  const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) return errno;
  std::string_view rest = text;
  int error = 0;
  while (!rest.empty() && error == 0) {
    const ssize_t count = write(descriptor, rest.data(), rest.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) error = count < 0 ? errno : ENOSPC;
    if (count > 0) rest.remove_prefix(static_cast<std::size_t>(count));
  }
  if (error == 0 && fsync(descriptor) != 0) error = errno;
  if (close(descriptor) != 0 && error == 0) error = errno;
  if (error != 0) unlink(path.c_str());
  return error;
}

std::optional<std::vector<GroupMember>> ReadGroupList(const std::string& path) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (descriptor < 0) return std::nullopt;
  struct stat info {};
  std::string text;
  if (fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<std::size_t>(info.st_size) <= kMaxGroupListBytes) {
    text.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t count = read(descriptor, text.data() + done, text.size() - done);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) break;
      done += static_cast<std::size_t>(count);
    }
    text.resize(done);
  }
  close(descriptor);
  if (text.empty() || text.back() != '\n') return std::nullopt;
  std::vector<GroupMember> members;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(line.size() + 1);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) return std::nullopt;
    members.push_back({std::string(line.substr(0, tab)), std::string(line.substr(tab + 1))});
  }
  return members;
}

// Every target back as it was: its old file in its place, or no file where there was none.
void PutBack(const std::vector<GroupMember>& members) {
  for (const GroupMember& member : members) {
    if (member.old.empty())
      unlink(member.target.c_str());
    else if (RegularFileAt(member.old))
      std::rename(member.old.c_str(), member.target.c_str());
  }
}

// A stopped group's list: its old files go back, then the list goes. A list that cannot be
// read is left for a person to look at rather than guessed from.
void RollBackStoppedGroup(const std::string& list) {
  const std::optional<std::vector<GroupMember>> members = ReadGroupList(list);
  if (!members) return;
  PutBack(*members);
  for (const GroupMember& member : *members) (void)SyncFolder(FolderOf(member.target));
  unlink(list.c_str());
}

}  // namespace

bool CommitTogether(std::span<FileReplacement* const> files) {
  int error = 0;
  for (FileReplacement* file : files)
    if (error == 0 && !file->Finish()) error = file->Error() != 0 ? file->Error() : EBADF;
  std::vector<GroupMember> members;
  for (const FileReplacement* file : files) {
    const bool listable = file->mPath.find_first_of("\t\n") == std::string::npos;
    if (error == 0 && !listable) error = EINVAL;
    const std::string target = Absolute(file->mPath);
    members.push_back({target, RegularFileAt(target) ? ReplacementName(target, kOldFileKind) : ""});
  }
  const auto fail = [&](int reason) {
    for (FileReplacement* file : files) file->Fail(reason);
    return false;
  };
  if (error != 0 || files.empty()) return files.empty() || fail(error);

  const std::string list = ReplacementName(members.front().target, kGroupListKind);
  error = WriteGroupList(list, members);
  if (error == 0) error = SyncFolder(FolderOf(list));
  // The old files stay beside, under names of their own, until the group is in place.
  std::size_t kept = 0;
  for (; error == 0 && kept < members.size(); ++kept) {
    const GroupMember& member = members[kept];
    if (!member.old.empty() && link(member.target.c_str(), member.old.c_str()) != 0) error = errno;
  }
  std::size_t placed = 0;
  for (; error == 0 && placed < members.size(); ++placed) {
    FileReplacement& file = *files[placed];
    error = InjectedWriteFault(WriteStep::kRename, file.mPath);
    if (error == 0 && std::rename(file.mTemporary.c_str(), members[placed].target.c_str()) != 0)
      error = errno;
    if (error == 0) file.mTemporary.clear();
    if (error != 0) break;
  }
  if (error == 0)
    for (const GroupMember& member : members)
      if (error == 0) error = SyncFolder(FolderOf(member.target));
  if (error != 0) {
    PutBack(std::vector<GroupMember>(members.begin(), members.begin() + placed));
    for (std::size_t i = placed; i < kept; ++i)
      if (!members[i].old.empty()) unlink(members[i].old.c_str());
    unlink(list.c_str());
    return fail(error);
  }
  // The moment the group is in place; the old files are only clutter after it.
  unlink(list.c_str());
  (void)SyncFolder(FolderOf(list));
  for (const GroupMember& member : members)
    if (!member.old.empty()) unlink(member.old.c_str());
  return true;
}

void RemoveStaleReplacements(const std::string& folder) {
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return;
  std::vector<std::string> lists;
  std::vector<std::string> leftovers;
  while (const dirent* entry = readdir(listing)) {
    const std::optional<ReplacementEntry> ours = ParseReplacementName(entry->d_name);
    if (!ours || !WriterGone(ours->owner)) continue;
    (ours->kind == kGroupListKind ? lists : leftovers).push_back(JoinPath(folder, entry->d_name));
  }
  closedir(listing);
  // The stopped groups first: their old files go back before the rest is removed.
  for (const std::string& list : lists) RollBackStoppedGroup(list);
  for (const std::string& file : leftovers) unlink(file.c_str());
}

}  // namespace platform
