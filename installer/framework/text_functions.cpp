#include "installer/framework/text_functions.hpp"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/path.hpp"

namespace quellbrook {

bool IsBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view TrimmedView(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string FormatText(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string text = FormatTextV(format, args);
  va_end(args);
  return text;
}

std::string FormatTextV(const char* format, std::va_list args) {
  if (format == nullptr) return std::string();
  std::va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

std::string TrimText(std::string_view text) {
  return std::string(TrimmedView(text));
}

std::string TrimRight(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string UpperText(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string LowerText(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string DoubledQuotes(std::string_view text, char quote) {
  std::string doubled;
  for (const char c : text) {
    if (c == quote) doubled += quote;
    doubled += c;
  }
  return doubled;
}

std::string EnclosedInQuotes(std::string_view text, char quote) {
  return quote + DoubledQuotes(text, quote) + quote;
}

bool FailWith(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
  return false;
}

void SplitList(std::string_view text, std::vector<std::string>& out, char separator,
               int initialSize) {
  if (TrimText(text).empty()) return;
  out.assign(initialSize > 0 ? static_cast<std::size_t>(initialSize) : 0, std::string());
  std::size_t index = 0;
  const auto store = [&](std::string_view piece) {
    if (index >= out.size()) out.resize(index + 1);
    out[index++] = TrimText(piece);
  };
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t cut = text.find(separator, start);
    if (cut == std::string_view::npos) {
      store(text.substr(start));
      break;
    }
    store(text.substr(start, cut - start));
    start = cut + 1;
  }
}

char* ReadDataLine(char* buffer, int size, std::FILE* file) {
  if (buffer == nullptr || size < 2 || file == nullptr) return nullptr;
  for (;;) {
    if (std::fgets(buffer, size, file) == nullptr) return nullptr;
    if (buffer[0] == '\n' && buffer[1] == '\0') continue;
    break;
  }
  const std::size_t length = std::char_traits<char>::length(buffer);
  if (length > 0 && std::isprint(static_cast<unsigned char>(buffer[length - 1])) == 0)
    buffer[length - 1] = '\0';
  return buffer;
}

bool SetReadOnlyAttribute(const std::string& path, std::string_view flag) {
  namespace fs = std::filesystem;
  constexpr fs::perms kWrite =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  std::error_code error;
  if (platform::EqualsNoCase(flag, "R"))
    fs::permissions(path, kWrite, fs::perm_options::remove, error);
  else
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
  return !error;
}

}  // namespace quellbrook
