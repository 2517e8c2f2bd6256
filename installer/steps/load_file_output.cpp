#include "installer/steps/load_file_output.hpp"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "installer/framework/install_log.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/text_functions.hpp"
#include "platform/system_error.hpp"

namespace quellbrook {

LoadFileOutput::~LoadFileOutput() {
  Close();
}

bool LoadFileOutput::Open(const std::string& path) {
  Close();
  mUsed = 0;
  mFailed = false;
  mError = 0;
  mFile = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (mFile < 0) {
    Fail();
    return false;
  }
  if (!mBuffer) mBuffer.reset(new char[kBufferSize]);
  return true;
}

void LoadFileOutput::Fail() {
  if (!mFailed) mError = errno;
  mFailed = true;
}

std::string LoadFileOutput::FailureText() const {
  if (!mFailed) return {};
  // A write that took nothing without an error is a full disk all the same.
  return platform::SystemErrorText(mError != 0 ? mError : ENOSPC);
}

void LoadFileOutput::WriteOut(const char* data, std::size_t size) {
  while (size > 0 && !mFailed) {
    const ssize_t put = ::write(mFile, data, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = 0;
      Fail();
      break;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
}

void LoadFileOutput::Append(std::string_view bytes) {
  AppendAll(&bytes, 1);
}

void LoadFileOutput::AppendAll(const std::string_view* pieces, std::size_t count) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i) total += pieces[i].size();
  if (mUsed + total <= kBufferSize) {
    for (std::size_t i = 0; i < count; ++i) {
      if (pieces[i].empty()) continue;
      std::memcpy(mBuffer.get() + mUsed, pieces[i].data(), pieces[i].size());
      mUsed += pieces[i].size();
    }
    return;
  }
  Flush();
  // The system takes at most this many pieces a call.
  constexpr std::size_t kMostPieces = 64;
  iovec vectors[kMostPieces];
  std::size_t next = 0;
  while (next < count && !mFailed) {
    std::size_t used = 0;
    for (; next < count && used < kMostPieces; ++next) {
      if (pieces[next].empty()) continue;
      vectors[used].iov_base = const_cast<char*>(pieces[next].data());
      vectors[used].iov_len = pieces[next].size();
      ++used;
    }
    WriteVectors(vectors, used);
  }
}

void LoadFileOutput::WriteVectors(iovec* vectors, std::size_t count) {
  while (count > 0 && !mFailed) {
    const ssize_t put = ::writev(mFile, vectors, static_cast<int>(count));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = 0;
      Fail();
      break;
    }
    // A short write: skip what went out and go on with the rest.
    auto left = static_cast<std::size_t>(put);
    while (count > 0 && left >= vectors->iov_len) {
      left -= vectors->iov_len;
      ++vectors;
      --count;
    }
    if (count > 0) {
      vectors->iov_base = static_cast<char*>(vectors->iov_base) + left;
      vectors->iov_len -= left;
    }
  }
}

void LoadFileOutput::Flush() {
  WriteOut(mBuffer.get(), mUsed);
  mUsed = 0;
}

bool LoadFileOutput::Close() {
  if (mFile < 0) return !mFailed;
  Flush();
  // A network or quota file system may tell of a lost write only here.
  if (::close(mFile) != 0) Fail();
  mFile = -1;
  return !mFailed;
}

std::string LoadFileWriteFailure(const std::string& path, const LoadFileOutput& output) {
  return FormatText("%s %s: %s.", TrimRight(MessageText(kWriteIntermediateFilesFailed)).c_str(),
                    path.c_str(), output.FailureText().c_str());
}

int WriteLoadFile(const std::string& path, const std::string& logPath, int& recordCount,
                  const std::function<bool(LoadFileOutput& output, std::string& error)>& write,
                  bool* writeFailed) {
  if (writeFailed != nullptr) *writeFailed = false;
  LoadFileOutput output;
  if (!output.Open(path)) {
    if (writeFailed != nullptr) *writeFailed = true;
    WriteLogLine(logPath, LoadFileWriteFailure(path, output), kLogError);
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
  if (!output.Close()) {
    if (writeFailed != nullptr) *writeFailed = true;
    return fail(LoadFileWriteFailure(path, output));
  }
  return 1;
}

}  // namespace quellbrook
