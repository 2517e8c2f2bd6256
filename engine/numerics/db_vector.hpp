// A bounded vector of doubles into which values are gathered before a quantile, a
// trimmed mean or a display range is taken. Its capacity is fixed at construction;
// values appended beyond it are dropped with a logged error.
#pragma once

#include <span>
#include <vector>

#include "engine/base/missing_value.hpp"

class DB_VECTOR {
 public:
  explicit DB_VECTOR(int capacity);

  // Stores value at the end, or when the vector is full drops it and logs
  // kDbVectorFullMessage in red.
  void Append(double value);
  // Forgets the values; the capacity stays.
  void Clear() { mLength = 0; }

  // With f = percent / 200, marks as missing every value below the element of rank
  // (int)(n * f) or above that of rank (int)(n * (1 - f)), ranks counted from 0 and
  // capped at n - 1. Reorders the values. Returns the length, which does not change.
  int TrimTails(int percent);

  int Capacity() const { return mCapacity; }
  int Length() const { return mLength; }
  double MissingMarker() const { return mMissing; }

  // The values in use, for callers that read or reorder them in place.
  double* Elements() { return mElements.data(); }
  const double* Elements() const { return mElements.data(); }
  std::span<double> Values() { return {mElements.data(), static_cast<std::size_t>(mLength)}; }
  std::span<const double> Values() const {
    return {mElements.data(), static_cast<std::size_t>(mLength)};
  }
  double& operator[](int index) { return mElements[static_cast<std::size_t>(index)]; }
  double operator[](int index) const { return mElements[static_cast<std::size_t>(index)]; }

 private:
  int mCapacity;
  int mLength = 0;
  std::vector<double> mElements;
  double mMissing = MISSING_VALUE;
};

inline constexpr const char* kDbVectorFullMessage = "  DB_VECTOR error: length limit reached";
