// The program's recent-file list: the last files opened, newest first, kept in the
// registry under HKEY_CURRENT_USER\Software\<registry key>\<program>\Recent File List as
// the values File1, File2, ... of the entries that are filled.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CRecentFileList {
 public:
  // registryKey: the program's key ("Quenlith (Zelko)"); program: its name ("Zelko").
  CRecentFileList(std::string_view registryKey, std::string_view program, int size);

  // The list as the registry holds it; entries beyond the size are ignored.
  void ReadList();
  // Writes the list back; false, with a red line naming the registry file and the system's
  // reason, when it cannot be written.
  bool WriteList() const;

  // Puts the file at the top; the same file further down (names compared without regard
  // to case) moves up, and the oldest drops off a full list.
  void Add(std::string_view path);

  const std::vector<std::string>& Files() const { return mFiles; }
  int Size() const { return mSize; }
  // "Software\<registry key>\<program>\Recent File List".
  const std::string& Key() const { return mKey; }

 private:
  std::string mKey;
  int mSize;
  std::vector<std::string> mFiles;
};
