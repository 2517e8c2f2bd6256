#include "platform/profile.hpp"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <span>
#include <unordered_map>

#include "platform/byte_reader.hpp"
#include "platform/file_replacement.hpp"
#include "platform/path.hpp"
#include "platform/text_bytes.hpp"

namespace platform {

enum class LineKind { kBlank, kSection, kEntry, kComment };

// One line of the file with the byte positions a write needs.
struct ProfileLine {
  LineKind kind = LineKind::kBlank;
  std::string_view name;      // the section or key, trimmed
  std::string_view value;     // an entry's text after '=', trimmed
  std::size_t begin = 0;      // first byte of the line
  std::size_t valueFrom = 0;  // just past an entry's '=' (its end when there is none)
  bool hasEquals = false;
  std::size_t contentEnd = 0;  // where the line end (CR LF or LF) begins
  std::size_t end = 0;         // past the line end
};

// The first section of each name and, within it, the first entry of each key, by name folded
// to lower case.
struct ProfileIndex {
  struct Section {
    std::size_t first = 0;
    std::size_t last = 0;
    std::unordered_map<std::string, std::size_t> entries;
  };
  std::unordered_map<std::string, Section> sections;
};

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

std::vector<ProfileLine> ParseLines(std::string_view text) {
  std::vector<ProfileLine> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    ProfileLine line;
    line.begin = at;
    const std::size_t newline = text.find('\n', at);
    line.end = newline == std::string_view::npos ? text.size() : newline + 1;
    line.contentEnd = newline == std::string_view::npos ? text.size() : newline;
    if (line.contentEnd > line.begin && text[line.contentEnd - 1] == '\r') --line.contentEnd;
    const std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
    const std::string_view trimmed = Trim(content);
    line.valueFrom = line.contentEnd;
    if (trimmed.empty()) {
      line.kind = LineKind::kBlank;
    } else if (trimmed.front() == '[') {
      line.kind = LineKind::kSection;
      const std::size_t close = trimmed.find(']');
      line.name =
          Trim(trimmed.substr(1, close == std::string_view::npos ? trimmed.npos : close - 1));
    } else if (trimmed.front() == ';') {
      line.kind = LineKind::kComment;
    } else {
      line.kind = LineKind::kEntry;
      const std::size_t equals = content.find('=');
      if (equals == std::string_view::npos) {
        line.name = trimmed;
      } else {
        line.name = Trim(content.substr(0, equals));
        line.valueFrom = line.begin + equals + 1;
        line.hasEquals = true;
        line.value = Trim(content.substr(equals + 1));
      }
    }
    lines.push_back(line);
    at = line.end;
  }
  return lines;
}

// The lines of the first section of the name: [first, last) indices of the lines after
// its header, header index in header. False when there is none.
bool FindSection(const std::vector<ProfileLine>& lines, std::string_view section,
                 std::size_t& header, std::size_t& first, std::size_t& last) {
  const std::string_view wanted = Trim(section);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != LineKind::kSection || !EqualsNoCase(lines[i].name, wanted)) continue;
    header = i;
    first = i + 1;
    last = first;
    while (last < lines.size() && lines[last].kind != LineKind::kSection) ++last;
    return true;
  }
  return false;
}

const ProfileLine* FindEntry(const std::vector<ProfileLine>& lines, std::size_t first,
                             std::size_t last, std::string_view key) {
  const std::string_view wanted = Trim(key);
  for (std::size_t i = first; i < last; ++i)
    if (lines[i].kind == LineKind::kEntry && EqualsNoCase(lines[i].name, wanted)) return &lines[i];
  return nullptr;
}

std::string Folded(std::string_view name) {
  std::string folded(name);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

ProfileIndex BuildIndex(const std::vector<ProfileLine>& lines) {
  ProfileIndex index;
  ProfileIndex::Section* current = nullptr;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ProfileLine& line = lines[i];
    if (line.kind == LineKind::kSection) {
      if (current != nullptr) current->last = i;
      // A later section of a name already seen is never looked up.
      const auto [at, added] = index.sections.try_emplace(Folded(line.name));
      current = added ? &at->second : nullptr;
      if (current != nullptr) current->first = i + 1;
    } else if (current != nullptr && line.kind == LineKind::kEntry) {
      current->entries.try_emplace(Folded(line.name), i);
    }
  }
  if (current != nullptr) current->last = lines.size();
  return index;
}

std::optional<std::string> ReadText(const std::string& path, ReadFailure* failure) {
  std::optional<ByteBuffer> bytes = ReadWholeFile(path, kMaxProfileFileBytes, failure);
  if (!bytes) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size());
}

// The value's leading decimal number, 0 when negative; the default when missing.
int NumberOr(const std::optional<std::string>& value, int defaultValue) {
  if (!value) return defaultValue;
  const long number = std::strtol(value->c_str(), nullptr, 10);
  if (number < 0) return 0;
  return number > INT32_MAX ? INT32_MAX : static_cast<int>(number);
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// False with the system's error number in errno when the file cannot be replaced.
bool WriteText(const std::string& path, std::string_view text) {
  FileReplacement replacement;
  if (replacement.Open(path) && replacement.Write(TextBytes(text)) && replacement.Commit())
    return true;
  errno = replacement.Error();
  return false;
}

}  // namespace

std::size_t FuzzReadProfile(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<ProfileLine> lines = ParseLines(text);
  std::size_t found = 0;
  for (const ProfileLine& line : lines) {
    std::size_t header = 0, first = 0, last = 0;
    if (line.kind != LineKind::kSection || !FindSection(lines, line.name, header, first, last))
      continue;
    for (std::size_t i = first; i < last; ++i)
      if (lines[i].kind == LineKind::kEntry && FindEntry(lines, first, last, lines[i].name))
        ++found;
  }
  return found;
}

ProfileText::ProfileText()
    : mText(std::make_unique<std::string>()), mIndex(std::make_unique<ProfileIndex>()) {}

ProfileText::ProfileText(std::string_view text)
    : mText(std::make_unique<std::string>(text)),
      mLines(ParseLines(*mText)),
      mIndex(std::make_unique<ProfileIndex>(BuildIndex(mLines))) {}

ProfileText ProfileText::Read(const std::string& path, ReadFailure* failure) {
  const std::optional<std::string> text = ReadText(path, failure);
  return text ? ProfileText(*text) : ProfileText();
}

ProfileText::ProfileText(ProfileText&&) noexcept = default;
ProfileText& ProfileText::operator=(ProfileText&&) noexcept = default;
ProfileText::~ProfileText() = default;

std::optional<std::string> ProfileText::Value(std::string_view section,
                                              std::string_view key) const {
  const auto found = mIndex->sections.find(Folded(Trim(section)));
  if (found == mIndex->sections.end()) return std::nullopt;
  const auto entry = found->second.entries.find(Folded(Trim(key)));
  if (entry == found->second.entries.end()) return std::nullopt;
  return std::string(Unquote(mLines[entry->second].value));
}

std::string ProfileText::String(std::string_view section, std::string_view key,
                                std::string_view defaultValue, std::size_t bufferSize) const {
  std::string value = Value(section, key).value_or(std::string(defaultValue));
  if (bufferSize > 0 && value.size() > bufferSize - 1) value.resize(bufferSize - 1);
  return value;
}

int ProfileText::Int(std::string_view section, std::string_view key, int defaultValue) const {
  return NumberOr(Value(section, key), defaultValue);
}

int ProfileText::Count(std::string_view section, std::string_view key, int defaultValue) const {
  const std::optional<std::string> value = Value(section, key);
  if (!value) return defaultValue;
  const int count = NumberOr(value, defaultValue);
  return mText->size() < static_cast<std::size_t>(count) ? static_cast<int>(mText->size()) : count;
}

std::vector<std::string> ProfileText::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  const auto found = mIndex->sections.find(Folded(Trim(section)));
  if (found == mIndex->sections.end()) return keys;
  const ProfileIndex::Section& lines = found->second;
  for (std::size_t i = lines.first; i < lines.last; ++i) {
    // Only the first line of each key is indexed.
    if (mLines[i].kind == LineKind::kEntry && lines.entries.at(Folded(mLines[i].name)) == i)
      keys.emplace_back(mLines[i].name);
  }
  return keys;
}

std::vector<std::string> ProfileText::Sections() const {
  std::vector<std::string> sections;
  for (std::size_t i = 0; i < mLines.size(); ++i) {
    if (mLines[i].kind == LineKind::kSection &&
        mIndex->sections.at(Folded(mLines[i].name)).first == i + 1)
      sections.emplace_back(mLines[i].name);
  }
  return sections;
}

bool ProfileText::HasSection(std::string_view section) const {
  return mIndex->sections.contains(Folded(Trim(section)));
}

std::optional<std::string> ProfileValue(const std::string& path, std::string_view section,
                                        std::string_view key) {
  return ProfileText::Read(path).Value(section, key);
}

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t bufferSize) {
  return ProfileText::Read(path).String(section, key, defaultValue, bufferSize);
}

int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key,
                   int defaultValue) {
  return ProfileText::Read(path).Int(section, key, defaultValue);
}

int ReadProfileCount(const std::string& path, std::string_view section, std::string_view key,
                     int defaultValue) {
  return ProfileText::Read(path).Count(section, key, defaultValue);
}

std::vector<std::string> ProfileKeys(const std::string& path, std::string_view section) {
  return ProfileText::Read(path).Keys(section);
}

std::vector<std::string> ProfileSections(const std::string& path) {
  return ProfileText::Read(path).Sections();
}

bool ProfileSectionExists(const std::string& path, std::string_view section) {
  return ProfileText::Read(path).HasSection(section);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value) {
  const std::string_view sectionName = Trim(section);
  const std::string_view keyName = Trim(key);
  if (sectionName.empty() || keyName.empty() || HasLineBreak(sectionName) ||
      HasLineBreak(keyName) || sectionName.find(']') != std::string_view::npos ||
      keyName.find('=') != std::string_view::npos || keyName.front() == '[' ||
      keyName.front() == ';' || (value && HasLineBreak(*value)))
    return false;

  // Only a missing file starts empty: one that cannot be read, or a pipe or folder in its
  // place, is left alone rather than replaced by a file of this one key.
  ReadFailure failure;
  std::optional<std::string> old = ReadText(path, &failure);
  if (!old && !failure.Missing()) return false;
  std::string text = old ? std::move(*old) : std::string();
  const std::vector<ProfileLine> lines = ParseLines(text);
  const std::string lineEnd =
      !lines.empty() && lines[0].end > lines[0].contentEnd + 1 ? "\r\n" : "\n";

  std::size_t header = 0, first = 0, last = 0;
  if (!FindSection(lines, sectionName, header, first, last)) {
    if (!value) return true;
    if (!text.empty() && text.back() != '\n') text += lineEnd;
    text += "[" + std::string(sectionName) + "]" + lineEnd;
    text += std::string(keyName) + "=" + std::string(*value) + lineEnd;
    return WriteText(path, text);
  }
  if (const ProfileLine* entry = FindEntry(lines, first, last, keyName)) {
    if (!value) {
      text.erase(entry->begin, entry->end - entry->begin);
    } else if (!entry->hasEquals) {
      text.insert(entry->contentEnd, "=" + std::string(*value));
    } else {
      text.replace(entry->valueFrom, entry->contentEnd - entry->valueFrom, *value);
    }
    return WriteText(path, text);
  }
  if (!value) return true;
  // Below the section's last non-blank line, or right below its header.
  std::size_t after = header;
  for (std::size_t i = first; i < last; ++i)
    if (lines[i].kind != LineKind::kBlank) after = i;
  const ProfileLine& anchor = lines[after];
  std::string added = std::string(keyName) + "=" + std::string(*value) + lineEnd;
  if (anchor.end == anchor.contentEnd) added = lineEnd + added;  // the file's last line
  text.insert(anchor.end, added);
  return WriteText(path, text);
}

}  // namespace platform
