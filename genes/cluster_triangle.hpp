// The kept distance triangle of a clustering run. Each node has a slot; a merged node
// takes over the slot of its first child, since neither child is ever looked at again,
// so n slots serve the 2n-1 nodes: n(n-1)/2 floats rather than (2n-1)^2/2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// Bytes of the triangle for n leaves, in 64 bits (no overflow for any int n).
std::uint64_t TriangleBytes(int n);

// The most the triangle may take: by default three quarters of the machine's memory.
std::uint64_t TriangleMemoryLimit();
// Tests lower it; 0 restores the default.
void SetTriangleMemoryLimit(std::uint64_t bytes);

class DistanceTriangle {
 public:
  // Null when the bytes exceed the limit or cannot be had.
  [[nodiscard]] static std::unique_ptr<DistanceTriangle> Allocate(int n);

  // Node k shares the slot of node from (k a merge of from and another node).
  void TakeSlot(int node, int from) { mSlot[Index(node)] = mSlot[Index(from)]; }
  float Get(int a, int b) const { return mValues[Offset(a, b)]; }
  void Set(int a, int b, float distance) { mValues[Offset(a, b)] = distance; }
  // The row of slot i against every slot below it, for filling.
  float* SlotRow(int slot) { return mValues.get() + RowStart(slot); }
  int SlotOf(int node) const { return mSlot[Index(node)]; }

 private:
  explicit DistanceTriangle(int n);
  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
  static std::size_t RowStart(int slot) {
    return slot == 0 ? 0 : Index(slot) * (Index(slot) - 1) / 2;
  }
  std::size_t Offset(int a, int b) const {
    std::size_t i = Index(mSlot[Index(a)]);
    std::size_t j = Index(mSlot[Index(b)]);
    if (i > j) std::swap(i, j);
    return j * (j - 1) / 2 + i;
  }

  std::unique_ptr<float[]> mValues;
  std::vector<int> mSlot;  // per node
};
