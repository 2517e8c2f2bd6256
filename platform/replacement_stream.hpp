// A stream buffer over a FileReplacement: the bytes gather in one buffer of a megabyte and
// each full buffer goes to the new file, so a table written row by row through an
// std::ostream reaches the disk in large pieces.
#pragma once

#include <cstddef>
#include <memory>
#include <streambuf>

#include "platform/file_replacement.hpp"

namespace platform {

class ReplacementBuffer final : public std::streambuf {
 public:
  static constexpr std::size_t kChunk = std::size_t{1} << 20;

  explicit ReplacementBuffer(FileReplacement& file);
  ReplacementBuffer(const ReplacementBuffer&) = delete;
  ReplacementBuffer& operator=(const ReplacementBuffer&) = delete;

  // Hands what is gathered to the file; false once any write failed.
  bool Flush();
  bool Failed() const { return mFailed; }

 protected:
  int_type overflow(int_type ch) override;
  int sync() override;

 private:
  FileReplacement& mFile;
  std::unique_ptr<char[]> mBuffer;
  bool mFailed = false;
};

}  // namespace platform
