// Tests of wildcard matching: stars, single characters, sets with ranges and negation,
// and agreement with a plain dynamic-programming matcher on random patterns.
#include "engine/base/wildcard.hpp"

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

bool Matches(const std::string& pattern, const std::string& text) {
  const int result = MatchWildcard(pattern.c_str(), text.c_str());
  EXPECT_TRUE(result == 0 || result == 1) << "result " << result;
  return result == 1;
}

TEST(Wildcard, StarMatchesAnyRunIncludingNone) {
  for (const char* text : {"", "A", "ANY TEXT AT ALL", "*", "[]"}) {
    EXPECT_TRUE(Matches("*", text)) << text;
    EXPECT_TRUE(Matches("**", text)) << text;
  }
  EXPECT_TRUE(Matches("*X*", "AXB"));
  EXPECT_TRUE(Matches("*X*", "X"));
  EXPECT_TRUE(Matches("*X*", "AAX"));
  EXPECT_FALSE(Matches("*X*", "AAB"));
  EXPECT_FALSE(Matches("A*", "BA"));
  EXPECT_TRUE(Matches("A*", "A"));
  EXPECT_TRUE(Matches("A*B", "AB"));
  EXPECT_TRUE(Matches("A*B", "AXXB"));
  EXPECT_FALSE(Matches("A*B", "AXXBC"));
}

TEST(Wildcard, EmptyPatternMatchesOnlyEmptyText) {
  EXPECT_TRUE(Matches("", ""));
  EXPECT_FALSE(Matches("", "A"));
  EXPECT_FALSE(Matches("A", ""));
  EXPECT_FALSE(Matches("?", ""));
  EXPECT_FALSE(Matches("[A]", ""));
}

TEST(Wildcard, QuestionMarkTakesExactlyOneCharacter) {
  EXPECT_TRUE(Matches("AB?D", "ABXD"));
  EXPECT_FALSE(Matches("AB?D", "ABD"));
  EXPECT_FALSE(Matches("AB?D", "ABXXD"));
  EXPECT_TRUE(Matches("???", "A?*"));
  // After a star the question marks still each need a character of their own.
  EXPECT_FALSE(Matches("*?", ""));
  EXPECT_TRUE(Matches("*?", "A"));
  EXPECT_FALSE(Matches("*??", "A"));
  EXPECT_TRUE(Matches("*??", "AB"));
  EXPECT_TRUE(Matches("*?*?*", "AB"));
  EXPECT_FALSE(Matches("*?*?*", "A"));
  EXPECT_TRUE(Matches("*?B", "AAB"));
}

TEST(Wildcard, ComparesCharactersExactly) {
  EXPECT_FALSE(Matches("gene", "GENE"));
  EXPECT_FALSE(Matches("*X*", "axb"));
  EXPECT_TRUE(Matches("A.B", "A.B"));
  EXPECT_FALSE(Matches("A.B", "AXB"));
}

TEST(Wildcard, SetsAndRanges) {
  EXPECT_TRUE(Matches("[A-E]1", "B1"));
  EXPECT_TRUE(Matches("[A-E]1", "A1"));
  EXPECT_TRUE(Matches("[A-E]1", "E1"));
  EXPECT_FALSE(Matches("[A-E]1", "F1"));
  EXPECT_FALSE(Matches("[A-E]1", "B2"));
  EXPECT_TRUE(Matches("[A-CX-Z]", "Y"));
  EXPECT_FALSE(Matches("[A-CX-Z]", "D"));
  EXPECT_TRUE(Matches("[XYZ]", "Z"));
  EXPECT_FALSE(Matches("[XYZ]", "W"));
  EXPECT_FALSE(Matches("[XYZ]", "XY"));
  EXPECT_TRUE(Matches("G[0-9][0-9]", "G42"));
}

TEST(Wildcard, NegatedSets) {
  EXPECT_TRUE(Matches("[!A-E]1", "G1"));
  EXPECT_FALSE(Matches("[!A-E]1", "A1"));
  EXPECT_FALSE(Matches("[!A-E]1", "C1"));
  EXPECT_TRUE(Matches("[!A]", "!"));
  EXPECT_FALSE(Matches("[!A]", "A"));
  // A "!" anywhere but first is an ordinary member.
  EXPECT_TRUE(Matches("[A!]", "!"));
}

TEST(Wildcard, DashRules) {
  // A descending pair is no range: the set holds D, - and B.
  EXPECT_TRUE(Matches("[D-B]1", "D1"));
  EXPECT_TRUE(Matches("[D-B]1", "-1"));
  EXPECT_TRUE(Matches("[D-B]1", "B1"));
  EXPECT_FALSE(Matches("[D-B]1", "C1"));
  // Equal ends are no range either.
  EXPECT_TRUE(Matches("[C-C]", "-"));
  // A "-" first or before the closing "]" is a member.
  EXPECT_TRUE(Matches("[-A]", "-"));
  EXPECT_TRUE(Matches("[A-]", "-"));
  EXPECT_TRUE(Matches("[A-]", "A"));
  EXPECT_FALSE(Matches("[A-]", "B"));
  EXPECT_FALSE(Matches("[!-A]", "-"));
  EXPECT_TRUE(Matches("[!-A]", "B"));
}

TEST(Wildcard, ClosingBracketAsFirstMember) {
  EXPECT_TRUE(Matches("[]]", "]"));
  EXPECT_FALSE(Matches("[]]", "A"));
  EXPECT_TRUE(Matches("[]A]", "A"));
  EXPECT_TRUE(Matches("[]A]", "]"));
  EXPECT_FALSE(Matches("[!]]", "]"));
  EXPECT_TRUE(Matches("[!]]", "A"));
  // "]" starts a range like any other first member: "]" to "a" holds "^" and "_".
  EXPECT_TRUE(Matches("[]-a]", "_"));
  EXPECT_FALSE(Matches("[]-a]", "b"));
  // A "]" that is not first closes the set; the next one is a plain character.
  EXPECT_TRUE(Matches("[A]]", "A]"));
  EXPECT_FALSE(Matches("[A]]", "]]"));
}

TEST(Wildcard, UnclosedSetMatchesNothing) {
  EXPECT_FALSE(Matches("[AB", "A"));
  EXPECT_FALSE(Matches("[AB", "[AB"));
  EXPECT_FALSE(Matches("[]", "]"));
  EXPECT_FALSE(Matches("*[A-", "XA"));
  EXPECT_FALSE(Matches("[!", "A"));
}

TEST(Wildcard, StarBacktracksToLaterPositions) {
  EXPECT_TRUE(Matches("*AB", "AAB"));
  EXPECT_TRUE(Matches("*ABC", "ABABC"));
  EXPECT_TRUE(Matches("*A*B*C", "XAYBZC"));
  EXPECT_FALSE(Matches("*A*B*C", "XCYBZA"));
  EXPECT_TRUE(Matches("*[0-9]", "ABC7"));
  EXPECT_TRUE(Matches("*[0-9]X", "A1B2X"));
  EXPECT_TRUE(Matches("*ATP*", "ATPASE SUBUNIT"));
  EXPECT_TRUE(Matches("*SUBUNIT*", "ATPASE SUBUNIT"));
}

// Each star after the first would multiply the work of a plain backtracking search.
TEST(Wildcard, ManyStarsStayFast) {
  const std::string text(20000, 'A');
  std::string pattern;
  for (int i = 0; i < 30; ++i) pattern += "*A";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Matches(pattern + "*B", text));
  EXPECT_TRUE(Matches(pattern + "*", text));
  EXPECT_FALSE(Matches(pattern + "?*[B-Z]", text));
  EXPECT_FALSE(Matches("*" + std::string(100, 'A') + "B*", text));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// A pattern as a list of items, matched by dynamic programming, and written out in the
// matcher's syntax (ranges used for runs of consecutive letters).
struct Item {
  enum Kind { kLiteral, kAny, kStar, kSet } kind;
  char literal = 0;
  std::string members;
  bool negated = false;
};

bool ItemMatches(const Item& item, char c) {
  if (item.kind == Item::kAny) return true;
  if (item.kind == Item::kLiteral) return item.literal == c;
  return (item.members.find(c) != std::string::npos) != item.negated;
}

bool ReferenceMatch(const std::vector<Item>& items, const std::string& text) {
  // reach[i][j]: items[i..] match text[j..].
  std::vector<std::vector<char>> reach(items.size() + 1, std::vector<char>(text.size() + 1, 0));
  reach[items.size()][text.size()] = 1;
  for (std::size_t i = items.size(); i-- > 0;) {
    for (std::size_t j = text.size() + 1; j-- > 0;) {
      if (items[i].kind == Item::kStar) {
        reach[i][j] = reach[i + 1][j] || (j < text.size() && reach[i][j + 1]);
      } else {
        reach[i][j] = j < text.size() && ItemMatches(items[i], text[j]) && reach[i + 1][j + 1];
      }
    }
  }
  return reach[0][0] != 0;
}

std::string Render(const std::vector<Item>& items) {
  std::string pattern;
  for (const Item& item : items) {
    switch (item.kind) {
      case Item::kLiteral:
        pattern += item.literal;
        break;
      case Item::kAny:
        pattern += '?';
        break;
      case Item::kStar:
        pattern += '*';
        break;
      case Item::kSet: {
        pattern += item.negated ? "[!" : "[";
        for (std::size_t k = 0; k < item.members.size();) {
          std::size_t run = k + 1;
          while (run < item.members.size() && item.members[run] == item.members[run - 1] + 1) ++run;
          if (run - k >= 2) {
            pattern += std::string{item.members[k], '-', item.members[run - 1]};
          } else {
            pattern += item.members[k];
          }
          k = run;
        }
        pattern += ']';
        break;
      }
    }
  }
  return pattern;
}

TEST(Wildcard, AgreesWithDynamicProgrammingOnRandomPatterns) {
  std::mt19937 random(20240611);
  const std::string alphabet = "ABCD";
  auto letter = [&] { return alphabet[random() % alphabet.size()]; };
  int matched = 0;
  for (int round = 0; round < 20000; ++round) {
    std::vector<Item> items(random() % 7);
    for (Item& item : items) {
      const unsigned roll = random() % 10;
      item.kind = roll < 4   ? Item::kLiteral
                  : roll < 6 ? Item::kAny
                  : roll < 8 ? Item::kStar
                             : Item::kSet;
      item.literal = letter();
      for (char c : alphabet) {
        if (random() % 2 == 0) item.members += c;
      }
      if (item.members.empty()) item.members = std::string(1, letter());
      item.negated = random() % 3 == 0;
    }
    std::string text(random() % 9, ' ');
    for (char& c : text) c = letter();

    const std::string pattern = Render(items);
    const bool expected = ReferenceMatch(items, text);
    ASSERT_EQ(Matches(pattern, text), expected) << "pattern " << pattern << " text " << text;
    matched += expected ? 1 : 0;
  }
  // Both outcomes must be well represented for the comparison to mean something.
  EXPECT_GT(matched, 2000);
  EXPECT_LT(matched, 18000);
}

}  // namespace
