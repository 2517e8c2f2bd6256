#include "installer/steps/load_file_output.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "installer/framework/install_log.hpp"
#include "installer/framework/message_table.hpp"

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

int WriteLoadFile(const std::string& path, const std::string& logPath, int& recordCount,
                  const std::function<bool(LoadFileOutput& output, std::string& error)>& write) {
  LoadFileOutput output;
  if (!output.Open(path)) {
    WriteLogLine(logPath, MessageText(kWriteIntermediateFilesFailed), kLogError);
    return 0;
  }
  // A refused file leaves no records behind.
  const auto fail = [&](const std::string& message) {
    WriteLogLine(logPath, message, kLogError);
    output.Close();
    std::remove(path.c_str());
    recordCount = 0;
    return 0;
  };
  std::string error;
  if (!write(output, error)) return fail(error);
  if (!output.Close()) return fail(std::string(MessageText(kWriteIntermediateFilesFailed)));
  return 1;
}

}  // namespace quellbrook
