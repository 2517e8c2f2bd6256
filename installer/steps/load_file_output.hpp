// A load file the readers append records to: opened for appending, its records gathered
// field by field in one buffer that goes to the file a quarter megabyte at a time, and a
// failed write reported when the file is closed. The buffer is not cleared: on a virtual
// machine the first touch of a page costs more than filling it, so only the pages a small
// file needs are ever touched.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct iovec;

namespace quellbrook {

class LoadFileOutput {
 public:
  static constexpr std::size_t kBufferSize = 256 << 10;

  LoadFileOutput() = default;
  ~LoadFileOutput();
  LoadFileOutput(const LoadFileOutput&) = delete;
  LoadFileOutput& operator=(const LoadFileOutput&) = delete;

  // Opens path for appending, making it when missing; false when it can't.
  bool Open(const std::string& path);
  // The text, then the character that ends the field.
  void Field(std::string_view text, char end) {
    if (mUsed + text.size() + 1 > kBufferSize) {
      Flush();
      if (text.size() + 1 > kBufferSize) {
        WriteOut(text.data(), text.size());
        text = {};
      }
    }
    // An empty field may have no data at all, which memcpy must never be given.
    if (!text.empty()) std::memcpy(mBuffer.get() + mUsed, text.data(), text.size());
    mUsed += text.size();
    mBuffer[mUsed++] = end;
  }
  // Bytes of whole records, after what was gathered before; many at once go to the file
  // in one call, without passing through the buffer.
  void Append(std::string_view bytes);
  void AppendAll(const std::string_view* pieces, std::size_t count);
  // False when any write failed or the file could not be closed.
  bool Close();
  // Why opening, a write or the close failed (the system's text); empty while none has.
  std::string FailureText() const;

 private:
  void Flush();
  void WriteOut(const char* data, std::size_t size);
  void WriteVectors(::iovec* vectors, std::size_t count);

  void Fail();

  int mFile = -1;
  bool mFailed = false;
  int mError = 0;  // errno of the first failure
  std::unique_ptr<char[]> mBuffer;
  std::size_t mUsed = 0;
};

// The log line of a load file that could not be written: message 2001, the file and why.
std::string LoadFileWriteFailure(const std::string& path, const LoadFileOutput& output);

// Writes the load file at path through `write`. A file that can't be opened or written
// whole, or a write that refuses (its message in error), is logged, removed and leaves no
// records. 1 when the file is whole, else 0; writeFailed (when given) tells a file the
// system would not take from one refused for its contents.
int WriteLoadFile(const std::string& path, const std::string& logPath, int& recordCount,
                  const std::function<bool(LoadFileOutput& output, std::string& error)>& write,
                  bool* writeFailed = nullptr);

}  // namespace quellbrook
