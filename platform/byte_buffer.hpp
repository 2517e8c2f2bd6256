// The bytes of a file read whole, in memory that is not cleared when the buffer is sized:
// the read that follows overwrites every byte, and clearing megabytes first would cost a
// pass over them. It reads like a vector of bytes, and gives one (a copy) to a caller
// that keeps or changes the bytes as a vector.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/overwrite_allocator.hpp"

namespace platform {

class ByteBuffer {
 public:
  using value_type = std::uint8_t;
  using iterator = std::uint8_t*;
  using const_iterator = const std::uint8_t*;

  ByteBuffer() = default;
  // A copy of the bytes, so that a vector can stand where a buffer is expected.
  ByteBuffer(const std::vector<std::uint8_t>& bytes) : mBytes(bytes.begin(), bytes.end()) {}

  std::uint8_t* data() { return mBytes.data(); }
  const std::uint8_t* data() const { return mBytes.data(); }
  std::size_t size() const { return mBytes.size(); }
  bool empty() const { return mBytes.empty(); }
  iterator begin() { return data(); }
  iterator end() { return data() + size(); }
  const_iterator begin() const { return data(); }
  const_iterator end() const { return data() + size(); }
  std::uint8_t& operator[](std::size_t i) { return mBytes[i]; }
  const std::uint8_t& operator[](std::size_t i) const { return mBytes[i]; }

  // Bytes added are unset; the first ones stay.
  void resize(std::size_t size) { mBytes.resize(size); }

  operator std::span<const std::uint8_t>() const { return {data(), size()}; }
  operator std::vector<std::uint8_t>() const { return {begin(), end()}; }

  friend bool operator==(const ByteBuffer& a, const ByteBuffer& b) {
    return std::ranges::equal(a, b);
  }

 private:
  std::vector<std::uint8_t, OverwriteAllocator<std::uint8_t>> mBytes;
};

}  // namespace platform
