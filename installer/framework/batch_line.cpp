#include "installer/framework/batch_line.hpp"

#include <unistd.h>

#include <cstdlib>

#include "platform/path.hpp"
#include "platform/process.hpp"

namespace quellbrook {

namespace {

bool IsExecutableFile(const std::string& path) {
  return platform::FileExists(path) && ::access(path.c_str(), X_OK) == 0;
}

bool EndsWithExe(std::string_view name) {
  return name.size() > 4 && platform::EqualsNoCase(name.substr(name.size() - 4), ".exe");
}

// The file itself, else the file without its ".exe".
std::string ExistingProgram(const std::string& path) {
  if (IsExecutableFile(path)) return path;
  if (EndsWithExe(path)) {
    std::string bare = path.substr(0, path.size() - 4);
    if (IsExecutableFile(bare)) return bare;
  }
  return {};
}

}  // namespace

std::string ToolPath(std::string_view path) {
  std::string result(path);
  for (char& ch : result)
    if (ch == '\\') ch = '/';
  return result;
}

std::optional<BatchCommand> ParseBatchLine(std::string_view line) {
  // Find the redirection outside quotes.
  bool quoted = false;
  std::size_t redirection = std::string_view::npos;
  std::size_t redirectionLength = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') {
      quoted = !quoted;
      continue;
    }
    if (quoted || line[i] != '>') continue;
    if (redirection != std::string_view::npos) return std::nullopt;
    redirection = i;
    redirectionLength = i + 1 < line.size() && line[i + 1] == '>' ? 2 : 1;
    i += redirectionLength - 1;
  }
  if (quoted) return std::nullopt;

  BatchCommand command;
  command.arguments = platform::SplitCommandLine(line.substr(0, redirection));
  if (redirection != std::string_view::npos) {
    const std::vector<std::string> target =
        platform::SplitCommandLine(line.substr(redirection + redirectionLength));
    if (target.size() != 1 || target[0].empty()) return std::nullopt;
    command.outputFile = target[0];
    command.appendOutput = redirectionLength == 2;
  }
  if (command.arguments.empty()) return std::nullopt;
  return command;
}

std::string ResolveToolProgram(std::string_view name) {
  const std::string path = ToolPath(name);
  if (path.empty()) return {};
  if (path.find('/') != std::string::npos) return ExistingProgram(path);
  const char* searchPath = std::getenv("PATH");
  if (searchPath == nullptr) return {};
  std::string_view folders(searchPath);
  while (!folders.empty()) {
    const std::size_t colon = folders.find(':');
    const std::string_view folder = folders.substr(0, colon);
    folders = colon == std::string_view::npos ? std::string_view{} : folders.substr(colon + 1);
    if (folder.empty()) continue;
    std::string found = ExistingProgram(platform::JoinPath(folder, path));
    if (!found.empty()) return found;
  }
  return {};
}

}  // namespace quellbrook
