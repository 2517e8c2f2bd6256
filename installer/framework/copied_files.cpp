#include "installer/framework/copied_files.hpp"

#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

namespace quellbrook {

namespace {

std::mutex gCopiedMutex;
std::vector<std::string> gCopied;

}  // namespace

void NoteCopiedFile(const std::string& path) {
  std::error_code error;
  std::string absolute = std::filesystem::absolute(path, error).string();
  const std::lock_guard<std::mutex> lock(gCopiedMutex);
  gCopied.push_back(error ? path : std::move(absolute));
}

bool IsCopiedFile(const std::string& path) {
  const std::lock_guard<std::mutex> lock(gCopiedMutex);
  for (const std::string& copied : gCopied) {
    std::error_code error;
    if (std::filesystem::equivalent(path, copied, error)) return true;
  }
  return false;
}

}  // namespace quellbrook
