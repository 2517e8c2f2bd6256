// Text files built in memory and written whole: texts, characters, whole numbers and
// one-decimal or shortest real numbers appended without a stream or a locale; and a text
// written whole as a file.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/byte_writer.hpp"
#include "platform/scratch_file.hpp"
#include "platform/text_bytes.hpp"

namespace synth {

// Writes text as the whole file at path (replacing it): false when it can't.
[[nodiscard]] inline bool WriteText(const std::string& path, std::string_view text) {
  return platform::WriteScratchFile(path, platform::TextBytes(text));
}

class TextOut {
 public:
  TextOut& operator<<(std::string_view text) {
    mText.append(text);
    return *this;
  }
  TextOut& operator<<(char ch) {
    mText.push_back(ch);
    return *this;
  }
  TextOut& operator<<(int number) { return Chars(number); }
  // With one decimal, as text cell files print values.
  TextOut& Decimal(float value) {
    return Chars(static_cast<double>(value), std::chars_format::fixed, 1);
  }
  // The shortest text that reads back as the same float, or double.
  TextOut& Real(float value) { return Chars(value); }
  TextOut& Real(double value) { return Chars(value); }
  void Reserve(std::size_t bytes) { mText.reserve(bytes); }
  [[nodiscard]] bool SaveTo(const std::string& path) const { return WriteText(path, mText); }
  const std::string& Text() const { return mText; }

 private:
  // The value as std::to_chars writes it with the given format.
  template <typename Value, typename... Format>
  TextOut& Chars(Value value, Format... format) {
    char digits[48];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, format...);
    mText.append(digits, result.ptr);
    return *this;
  }

  std::string mText;
};

// The complementary base (anything but A, T, C counts as G).
inline char Complement(char base) {
  switch (base) {
    case 'A':
      return 'T';
    case 'T':
      return 'A';
    case 'C':
      return 'G';
    default:
      return 'C';
  }
}

}  // namespace synth
