// The bounded vector of doubles and its tail trimming.
#include "engine/numerics/db_vector.hpp"

#include <algorithm>

#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"

DB_VECTOR::DB_VECTOR(int capacity)
    : mCapacity(std::max(capacity, 0)), mElements(static_cast<std::size_t>(mCapacity)) {}

void DB_VECTOR::Append(double value) {
  if (mLength == mCapacity) {
    LogMessage(kDbVectorFullMessage, 0, kLogRed);
    return;
  }
  mElements[static_cast<std::size_t>(mLength++)] = value;
}

int DB_VECTOR::TrimTails(int percent) {
  const double fraction = percent * 0.005;
  double lower = mMissing;
  double upper = mMissing;
  if (mLength > 0) {
    lower = SelectQuantile(mElements.data(), mLength, fraction);
    upper = SelectQuantile(mElements.data(), mLength, 1.0 - fraction);
  }
  for (double& value : Values())
    if (value < lower || value > upper) value = mMissing;
  return mLength;
}
