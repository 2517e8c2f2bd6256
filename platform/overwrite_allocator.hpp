// An allocator for tables that are filled right after they are sized: a vector using it
// leaves the elements resize() adds unset instead of clearing them, which for a table of
// megabytes about to be read from a file saves a whole pass over its memory. Elements
// given a value (assign, push_back, copies) are constructed as usual.
#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace platform {

template <typename T>
class OverwriteAllocator : public std::allocator<T> {
 public:
  template <typename U>
  struct rebind {
    using other = OverwriteAllocator<U>;
  };

  OverwriteAllocator() = default;
  template <typename U>
  OverwriteAllocator(const OverwriteAllocator<U>&) noexcept {}

  // Unset, not value-initialised: only for records any bytes make a valid value of.
  template <typename U>
  void construct(U*) noexcept {
    static_assert(std::is_trivially_copyable_v<U> && std::is_trivially_destructible_v<U>);
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    std::construct_at(p, std::forward<Args>(args)...);
  }
};

}  // namespace platform
