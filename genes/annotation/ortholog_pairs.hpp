// The pairs of the common probe-set pair file, from the lines of the ortholog CSV file:
// the probe set (first field) and its ortholog (third field) when the fourth field names
// the other species' chip type.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// Each of the four fields of an ortholog line keeps at most this many characters; the
// rest of a longer field is dropped (no probe set or chip type name comes near it).
inline constexpr std::size_t kOrthologTokenLength = 255;

class OrthologLine {
 public:
  // Reads the first four fields: double quotes dropped, commas and white space between
  // fields, a blank inside a field turned into '_'. True when there are four and the
  // fourth equals chipType (any case).
  bool Read(std::string_view line, std::string_view chipType);
  std::string_view ProbeSet() const { return Token(0); }
  std::string_view Ortholog() const { return Token(2); }
  std::string_view Token(int index) const {
    const auto i = static_cast<std::size_t>(index);
    return {mTokens[i].data(), mLengths[i]};
  }

 private:
  std::array<std::array<char, kOrthologTokenLength>, 4> mTokens{};
  std::array<std::size_t, 4> mLengths{};
};
