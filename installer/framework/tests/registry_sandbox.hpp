// Test support: points the registry at a file in the test's own folder for the test's
// span, so no test reads or writes the user's registry, and fills it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "installer/framework/tests/database_sandbox.hpp"
#include "platform/registry.hpp"
#include "platform/tests/temp_folder.hpp"

namespace quellbrook::testing {

class RegistrySandbox {
 public:
  RegistrySandbox()
      : mPath(mFolder.File("registry")), mVariable(platform::kRegistryPathVariable, mPath) {}
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // nullptr names the key's default value.
  void SetText(std::string_view key, const char* name, std::string_view text) {
    ASSERT_TRUE(platform::UpdateRegistryFile(mPath, [&](platform::RegistryStore& store) {
      return store.SetString(platform::kHkeyLocalMachine, key, name == nullptr ? "" : name, text);
    }));
  }
  void SetNumber(std::string_view key, const char* name, std::uint32_t number) {
    ASSERT_TRUE(platform::UpdateRegistryFile(mPath, [&](platform::RegistryStore& store) {
      return store.SetNumber(platform::kHkeyLocalMachine, key, name == nullptr ? "" : name, number);
    }));
  }
  void MakeKey(std::string_view key) {
    ASSERT_TRUE(platform::UpdateRegistryFile(mPath, [&](platform::RegistryStore& store) {
      return store.CreateKey(platform::kHkeyLocalMachine, key);
    }));
  }
  void Remove(std::string_view key, const char* name) {
    ASSERT_TRUE(platform::UpdateRegistryFile(mPath, [&](platform::RegistryStore& store) {
      return store.DeleteValue(platform::kHkeyLocalMachine, key, name == nullptr ? "" : name);
    }));
  }

  const platform::testing::TempFolder& Folder() const { return mFolder; }

 private:
  platform::testing::TempFolder mFolder;
  std::string mPath;
  EnvironmentVariable mVariable;
};

}  // namespace quellbrook::testing
