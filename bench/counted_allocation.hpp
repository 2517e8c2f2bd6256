// Counting the bytes a benchmark's run holds at its peak: this program's own allocation
// functions keep the bytes in use and the highest count seen. Include it in exactly one
// source file of a benchmark program, since it replaces the global operator new and delete.
#pragma once

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace bench {

inline std::atomic<std::size_t> gInUse{0};
inline std::atomic<std::size_t> gPeak{0};

inline void NoteAllocation(void* block) {
  const std::size_t now = gInUse += malloc_usable_size(block);
  std::size_t peak = gPeak.load();
  while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
  }
}

// Kept out of line: seen through, malloc behind new and free behind delete look mismatched.
[[gnu::noinline]] inline void* Counted(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) NoteAllocation(block);
  return block;
}

[[gnu::noinline]] inline void* CountedAligned(std::size_t size, std::align_val_t alignment) {
  const auto align = static_cast<std::size_t>(alignment);
  void* block = std::aligned_alloc(align, (size + align - 1) / align * align);
  if (block != nullptr) NoteAllocation(block);
  return block;
}

[[gnu::noinline]] inline void Uncounted(void* block) {
  if (block == nullptr) return;
  gInUse -= malloc_usable_size(block);
  std::free(block);
}

// Starts a measurement: the peak becomes the bytes now in use, which it returns.
inline std::size_t StartPeak() {
  gPeak = gInUse.load();
  return gPeak.load();
}

}  // namespace bench

void* operator new(std::size_t size) {
  void* block = bench::Counted(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* operator new[](std::size_t size) {
  void* block = bench::Counted(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return bench::Counted(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return bench::Counted(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  void* block = bench::CountedAligned(size, alignment);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  void* block = bench::CountedAligned(size, alignment);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return bench::CountedAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return bench::CountedAligned(size, alignment);
}
void operator delete(void* block, std::align_val_t) noexcept {
  bench::Uncounted(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
  bench::Uncounted(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
  bench::Uncounted(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
  bench::Uncounted(block);
}
void operator delete(void* block) noexcept {
  bench::Uncounted(block);
}
void operator delete[](void* block) noexcept {
  bench::Uncounted(block);
}
void operator delete(void* block, std::size_t) noexcept {
  bench::Uncounted(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  bench::Uncounted(block);
}
