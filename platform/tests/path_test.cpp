// Tests of path joining and splitting with both separators, and of case-blind lookup and
// ordering of the files in a folder.
#include "platform/path.hpp"

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ascii_case.hpp"
#include "platform/tests/temp_folder.hpp"

namespace platform {
namespace {

using platform::testing::TempFolder;

void Touch(const std::string& path) {
  std::ofstream(path) << "x";
}

TEST(Path, JoinNeverDoublesASeparator) {
  EXPECT_EQ(JoinPath("data", "a.cel"), "data/a.cel");
  EXPECT_EQ(JoinPath("data/", "a.cel"), "data/a.cel");
  EXPECT_EQ(JoinPath("data\\", "a.cel"), "data\\a.cel");
  EXPECT_EQ(JoinPath("data", "/a.cel"), "data/a.cel");
  EXPECT_EQ(JoinPath("data/", "\\a.cel"), "data/a.cel");
  EXPECT_EQ(JoinPath("/", "a.cel"), "/a.cel");
  EXPECT_EQ(JoinPath("", "a.cel"), "a.cel");
}

TEST(Path, SplitAcceptsBothSeparatorsAndDropsEmptyParts) {
  EXPECT_EQ(SplitPath("C:\\arrays\\set one/a.cel"),
            (std::vector<std::string>{"C:", "arrays", "set one", "a.cel"}));
  EXPECT_EQ(SplitPath("//a\\\\b/"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(SplitPath("").empty());
  EXPECT_TRUE(SplitPath("/\\/").empty());
}

TEST(Path, FileNameAndParentSplitAtTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(FileName("a/b\\c.txt"), "c.txt");
  EXPECT_EQ(ParentFolder("a/b\\c.txt"), "a/b");
  EXPECT_EQ(FileName("a\\b/c.txt"), "c.txt");
  EXPECT_EQ(ParentFolder("a\\b/c.txt"), "a\\b");
  EXPECT_EQ(FileName("c.txt"), "c.txt");
  EXPECT_EQ(ParentFolder("c.txt"), "");
  EXPECT_EQ(FileName("a/"), "");
  EXPECT_EQ(ParentFolder("a/"), "a");
}

TEST(Path, ExtensionBelongsToTheFileNameOnly) {
  EXPECT_EQ(Extension("x/y.CEL"), ".CEL");
  EXPECT_EQ(Extension("a.tar.gz"), ".gz");
  EXPECT_EQ(Extension("set.v2/file"), "");
  EXPECT_EQ(Extension("set.v2\\file"), "");
  EXPECT_EQ(Extension("plain"), "");

  EXPECT_EQ(ReplaceExtension("x/y.cel", ".chp"), "x/y.chp");
  EXPECT_EQ(ReplaceExtension("a.tar.gz", ".zip"), "a.tar.zip");
  EXPECT_EQ(ReplaceExtension("set.v2/file", ".txt"), "set.v2/file.txt");
  EXPECT_EQ(ReplaceExtension("y.cel", ""), "y");
}

TEST(Path, AbsoluteMeansRootOrDriveLetter) {
  EXPECT_TRUE(IsAbsolutePath("/home/x"));
  EXPECT_TRUE(IsAbsolutePath("\\share\\x"));
  EXPECT_TRUE(IsAbsolutePath("C:\\x"));
  EXPECT_TRUE(IsAbsolutePath("d:x"));
  EXPECT_FALSE(IsAbsolutePath("x/y"));
  EXPECT_FALSE(IsAbsolutePath(""));
  EXPECT_FALSE(IsAbsolutePath("C"));
  EXPECT_FALSE(IsAbsolutePath("1:x"));
  EXPECT_FALSE(IsAbsolutePath(":x"));
}

TEST(Path, CaseIsFoldedForAsciiLettersOnly) {
  EXPECT_EQ(CompareNoCase("Chip.CDF", "chip.cdf"), 0);
  EXPECT_TRUE(EqualsNoCase("Chip.CDF", "chip.cdf"));
  EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
  EXPECT_GT(CompareNoCase("Zeta", "alpha"), 0);
  EXPECT_LT(CompareNoCase("ab", "AB0"), 0);
  EXPECT_GT(CompareNoCase("AB0", "ab"), 0);
  // Letters fold to lower case, so '[' (between the cases) sorts before any letter.
  EXPECT_LT(CompareNoCase("[", "A"), 0);
  EXPECT_LT(CompareNoCase("[", "a"), 0);
  // Bytes above 127 are compared as they are, and unsigned.
  EXPECT_FALSE(EqualsNoCase("\xC4", "\xE4"));
  EXPECT_GT(CompareNoCase("\xC4", "z"), 0);
  EXPECT_FALSE(EqualsNoCase("ab", "abc"));
  // Upper-casing changes the ASCII letters alone: not their neighbours '`' and '{', nor
  // the bytes of other characters.
  EXPECT_EQ(UpperCase("az`{AZ09_-"), "AZ`{AZ09_-");
  EXPECT_EQ(UpperCase("\xE4\xC4\xFF"), "\xE4\xC4\xFF");
  EXPECT_EQ(UpperCase(""), "");
}

TEST(Path, FindFileNoCaseLocatesTheRealName) {
  TempFolder temp;
  const std::string folder = temp.Path().string();
  Touch(temp.File("Chip.CDF"));
  std::filesystem::create_directory(temp.Path() / "Library");

  EXPECT_EQ(FindFileNoCase(folder, "chip.cdf"), JoinPath(folder, "Chip.CDF"));
  EXPECT_EQ(FindFileNoCase(folder, "CHIP.CDF"), JoinPath(folder, "Chip.CDF"));
  EXPECT_EQ(FindFileNoCase(folder, "library"), JoinPath(folder, "Library"));
  EXPECT_FALSE(FindFileNoCase(folder, "chip.cd").has_value());
  EXPECT_FALSE(FindFileNoCase(folder, "").has_value());
  EXPECT_FALSE(FindFileNoCase(JoinPath(folder, "missing"), "chip.cdf").has_value());
}

TEST(Path, FindFileNoCasePrefersAnExactMatch) {
  TempFolder temp;
  const std::string folder = temp.Path().string();
  Touch(temp.File("data.cel"));
  Touch(temp.File("DATA.CEL"));

  EXPECT_EQ(FindFileNoCase(folder, "DATA.CEL"), JoinPath(folder, "DATA.CEL"));
  EXPECT_EQ(FindFileNoCase(folder, "data.cel"), JoinPath(folder, "data.cel"));
  // Neither is exact: the choice must not depend on the order the folder lists them.
  EXPECT_EQ(FindFileNoCase(folder, "Data.Cel"), JoinPath(folder, "DATA.CEL"));
}

TEST(Path, ListFolderSortedOrdersFilesWithoutRegardToCase) {
  TempFolder temp;
  for (const char* name : {"b.cel", "a.cel", "C.cel", "A.cel", "[x].cel"}) Touch(temp.File(name));
  std::filesystem::create_directory(temp.Path() / "aa");

  // Case ties fall back to byte order; the sub-folder is not listed.
  EXPECT_EQ(ListFolderSorted(temp.Path().string()),
            (std::vector<std::string>{"[x].cel", "A.cel", "a.cel", "b.cel", "C.cel"}));
}

TEST(Path, ListFolderSortedOfAMissingFolderIsEmpty) {
  TempFolder temp;
  EXPECT_TRUE(ListFolderSorted(temp.File("missing")).empty());
  Touch(temp.File("file"));
  EXPECT_TRUE(ListFolderSorted(temp.File("file")).empty());
}

TEST(Path, ExistenceTellsFilesFromFolders) {
  TempFolder temp;
  Touch(temp.File("f.txt"));
  EXPECT_TRUE(FileExists(temp.File("f.txt")));
  EXPECT_FALSE(FolderExists(temp.File("f.txt")));
  EXPECT_TRUE(FolderExists(temp.Path().string()));
  EXPECT_FALSE(FileExists(temp.Path().string()));
  EXPECT_FALSE(FileExists(temp.File("none")));
  EXPECT_FALSE(FolderExists(temp.File("none")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FolderExists(""));
}

}  // namespace
}  // namespace platform
