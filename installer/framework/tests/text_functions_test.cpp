// Tests of the shared text routines: list splitting, data lines, formatting at any length
// and the read-only attribute.
#include "installer/framework/text_functions.hpp"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/tests/temp_folder.hpp"

namespace quellbrook {
namespace {

using platform::testing::TempFolder;

TEST(TextFunctions, SplitListKeepsInnerEmptyPiecesAndIgnoresBlankText) {
  std::vector<std::string> out{"kept"};
  SplitList(" ", out, ',', 0);
  EXPECT_EQ(out, (std::vector<std::string>{"kept"}));
  SplitList(" a , b ,", out, ',', 0);
  EXPECT_EQ(out, (std::vector<std::string>{"a", "b"}));
  SplitList("A,,B", out, ',', 0);
  EXPECT_EQ(out, (std::vector<std::string>{"A", "", "B"}));
  SplitList(",A", out, ',', 0);
  EXPECT_EQ(out, (std::vector<std::string>{"", "A"}));
  // The initial size leaves empty entries behind the pieces.
  SplitList("x;y", out, ';', 4);
  EXPECT_EQ(out, (std::vector<std::string>{"x", "y", "", ""}));
  SplitList("HG-U95A", out, ',', 0);
  EXPECT_EQ(out, (std::vector<std::string>{"HG-U95A"}));
}

std::vector<std::string> ReadDataLines(const std::string& path, int bufferSize) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  std::vector<std::string> lines;
  if (file == nullptr) return lines;
  std::vector<char> buffer(static_cast<std::size_t>(bufferSize));
  while (ReadDataLine(buffer.data(), bufferSize, file) != nullptr)
    lines.emplace_back(buffer.data());
  std::fclose(file);
  return lines;
}

TEST(TextFunctions, ReadDataLineSkipsLoneLineFeedsAndDropsTheLineEnd) {
  TempFolder folder;
  const std::string path = folder.File("data.txt");
  std::ofstream(path, std::ios::binary) << "first\n\n\nsecond\r\n \nlongerthanbuffer\nlast";
  // Only the last byte goes: a CRLF line keeps its carriage return.
  EXPECT_EQ(ReadDataLines(path, 64),
            (std::vector<std::string>{"first", "second\r", " ", "longerthanbuffer", "last"}));
  // A short buffer cuts lines into pieces of 7; a piece ending in a printable byte keeps
  // it, and the lone line feed left over from a cut line is skipped.
  EXPECT_EQ(ReadDataLines(path, 8),
            (std::vector<std::string>{"first", "second", " ", "longert", "hanbuff", "er", "last"}));
  char buffer[2];
  EXPECT_EQ(ReadDataLine(buffer, 1, nullptr), nullptr);
}

TEST(TextFunctions, FormatTextHasNoLengthLimit) {
  const std::string long1000(1000, 'q');
  EXPECT_EQ(FormatText("%s [%d%%]", long1000.c_str(), 40), long1000 + " [40%]");
  EXPECT_EQ(TrimText(" \t a b \r\n"), "a b");
  EXPECT_EQ(TrimRight(" a "), " a");
  EXPECT_EQ(UpperText("hg-u95a"), "HG-U95A");
}

TEST(TextFunctions, TrimmedViewCutsTheCLocaleBlanksAtBothEndsOnly) {
  struct Case {
    std::string_view text;
    std::string_view trimmed;
  };
  const Case cases[] = {
      {"", ""},           {" \t\r\n\v\f", ""},  {"a", "a"},
      {"\ta b\n", "a b"}, {"  x  y  ", "x  y"}, {"\x01z\x01", "\x01z\x01"},
  };
  for (const Case& c : cases) {
    const std::string_view view = TrimmedView(c.text);
    EXPECT_EQ(view, c.trimmed) << '"' << c.text << '"';
    EXPECT_EQ(TrimText(c.text), c.trimmed) << '"' << c.text << '"';
    // A view into the text itself, not a copy.
    if (!view.empty()) {
      EXPECT_GE(view.data(), c.text.data());
      EXPECT_LE(view.data() + view.size(), c.text.data() + c.text.size());
    }
  }
  EXPECT_TRUE(IsBlank('\v'));
  EXPECT_FALSE(IsBlank('\0'));
  EXPECT_FALSE(IsBlank('_'));
}

TEST(TextFunctions, ReadOnlyAttribute) {
  TempFolder folder;
  const std::string path = folder.File("lib.cif");
  std::ofstream(path) << "x";
  const auto writable = [&] {
    return (std::filesystem::status(path).permissions() & std::filesystem::perms::owner_write) !=
           std::filesystem::perms::none;
  };
  EXPECT_TRUE(SetReadOnlyAttribute(path, "r"));
  EXPECT_FALSE(writable());
  EXPECT_TRUE(SetReadOnlyAttribute(path, "N"));
  EXPECT_TRUE(writable());
  EXPECT_FALSE(SetReadOnlyAttribute(folder.File("absent"), "R"));
}

}  // namespace
}  // namespace quellbrook
