#include "installer/framework/install_log.hpp"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "installer/framework/text_functions.hpp"
#include "platform/file_append.hpp"

namespace quellbrook {
namespace {

std::string_view LevelPrefix(int level) {
  if (level == kLogError) return "ERROR: ";
  if (level == kLogWarning) return "WARNING: ";
  return "";
}

}  // namespace

std::string LocalTimeText(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return std::string();
  std::array<char, 64> buffer{};
  const std::size_t length = std::strftime(buffer.data(), buffer.size(), format, &local);
  return std::string(buffer.data(), length);
}

std::string LogLineText(std::string_view timeText, std::string_view message, int level) {
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
    message.remove_suffix(1);
  std::string line(timeText);
  line += " - ";
  line += LevelPrefix(level);
  line += message;
  return line;
}

void WriteLogLine(const std::string& logPath, std::string_view message, int level) {
  if (logPath.empty() || message.empty()) return;
  // The log is where failures go; one that cannot be written has nowhere to say so.
  (void)platform::AppendToFile(
      logPath, LogLineText(LocalTimeText("%m/%d/%y %H:%M:%S"), message, level) + "\n");
}

void AppendFormattedLine(const std::string& reportPath, const char* format, ...) {
  if (reportPath.empty()) return;
  std::va_list args;
  va_start(args, format);
  std::string line = FormatTextV(format, args);
  va_end(args);
  if (line.size() > kReportLineBufferSize - 1) line.resize(kReportLineBufferSize - 1);
  line += '\n';
  (void)platform::AppendToFile(reportPath, line);
}

}  // namespace quellbrook
