// The one way a file is opened for reading. A named pipe, a socket, a device or a folder
// put where a file was expected is refused at once, with its name and the reason, instead
// of the read waiting for ever on a pipe without a writer or taking a folder as empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Why a file could not be read: the system's error, or what the path names instead of a
// regular file. Nothing failed when Failed() is false.
class ReadFailure {
 public:
  ReadFailure() = default;
  static ReadFailure FromError(int error);
  // st_mode of what the path names.
  static ReadFailure NotRegular(unsigned mode);

  bool Failed() const { return mError != 0 || mKind != nullptr; }
  // Nothing is at the path (or a folder on the way to it is missing): the reader's
  // "no such file", which some readers take quietly.
  bool Missing() const;
  // The system's error; 0 for a path that names no regular file.
  int Error() const { return mError; }
  // "No such file or directory", "a named pipe, not a regular file"; empty when nothing
  // failed.
  std::string Reason() const;

 private:
  int mError = 0;
  const char* mKind = nullptr;
};

// The message with the reason in brackets at the end of its last line (before any closing
// line breaks); the message alone when nothing failed.
std::string WithReadFailure(std::string_view message, const ReadFailure& failure);

// A regular file open for reading, closed with the object. Open does not block: the path
// is opened without waiting and checked on the descriptor itself, and only a regular file
// is kept, in blocking mode, for reading as usual.
class ReadableFile {
 public:
  ReadableFile() = default;
  ~ReadableFile();
  ReadableFile(ReadableFile&& other) noexcept;
  ReadableFile& operator=(ReadableFile&& other) noexcept;
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;

  // Closes what was open, then opens path; false with Failure() telling why.
  [[nodiscard]] bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return mDescriptor >= 0; }

  int Descriptor() const { return mDescriptor; }
  // The size the file had when it was opened.
  std::uint64_t Size() const { return mSize; }
  // Why the last Open failed.
  const ReadFailure& Failure() const { return mFailure; }
  // Hands the descriptor over to the caller, who closes it; the object is closed after.
  int Release();

 private:
  int mDescriptor = -1;
  std::uint64_t mSize = 0;
  ReadFailure mFailure;
};

// Whether path opens for reading as a regular file (it is closed again at once).
bool CanReadFile(const std::string& path);

// Reads up to count bytes at the file's position, going on after interruptions and short
// reads; the number read, fewer only at the end of the file or on an error (errno set,
// and error set to it).
std::size_t ReadFully(int descriptor, void* out, std::size_t count, int& error);

}  // namespace platform
