// Test support: a full disk for this process. While it lives no file of the process (nor of
// a tool it starts) grows past the limit: the write that would fails with EFBIG, as on a
// disk that has run out of room, instead of the process being stopped by SIGXFSZ.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdint>

#include <gtest/gtest.h>

namespace quellbrook::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::uint64_t bytes) {
    mOldHandler = std::signal(SIGXFSZ, SIG_IGN);
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &mOld), 0);
    rlimit lowered = mOld;
    lowered.rlim_cur = static_cast<rlim_t>(bytes);
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &mOld);
    std::signal(SIGXFSZ, mOldHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit mOld{};
  void (*mOldHandler)(int) = SIG_DFL;
};

}  // namespace quellbrook::testing
