#include "engine/base/data_file_path.hpp"

#include "platform/path.hpp"

void SplitDataFilePath(std::string_view path, std::string& directory, std::string& fileName,
                       std::string& fullPath) {
  fileName = platform::FileName(path);
  directory = platform::ParentFolder(path);
  fullPath = directory.empty() ? fileName : platform::JoinPath(directory, fileName);
  if (!path.empty() && (path[0] == '/' || path[0] == '\\') && directory.empty())
    fullPath = "/" + fileName;
}
