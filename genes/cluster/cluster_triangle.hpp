// The kept distance triangle of a clustering run. Each node has a slot; a merged node
// takes over the slot of its first child, since neither child is ever looked at again,
// so n slots serve the 2n-1 nodes: n(n-1)/2 floats rather than (2n-1)^2/2.
#pragma once

#include <algorithm>
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

  // Node k takes the slot of node from (k a merge of from and another node).
  void TakeSlot(int node, int from) {
    mSlot[Index(node)] = mSlot[Index(from)];
    mOwner[Index(mSlot[Index(node)])] = node;
  }
  // The node's slot is no longer read.
  void Release(int node) {
    const int slot = mSlot[Index(node)];
    mOwner[Index(slot)] = -1;
    const auto at = std::lower_bound(mLive.begin(), mLive.end(), slot);
    if (at != mLive.end() && *at == slot) mLive.erase(at);
  }
  float Get(int a, int b) const { return mValues[Offset(mSlot[Index(a)], mSlot[Index(b)])]; }
  void Set(int a, int b, float distance) {
    mValues[Offset(mSlot[Index(a)], mSlot[Index(b)])] = distance;
  }
  // The row of slot j: its distances to every slot below it, for filling.
  float* SlotRow(int slot) { return mValues.get() + Offset(slot, 0); }

  // Calls visit(other, entry, entry2) for every node holding a slot other than a's and
  // b's, where entry is its distance to a and entry2 to b. Slot order, not node order.
  template <typename Visit>
  void ForEachOther(int a, int b, Visit visit) {
    const int sa = mSlot[Index(a)];
    const int sb = mSlot[Index(b)];
    const std::size_t live = mLive.size();
    float* values = mValues.get();
    for (std::size_t i = 0; i < live; ++i) {
      // Entries above a slot's row lie a row apart: start their loads early.
      if (i + kPrefetchAhead < live) {
        const int ahead = mLive[i + kPrefetchAhead];
        if (ahead > sa) __builtin_prefetch(values + Offset(ahead, sa));
        if (ahead > sb && sb != sa) __builtin_prefetch(values + Offset(ahead, sb));
      }
      const int t = mLive[i];
      if (t == sa || t == sb) continue;
      visit(mOwner[Index(t)], values[Offset(t, sa)], values[Offset(t, sb)]);
    }
  }

 private:
  static constexpr int kPrefetchAhead = 8;

  explicit DistanceTriangle(int n);
  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
  // Slots i and j (i != j): row max, column min.
  static std::size_t Offset(int i, int j) {
    std::size_t high = Index(i);
    std::size_t low = Index(j);
    if (high < low) std::swap(high, low);
    return high * (high - (high > 0 ? 1 : 0)) / 2 + low;
  }

  // A triangle of a large page or more is aligned to large pages, which the walks down a
  // column of slots (one row apart each) would otherwise spread over as many small pages
  // as rows.
  static constexpr std::size_t kPageAlignment = std::size_t{2} << 20;
  struct AlignedDelete {
    AlignedDelete() : alignment(alignof(std::max_align_t)) {}
    explicit AlignedDelete(std::size_t bytes) : alignment(bytes) {}
    void operator()(float* values) const;
    std::size_t alignment;
  };
  std::unique_ptr<float[], AlignedDelete> mValues;
  std::vector<int> mSlot;   // per node
  std::vector<int> mOwner;  // per slot: the node holding it, -1 when released
  std::vector<int> mLive;   // slots not released, ascending
};
