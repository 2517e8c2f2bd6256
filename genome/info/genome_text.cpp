#include "genome/info/genome_text.hpp"

#include <charconv>
#include <climits>
#include <cmath>

#include "engine/base/text_helpers.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"

namespace genome_text {

bool OpenTableOrLog(platform::LineReader& reader, const std::string& path, std::size_t maxLength,
                    std::string_view kind) {
  const std::string named = "  Reading " + std::string(kind) + " file '" + path + "'";
  if (!OpenLinesOrLog(reader, path, maxLength, named + " failed\n")) return false;
  LogMessage(named + "...");
  return true;
}

std::string_view HeaderLine(platform::LineReader& reader) {
  std::string_view header;
  if (reader.Next(header) == platform::LineStatus::kEnd) header = {};
  return header;
}

bool NextTableLine(platform::LineReader& reader, std::string_view& line) {
  const platform::LineStatus status = reader.Next(line);
  return (status == platform::LineStatus::kWhole || status == platform::LineStatus::kCut) &&
         !line.empty();
}

std::string_view NextField(std::string_view& line) {
  const std::size_t tab = line.find('\t');
  const std::string_view field = line.substr(0, tab);
  line = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
  return field;
}

namespace {

std::string_view NumberStart(std::string_view text) {
  SkipWhiteSpace(text);
  // from_chars takes no '+'; atof does.
  if (!text.empty() && text.front() == '+' && text.size() > 1 && text[1] != '-')
    text.remove_prefix(1);
  return text;
}

}  // namespace

double LeadingDouble(std::string_view text) {
  text = NumberStart(text);
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) return 0;
  return result.ec == std::errc() ? value : 0;
}

bool LeadingFiniteFloat(std::string_view text, float& value) {
  text = NumberStart(text);
  double number = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
  if (result.ec == std::errc::result_out_of_range) return false;
  const auto read = static_cast<float>(result.ec == std::errc() ? number : 0.0);
  if (!std::isfinite(read)) return false;
  value = read;
  return true;
}

int LeadingInt(std::string_view text) {
  text = NumberStart(text);
  long long value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc()) return 0;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsScanWhite(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace genome_text
