// The name of the host's top-level window under which every progress window is shown. It
// is the one text the library keeps from one export call to the next.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace quellbrook {

// The name's buffer, terminating NUL included: longer names are cut to fit.
inline constexpr std::size_t kParentWindowNameSize = 1024;
inline constexpr const char* kInitialParentWindowName = "Kandorvale Library Files Install";

const std::string& ParentWindowName();
// Null leaves an empty name.
void SetParentWindowName(const char* name);

// The host's top-level windows are named to the library through this environment
// variable, one name a line, as the window system would know them.
inline constexpr const char* kHostWindowsVariable = "QUELLBROOK_HOST_WINDOWS";

// The top-level window of exactly this name, none when the host shows no such window.
std::optional<std::string> FindTopLevelWindow(const std::string& name);

}  // namespace quellbrook
