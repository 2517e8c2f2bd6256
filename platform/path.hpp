// Paths as the program sees them: folders and files joined with '/', split on both
// '/' and '\\', file names compared without regard to ASCII case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// folder + '/' + name; no separator is doubled, and an empty folder gives the name alone.
std::string JoinPath(std::string_view folder, std::string_view name);

// The parts of a path between separators ('/' or '\\'); empty parts are dropped.
std::vector<std::string> SplitPath(std::string_view path);

// The text after the last separator ('/' or '\\'); the whole path when there is none.
std::string FileName(std::string_view path);

// The text before the last separator; empty when there is none.
std::string ParentFolder(std::string_view path);

// The extension of the file name, with its dot ("" when the name has none).
std::string Extension(std::string_view path);

// Replaces the extension of the file name (the text from its last '.') with
// newExtension, which carries its own dot; a name without extension gets it appended.
std::string ReplaceExtension(std::string_view path, std::string_view newExtension);

// "/..." and "X:..." (a drive letter) are absolute; so is "\\...".
bool IsAbsolutePath(std::string_view path);

// ASCII case-insensitive comparison (negative, zero, positive like strcmp).
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

// The real path of the entry in folder whose name equals name without regard to case;
// an exact match is preferred. Empty when the folder holds no such entry.
std::optional<std::string> FindFileNoCase(std::string_view folder, std::string_view name);

// Names (not paths) of the regular files in folder, sorted without regard to case
// (ties by byte order, so the order is stable). Empty when the folder cannot be read.
std::vector<std::string> ListFolderSorted(std::string_view folder);

bool FileExists(std::string_view path);
bool FolderExists(std::string_view path);

}  // namespace platform
