// The names of the files a replacement keeps beside its target while it works: the new
// file, the old one kept until a group of files is in place, and the group's list of what
// it changes. Each carries the writer's process number, so that what a killed writer left
// can be told from what a live one is working on.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::string_view kNewFileKind = "tmp";
inline constexpr std::string_view kOldFileKind = "old";
inline constexpr std::string_view kGroupListKind = "group";

// ".<name>.<kind><pid>-<n>" beside path: a name no other writer, in this process or
// another, picks.
std::string ReplacementName(const std::string& path, std::string_view kind);

struct ReplacementEntry {
  std::string target;  // the name of the file it belongs to
  std::string_view kind;
  pid_t owner = 0;
};
// What a folder entry of that naming is; empty for any other name.
std::optional<ReplacementEntry> ParseReplacementName(std::string_view entry);

// Whether a file made by process pid can no longer be in use: that process has ended, or
// its number now belongs to another program. The files of this process, and of any live
// process that runs our program or cannot be told, are kept.
bool WriterGone(pid_t pid);

// The folder that holds path, as a name opendir takes ("." or "/" where path has none).
std::string FolderOf(const std::string& path);

}  // namespace platform
