// What the R view makes of typed text: comments removed with their lines kept apart and
// '#' inside strings left alone, lines joined where R would read them as one statement,
// the print(...) or {...} wrapping; and every resulting statement read by the real R's
// parser.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/services/r_link.hpp"
#include "platform/r_text.hpp"
#include "shell/views/r/r_view_text.hpp"

namespace {

struct Case {
  const char* typed;
  const char* echo;
  const char* statement;
};

const std::vector<Case> kCases = {
    {"x", "x", "print(x)"},
    {"x <- 1", "x <- 1", "{x <- 1}"},
    {"summary(x)", "summary(x)", "{summary(x)}"},
    {"a <- 1\r\nb <- 2", "a <- 1\r\nb <- 2", "{a <- 1;b <- 2}"},
    // A comment goes, its line break stays.
    {"a <- 1 # c\r\nb <- 2", "a <- 1 \r\nb <- 2", "{a <- 1 ;b <- 2}"},
    {"a <- 1 # c\nb <- 2", "a <- 1 \nb <- 2", "{a <- 1 ;b <- 2}"},
    {"a#\r\nb", "a\r\nb", "{a;b}"},
    {"x # note", "x ", "print(x )"},
    {"# only a comment", "", ""},
    {"  \n# two\n", "  \n\n", ""},
    // '#' inside strings, raw strings and `names` is text.
    {"s <- \"a#b\" # c", "s <- \"a#b\" ", "{s <- \"a#b\" }"},
    {"s <- 'it\\'s #1' # c", "s <- 'it\\'s #1' ", "{s <- 'it\\'s #1' }"},
    {"s <- \"q\\\"#\" #", "s <- \"q\\\"#\" ", "{s <- \"q\\\"#\" }"},
    {"s <- r\"(a#b\")\" # c", "s <- r\"(a#b\")\" ", "{s <- r\"(a#b\")\" }"},
    {"s <- R'-[x]#]-' #", "s <- R'-[x]#]-' ", "{s <- R'-[x]#]-' }"},
    {"`a#b` <- 1 # c", "`a#b` <- 1 ", "{`a#b` <- 1 }"},
    {"s <- \"one\ntwo # not a comment\"", "s <- \"one\ntwo # not a comment\"",
     "{s <- \"one\ntwo # not a comment\"}"},
    // Lines R reads on across.
    {"c(1,\n2)", "c(1,\n2)", "{c(1, 2)}"},
    {"m[1,\r\n2]", "m[1,\r\n2]", "print(m[1, 2])"},
    {"a <- 1 +\n2", "a <- 1 +\n2", "{a <- 1 + 2}"},
    {"a <-\n  3", "a <-\n  3", "{a <-   3}"},
    {"if (a) {\n1\n} else {\n2\n}", "if (a) {\n1\n} else {\n2\n}", "{if (a) {;1;} else {;2;}}"},
    {"if (a) {\n1\n}\n\nelse 2", "if (a) {\n1\n}\n\nelse 2", "{if (a) {;1;}  else 2}"},
    {"f(function(i) {\nx <- i\ny <- 2\n})", "f(function(i) {\nx <- i\ny <- 2\n})",
     "{f(function(i) {;x <- i;y <- 2;})}"},
    {"elsewhere <- 1\nelsewhere", "elsewhere <- 1\nelsewhere", "{elsewhere <- 1;elsewhere}"},
    // Not bare: several lines, or an assignment by "=" or "->".
    {"x\ny", "x\ny", "{x;y}"},
    {"x = 5", "x = 5", "{x = 5}"},
    {"5 -> x", "5 -> x", "{5 -> x}"},
    {"x[2]", "x[2]", "print(x[2])"},
};

TEST(RViewTextTest, CommandsAreStrippedJoinedAndWrappedAsRReadsThem) {
  RLink& r = RConnection();
  ASSERT_TRUE(r.StartR(false)) << "R is installed by scripts/install-deps";
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.typed);
    const RCommandText command = PrepareRCommand(c.typed);
    EXPECT_EQ(command.echo, c.echo);
    EXPECT_EQ(command.statement, c.statement);
    if (command.statement.empty()) continue;
    // What is sent is R code that R's parser takes whole.
    const RReply parsed = r.ExecuteCommand(
        "invisible(parse(text = " + platform::RStringLiteral(ConsoleStatement(command.statement)) +
        "))");
    EXPECT_TRUE(parsed) << parsed.error;
  }
}

TEST(RViewTextTest, OutputPiecesKeepAnUnfinishedCharacterBack) {
  const std::vector<std::pair<std::string, std::size_t>> pieces = {
      {"", 0},         {"abc", 3},           {"a\xC3", 1},        {"a\xC3\xA9", 3},
      {"\xE2\x82", 0}, {"x\xE2\x82\xAC", 4}, {"\xF0\x9F\x98", 0}, {"\xF0\x9F\x98\x80", 4},
      {"\x80\x80", 2}, {"ok\n", 3}};
  for (const auto& [piece, whole] : pieces) EXPECT_EQ(WholeUtf8Length(piece), whole) << piece;
}

}  // namespace
