// Test support: a write limit on this process's files for one scope, as a full disk would
// give: a write past `bytes` fails (SIGXFSZ is ignored meanwhile).
#pragma once

#include <sys/resource.h>

#include <csignal>

#include <gtest/gtest.h>

namespace platform::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : mHandler(std::signal(SIGXFSZ, SIG_IGN)) {
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &mSaved), 0);
    rlimit small = mSaved;
    small.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &mSaved);
    std::signal(SIGXFSZ, mHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit mSaved{};
  void (*mHandler)(int);
};

}  // namespace platform::testing
