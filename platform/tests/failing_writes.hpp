// Test support: while one lives, every replacement or in-place write of the process (or,
// when a folder is given, of the files in it) fails at one step with the error a full disk
// (ENOSPC at the write) or a read-only folder (EROFS at the making of the new file) gives
// there. The cases list both, for one loop over writers.
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
  // Files outside folder (when one is given) are written as usual: a writer whose log
  // lies elsewhere can say there why its file failed.
  explicit FailingWrites(const WriteFailureCase& failure, std::string folder = {}) {
    Current() = failure;
    Folder() = folder.empty() ? folder : folder + "/";
    SetWriteFault([](WriteStep step, const std::string& path) {
      if (!Folder().empty() && path.compare(0, Folder().size(), Folder()) != 0) return 0;
      return step == Current().step ? Current().error : 0;
    });
  }
  ~FailingWrites() {
    SetWriteFault(nullptr);
    Folder().clear();
  }
  FailingWrites(const FailingWrites&) = delete;
  FailingWrites& operator=(const FailingWrites&) = delete;

 private:
  static WriteFailureCase& Current() {
    static WriteFailureCase current{};
    return current;
  }
  static std::string& Folder() {
    static std::string folder;
    return folder;
  }
};

}  // namespace platform::testing
