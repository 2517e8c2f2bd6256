// Opening a file to read it by lines, with a failure said in the log: the reader's own
// reason added to the caller's message, in red.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/line_reader.hpp"

// Opens path in reader for lines of at most maxLength bytes; when it cannot be opened,
// logs failedMessage in red with the reason at its end and returns false.
[[nodiscard]] bool OpenLinesOrLog(platform::LineReader& reader, const std::string& path,
                                  std::size_t maxLength, std::string_view failedMessage);
