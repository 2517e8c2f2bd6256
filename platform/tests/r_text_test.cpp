// Names and strings for R statements, checked against the real R: every literal reads
// back as its bytes, and every syntactic name is what R's make.names gives.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/r_server.hpp"
#include "platform/r_text.hpp"

namespace {

TEST(RTextTest, LiteralsAndNamesAgreeWithR) {
  platform::RServer r;
  std::string error;
  ASSERT_TRUE(r.Start(error)) << error;
  const std::vector<std::string> texts = {"abc",
                                          "1abc",
                                          ".5x",
                                          ".x",
                                          "._",
                                          "_a",
                                          "a b",
                                          "a-b",
                                          "if",
                                          "TRUE",
                                          "in",
                                          "NA_real_",
                                          "function",
                                          "",
                                          "...",
                                          "..1",
                                          "a.b_c",
                                          "Ab9",
                                          "x\"); system(\"touch pwned\"); (\"",
                                          "back\\slash\\\\",
                                          "tab\there",
                                          "two\nlines\r\n",
                                          "'single'",
                                          "`tick`",
                                          "#hash",
                                          "C:\\Data\\group 1"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    std::string bytes;
    for (const unsigned char ch : text) bytes += (bytes.empty() ? "" : ",") + std::to_string(ch);
    const std::string literal = platform::RStringLiteral(text);
    const std::string name = platform::RSyntacticName(text);
    for (const char ch : name)
      EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(ch)) || ch == '.' || ch == '_') << name;
    const std::string check = "stopifnot(identical(" + literal + ", rawToChar(as.raw(c(" + bytes +
                              "))))); stopifnot(identical(make.names(" + literal + "), " +
                              platform::RStringLiteral(name) + "))";
    EXPECT_TRUE(r.Execute(check, error)) << error;
  }
  r.Stop();
}

}  // namespace
