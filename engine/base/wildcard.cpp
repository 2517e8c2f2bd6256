// Wildcard matching. A "*" is matched by trying the rest of the pattern at each later
// text position; once a later "*" is reached, the earlier one is never tried further,
// which keeps patterns with many stars from taking exponential time.
#include "engine/base/wildcard.hpp"

namespace {

using Byte = unsigned char;

enum class Step {
  kMatch,
  kNoMatch,
  kStar,  // stopped at a "*" of the pattern with text left to match
};

// One bracket expression against one text character. `set` points at the "[" and, on a
// match, is left at the closing "]".
bool MatchSet(const char*& set, char character) {
  const char* p = set + 1;
  const bool negated = *p == '!';
  if (negated) ++p;
  const auto wanted = static_cast<Byte>(character);
  bool matched = false;
  for (bool first = true;; first = false) {
    if (*p == '\0') return false;
    if (*p == ']' && !first) break;
    if (matched) {  // only the end of the set is still of interest
      ++p;
      continue;
    }
    const auto low = static_cast<Byte>(p[0]);
    if (p[1] == '-' && p[2] != ']' && p[2] != '\0' && low < static_cast<Byte>(p[2])) {
      matched = low <= wanted && wanted <= static_cast<Byte>(p[2]);
      p += 3;
    } else {
      matched = low == wanted;
      ++p;
    }
  }
  set = p;
  return matched != negated;
}

// Compares pattern and text one character at a time up to the first "*" of the pattern;
// on kStar both are left at the place the star takes over.
Step MatchUpToStar(const char*& pattern, const char*& text) {
  const char* p = pattern;
  const char* t = text;
  for (; *p != '\0' && *t != '\0'; ++p) {
    if (*p == '*') {
      pattern = p;
      text = t;
      return Step::kStar;
    }
    if (*p == '[') {
      if (!MatchSet(p, *t)) return Step::kNoMatch;
    } else if (*p != '?' && *p != *t) {
      return Step::kNoMatch;
    }
    ++t;
  }
  while (*p == '*') ++p;
  return *p == '\0' && *t == '\0' ? Step::kMatch : Step::kNoMatch;
}

}  // namespace

int MatchWildcard(const char* pattern, const char* text) {
  const char* p = pattern != nullptr ? pattern : "";
  const char* t = text != nullptr ? text : "";
  Step step = MatchUpToStar(p, t);
  // Once the rest after a star reaches the next star, the outcome is settled: if the
  // later star finds no place, trying this star further on would only give it less text.
  while (step == Step::kStar) {
    // Further stars, and the "?" that follow them, need no search.
    while (*p == '*' || (*p == '?' && *t != '\0')) {
      if (*p == '?') ++t;
      ++p;
    }
    if (*t == '\0') return *p == '\0' ? 1 : 0;
    if (*p == '\0') return 1;

    const char next = *p;
    for (;;) {
      const char* restPattern = p;
      const char* restText = t;
      step = MatchUpToStar(restPattern, restText);
      if (step == Step::kMatch) return 1;
      if (step == Step::kStar) {
        p = restPattern;
        t = restText;
        break;
      }
      // The rest can only start where the text holds its first character.
      ++t;
      if (next != '[') {
        while (*t != '\0' && *t != next) ++t;
      }
      if (*t == '\0') return 0;
    }
  }
  return step == Step::kMatch ? 1 : 0;
}
