// Replacing a file whole, with a failure said in the log: the system's reason added to the
// caller's message, in red. The writing side of OpenLinesOrLog.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/file_replacement.hpp"

// Starts the replacement of path, lets write fill it and puts it in place. When the file
// cannot be started, write returns false or the file cannot be put in place, logs
// failedMessage in red with the system's reason at its end and returns false; path is then
// left as it was. write may log lines of its own (they come after a failure to start).
[[nodiscard]] bool ReplaceFileOrLog(const std::string& path, std::string_view failedMessage,
                                    const std::function<bool(platform::FileReplacement&)>& write);

// The same for a file whose whole text is at hand.
[[nodiscard]] bool ReplaceFileTextOrLog(const std::string& path, std::string_view failedMessage,
                                        std::string_view text);

// Appends text to the file being written; false when it cannot be written.
[[nodiscard]] bool WriteFileText(platform::FileReplacement& file, std::string_view text);
