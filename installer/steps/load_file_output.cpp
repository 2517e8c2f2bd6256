#include "installer/steps/load_file_output.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace quellbrook {

LoadFileOutput::~LoadFileOutput() {
  Close();
}

bool LoadFileOutput::Open(const std::string& path) {
  Close();
  mFile = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (mFile < 0) return false;
  if (!mBuffer) mBuffer.reset(new char[kBufferSize]);
  mUsed = 0;
  mFailed = false;
  return true;
}

void LoadFileOutput::WriteOut(const char* data, std::size_t size) {
  while (size > 0 && !mFailed) {
    const ssize_t put = ::write(mFile, data, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      mFailed = true;
      break;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
}

void LoadFileOutput::Flush() {
  WriteOut(mBuffer.get(), mUsed);
  mUsed = 0;
}

bool LoadFileOutput::Close() {
  if (mFile < 0) return true;
  Flush();
  const bool closed = ::close(mFile) == 0;
  mFile = -1;
  return closed && !mFailed;
}

}  // namespace quellbrook
