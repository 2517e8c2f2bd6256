// The closing line of a group job, with the time it took.
#pragma once

#include <cstdint>
#include <ctime>

#include "engine/services/log_channel.hpp"

inline std::int64_t JobStartTime() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

// "Finished in <elapsed>}" in blue.
inline void LogJobFinished(std::int64_t startSeconds) {
  LogMessage(
      MessageBuffer("Finished in %s}\n", ElapsedTimeText(startSeconds, JobStartTime()).c_str()), 0,
      kLogBlue);
}
