// Test support: a temporary folder that serves as the database server's folder and as the
// registry file's home for one test, with the environment pointed at them and restored
// when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "installer/framework/database_files.hpp"
#include "platform/registry.hpp"
#include "platform/tests/temp_folder.hpp"

namespace quellbrook::testing {

// The server a test runs against: SQL Server or Oracle.
enum class Road { kSqlServer, kOracle };

inline std::string RoadName(const ::testing::TestParamInfo<Road>& info) {
  return info.param == Road::kSqlServer ? "SqlServer" : "Oracle";
}

class EnvironmentVariable {
 public:
  EnvironmentVariable(const char* name, const std::string& value) : mName(name) {
    if (const char* previous = std::getenv(name)) mPrevious = previous;
    ::setenv(name, value.c_str(), 1);
  }
  ~EnvironmentVariable() {
    if (mPrevious)
      ::setenv(mName, mPrevious->c_str(), 1);
    else
      ::unsetenv(mName);
  }
  EnvironmentVariable(const EnvironmentVariable&) = delete;
  EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

 private:
  const char* mName;
  std::optional<std::string> mPrevious;
};

class DatabaseSandbox {
 public:
  DatabaseSandbox()
      : mDatabases(kDatabaseFolderVariable, mTemp.File("databases")),
        mRegistry(platform::kRegistryPathVariable, mTemp.File("registry")) {}

  std::string Folder() const { return mTemp.File("databases"); }
  std::string File(std::string_view name) const { return mTemp.File(name); }

  // Sets a text value below HKEY_LOCAL_MACHINE (name "" for the default value).
  void SetRegistryText(std::string_view key, std::string_view name, std::string_view text) {
    ASSERT_TRUE(platform::UpdateRegistryFile(
        platform::RegistryFilePath(), [&](platform::RegistryStore& store) {
          return store.SetString(platform::kHkeyLocalMachine, key, name, text);
        }));
  }
  void CreateRegistryKey(std::string_view key) {
    ASSERT_TRUE(platform::UpdateRegistryFile(
        platform::RegistryFilePath(), [&](platform::RegistryStore& store) {
          return store.CreateKey(platform::kHkeyLocalMachine, key);
        }));
  }

 private:
  platform::testing::TempFolder mTemp;
  EnvironmentVariable mDatabases;
  EnvironmentVariable mRegistry;
};

}  // namespace quellbrook::testing
