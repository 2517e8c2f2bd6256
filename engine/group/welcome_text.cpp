// Welcome text and settings snapshot; both only write into the log.
#include "engine/group/welcome_text.hpp"

#include <string>
#include <string_view>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/line_reader.hpp"

namespace {

constexpr const char* kWelcomeLine = "Welcome to Zelko";

std::string TimeText(const std::tm& time) {
  char text[64];
  const std::size_t length = std::strftime(text, sizeof text, "%m/%d/%y, %H:%M", &time);
  return std::string(text, length);
}

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

const char* GreetingForHour(int hour) {
  if (hour >= 18) return "Good evening!";
  if (hour >= 12) return "Good afternoon!";
  if (hour >= 6) return "Good morning!";
  return "Working hard...";
}

void WelcomeText(const std::tm& now) {
  const std::string time = TimeText(now);
  LogMessage(std::string(kWelcomeLine) + "\n", 0, kLogBlue);
  LogMessage(std::string(GreetingForHour(now.tm_hour)) + "  " + time + "\n", 0, kLogBlack);
  TheGroup().DateText = time;
}

void WelcomeText() {
  WelcomeText(LocalNow());
}

void WriteSettingsSnapshot(const std::tm& now) {
  LogMessage("{Settings at " + TimeText(now), 0, kLogBlue);
  const Group& group = TheGroup();
  const std::string path = group.SettingsPath(group.Name());
  platform::LineReader reader;
  if (!reader.Open(path)) return;
  LogMessage("  Setting file=" + path, 0, kLogBlack);
  std::string_view line;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status != platform::LineStatus::kWhole && status != platform::LineStatus::kCut) break;
    LogMessage("  " + std::string(line), 0, kLogBlack);
  }
  LogMessage("}\n", 0, kLogBlue);
}

void WriteSettingsSnapshot() {
  WriteSettingsSnapshot(LocalNow());
}
