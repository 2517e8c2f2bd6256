// The kept distance triangle: its size in 64 bits, the memory it may take, and its slots.
#include "genes/cluster/cluster_triangle.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <new>

namespace {

std::uint64_t gLimit = 0;  // 0: the default

std::uint64_t MachineMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

}  // namespace

std::uint64_t TriangleBytes(int n) {
  if (n < 2) return 0;
  const auto count = static_cast<std::uint64_t>(n);
  return count * (count - 1) / 2 * sizeof(float);
}

std::uint64_t TriangleMemoryLimit() {
  if (gLimit != 0) return gLimit;
  // Memory is promised before it is touched here, so an allocation that succeeds can
  // still run the machine out of pages; leave a quarter for everything else.
  return MachineMemory() / 4 * 3;
}

void SetTriangleMemoryLimit(std::uint64_t bytes) {
  gLimit = bytes;
}

DistanceTriangle::DistanceTriangle(int n)
    : mSlot(n > 0 ? 2 * Index(n) - 1 : 0),
      mOwner(n > 0 ? Index(n) : 0),
      mLive(n > 0 ? Index(n) : 0) {
  for (int i = 0; i < n; ++i) {
    mSlot[Index(i)] = i;
    mOwner[Index(i)] = i;
    mLive[Index(i)] = i;
  }
}

std::unique_ptr<DistanceTriangle> DistanceTriangle::Allocate(int n) {
  const std::uint64_t bytes = TriangleBytes(n);
  if (bytes > TriangleMemoryLimit() || bytes / sizeof(float) > SIZE_MAX / sizeof(float))
    return nullptr;
  std::unique_ptr<DistanceTriangle> triangle(new (std::nothrow) DistanceTriangle(n));
  if (!triangle) return nullptr;
  const auto count = static_cast<std::size_t>(bytes / sizeof(float));
  const std::size_t size = (count == 0 ? 1 : count) * sizeof(float);
  const std::size_t alignment = size >= kPageAlignment ? kPageAlignment : alignof(std::max_align_t);
  void* block = ::operator new[](size, std::align_val_t{alignment}, std::nothrow);
  if (block == nullptr) return nullptr;
  // A hint only: where large pages are not to be had the small ones serve.
  if (alignment == kPageAlignment) madvise(block, size, MADV_HUGEPAGE);
  triangle->mValues =
      std::unique_ptr<float[], AlignedDelete>(static_cast<float*>(block), AlignedDelete{alignment});
  return triangle;
}

void DistanceTriangle::AlignedDelete::operator()(float* values) const {
  ::operator delete[](values, std::align_val_t{alignment});
}
