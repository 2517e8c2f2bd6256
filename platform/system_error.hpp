// The system's own words for why a call failed, for the messages that report it.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The system's text for an error number (strerror).
std::string SystemErrorText(int error);

// A failure message with the system's reason for it (strerror of error) at the end of its
// last line; the message alone when error is 0.
std::string WithSystemReason(std::string_view message, int error);

}  // namespace platform
