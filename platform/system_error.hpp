// The system's own words for why a call failed, for the messages that report it.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The error number of a file that is to be replaced but is a named pipe, a socket or a
// device: no system call fails for it (a rename would replace it), so it is our own, above
// every number the system uses.
inline constexpr int kNotRegularFileError = 0x10000;

// The system's text for an error number (strerror); "not a regular file" for
// kNotRegularFileError.
std::string SystemErrorText(int error);

// A failure message with the system's reason for it (strerror of error) at the end of its
// last line; the message alone when error is 0.
std::string WithSystemReason(std::string_view message, int error);

}  // namespace platform
