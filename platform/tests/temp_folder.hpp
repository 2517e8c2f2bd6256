// Test support: a fresh folder under the system's temporary folder for one test,
// removed with everything in it when the test ends.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include <gtest/gtest.h>

namespace platform::testing {

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<unsigned> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "zelko-";
    if (info != nullptr) name += std::string(info->test_suite_name()) + "." + info->name() + "-";
    name += std::to_string(getpid()) + "-" + std::to_string(counter++);
    // Parameterised tests carry '/' in their names; keep the folder one level deep.
    for (char& c : name)
      if (c == '/') c = '_';
    mPath = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(mPath);
    std::filesystem::create_directories(mPath);
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(mPath, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return mPath; }
  std::string File(std::string_view name) const { return (mPath / name).string(); }
  // Writes text into the file of that name, byte for byte, and gives its path.
  std::string Write(std::string_view name, std::string_view text) const {
    const std::string path = File(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

 private:
  std::filesystem::path mPath;
};

}  // namespace platform::testing
