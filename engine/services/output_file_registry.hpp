// Registration of written output files. Every table or image a job writes is handed to
// the registry, which in the window puts its path on the clipboard, announces it and
// lists it under "Analysis" in the navigation tree. Without a window the path is written
// to standard error.
#pragma once

#include <string_view>

class OutputFileRegistry {
 public:
  virtual ~OutputFileRegistry() = default;
  // After a table or image was written. insertIntoLog asks for the file to be shown in
  // the log (when the group's INSERT_FILE setting allows it).
  virtual void Register(std::string_view path, bool insertIntoLog) = 0;
};

// nullptr restores the standard-error registry. Returns the previous one (nullptr when that
// was the default).
OutputFileRegistry* SetOutputFileRegistry(OutputFileRegistry* registry);

// Hands the written file to the installed registry.
void RegisterOutputFile(std::string_view path, bool insertIntoLog);
