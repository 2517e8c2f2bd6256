// The installation log and the report file: both only ever appended to, each line opening
// and closing its file, so neither is held open between lines. A line that can't be
// written is lost and the run goes on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quellbrook {

inline constexpr int kLogInfo = 0;
inline constexpr int kLogError = 1;
inline constexpr int kLogWarning = 2;

// A report line is cut to what a 512-byte buffer holds.
inline constexpr std::size_t kReportLineBufferSize = 512;

// "MM/DD/YY HH:MM:SS - " then "ERROR: " (level 1) or "WARNING: " (level 2) and the
// message without its trailing line breaks. Nothing for an empty path or message.
void WriteLogLine(const std::string& logPath, std::string_view message, int level);

// The printf-style text cut to its first 511 characters, then "\n". Nothing for an empty
// path.
void AppendFormattedLine(const std::string& reportPath, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// The log line's text for a time, without its line feed.
std::string LogLineText(std::string_view timeText, std::string_view message, int level);

// The local time as the log and the reports write it.
std::string LocalTimeText(const char* format);

}  // namespace quellbrook
