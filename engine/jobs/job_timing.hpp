// The closing line of a group job, with the time it took.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

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

// "Finished in <elapsed>; <shortfall>}" in red: the job ran to its end, but not all of
// its results were kept.
inline void LogJobFinished(std::int64_t startSeconds, const std::string& shortfall) {
  LogMessage(
      MessageBuffer("Finished in %s; %s}\n", ElapsedTimeText(startSeconds, JobStartTime()).c_str(),
                    shortfall.c_str()),
      0, kLogRed);
}
