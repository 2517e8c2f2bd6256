// Test support: sets an environment variable while alive and puts the old value (or its
// absence) back when it goes. An empty folder on PATH hides every program, R included.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : mName(name) {
    if (const char* old = ::getenv(name)) mOld = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (mOld)
      ::setenv(mName.c_str(), mOld->c_str(), 1);
    else
      ::unsetenv(mName.c_str());
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string mName;
  std::optional<std::string> mOld;
};
