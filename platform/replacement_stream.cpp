#include "platform/replacement_stream.hpp"

#include <cstdint>
#include <span>

namespace platform {

ReplacementBuffer::ReplacementBuffer(FileReplacement& file)
    : mFile(file), mBuffer(new char[kChunk]) {
  setp(mBuffer.get(), mBuffer.get() + kChunk);
}

bool ReplacementBuffer::Flush() {
  const auto count = static_cast<std::size_t>(pptr() - pbase());
  if (count > 0 && !mFailed)
    mFailed = !mFile.Write(std::span(reinterpret_cast<const std::uint8_t*>(pbase()), count));
  setp(mBuffer.get(), mBuffer.get() + kChunk);
  return !mFailed;
}

ReplacementBuffer::int_type ReplacementBuffer::overflow(int_type ch) {
  if (!Flush()) return traits_type::eof();
  if (!traits_type::eq_int_type(ch, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
  }
  return traits_type::not_eof(ch);
}

int ReplacementBuffer::sync() {
  return Flush() ? 0 : -1;
}

}  // namespace platform
