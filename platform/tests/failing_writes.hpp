// Test support: while one lives, every replacement or in-place write of the process fails at
// one step with the error a full disk (ENOSPC at the write) or a read-only folder (EROFS at
// the making of the new file) gives there. The cases list both, for one loop over writers.
#pragma once

#include <cerrno>
#include <string>

#include "platform/write_fault.hpp"

namespace platform::testing {

struct WriteFailureCase {
  const char* what;
  WriteStep step;
  int error;
};

inline constexpr WriteFailureCase kWriteFailureCases[] = {
    {"full disk", WriteStep::kWrite, ENOSPC},
    {"read-only folder", WriteStep::kOpen, EROFS},
};

class FailingWrites {
 public:
  explicit FailingWrites(const WriteFailureCase& failure) {
    Current() = failure;
    SetWriteFault([](WriteStep step, const std::string&) {
      return step == Current().step ? Current().error : 0;
    });
  }
  ~FailingWrites() { SetWriteFault(nullptr); }
  FailingWrites(const FailingWrites&) = delete;
  FailingWrites& operator=(const FailingWrites&) = delete;

 private:
  static WriteFailureCase& Current() {
    static WriteFailureCase current{};
    return current;
  }
};

}  // namespace platform::testing
