// Test support: a full disk for this process. While it lives no file of the process (nor of
// a tool it starts) grows past the limit: the write that would fails with EFBIG, as on a
// disk that has run out of room, instead of the process being stopped by SIGXFSZ.
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
