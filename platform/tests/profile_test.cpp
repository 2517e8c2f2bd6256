// Tests of INI files on hand-made texts: what a reader finds (case, blanks, quotes, CRLF,
// first match, defaults), the key and section lists, and writes that change one line and
// keep every other byte.
#include "platform/profile.hpp"

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/tests/temp_folder.hpp"

namespace platform {
namespace {

using platform::testing::TempFolder;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  file << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

constexpr const char* kLibraryIni =
    "; shipped with the library files\r\n"
    "[TarnwellLibs]\r\n"
    "ArraySet1 = HG-U95A \r\n"
    "  arrayset2=\"  Quoted Name  \"\r\n"
    "ArraySet3='single'\r\n"
    "ArraySet4=\"unbalanced'\r\n"
    "ArraySet1=second spelling loses\r\n"
    "\r\n"
    "[ hg-u95a ]\r\n"
    "PartNumber=  900123\r\n"
    "Path=\r\n"
    "Flag\r\n"
    "Count = 42 units\r\n"
    "Negative=-5\r\n"
    "[HG-U95A]\r\n"
    "PartNumber=from the second section\r\n"
    "Extra=only here\r\n";

TEST(Profile, ReadsValuesAsTheProfileFunctionsDo) {
  TempFolder folder;
  const std::string path = folder.File("TWLib.ini");
  WriteFile(path, kLibraryIni);

  // Sections and keys: any case, blanks around them ignored; CRLF gone from values.
  EXPECT_EQ(ProfileValue(path, "tarnwelllibs", "ARRAYSET1"), "HG-U95A");
  EXPECT_EQ(ProfileValue(path, " TarnwellLibs ", " ArraySet2 "), "  Quoted Name  ");
  EXPECT_EQ(ProfileValue(path, "TarnwellLibs", "ArraySet3"), "single");
  EXPECT_EQ(ProfileValue(path, "TarnwellLibs", "ArraySet4"), "\"unbalanced'");
  EXPECT_EQ(ProfileValue(path, "HG-U95A", "PartNumber"), "900123");
  // The first section of a name wins; a later one of the same name is never searched.
  EXPECT_EQ(ProfileValue(path, "HG-U95A", "Extra"), std::nullopt);
  // An empty value and a line without '=' are keys with no text.
  EXPECT_EQ(ProfileValue(path, "HG-U95A", "Path"), "");
  EXPECT_EQ(ProfileValue(path, "HG-U95A", "Flag"), "");
  // A comment line is no key.
  EXPECT_EQ(ProfileValue(path, "TarnwellLibs", "; shipped with the library files"), std::nullopt);

  EXPECT_EQ(ReadProfileString(path, "HG-U95A", "Missing", "fallback"), "fallback");
  EXPECT_EQ(ReadProfileString(path, "No Such Section", "PartNumber", "d"), "d");
  EXPECT_EQ(ReadProfileString(folder.File("absent.ini"), "HG-U95A", "PartNumber", "d"), "d");
  EXPECT_EQ(ReadProfileString(path, "HG-U95A", "PartNumber", "", 4), "900");

  EXPECT_EQ(ReadProfileInt(path, "HG-U95A", "Count", 7), 42);
  EXPECT_EQ(ReadProfileInt(path, "HG-U95A", "Negative", 7), 0);
  EXPECT_EQ(ReadProfileInt(path, "HG-U95A", "Path", 7), 0);
  EXPECT_EQ(ReadProfileInt(path, "HG-U95A", "Missing", 7), 7);
}

TEST(Profile, CountsAreHeldToWhatTheFileCanHold) {
  TempFolder folder;
  const std::string path = folder.File("Count.ini");
  const std::string text = "[Keys]\nCount=2147483647\nFew=3\nNone=-4\n";
  WriteFile(path, text);
  EXPECT_EQ(ReadProfileCount(path, "Keys", "Count", -1), static_cast<int>(text.size()));
  EXPECT_EQ(ReadProfileCount(path, "Keys", "Few", -1), 3);
  EXPECT_EQ(ReadProfileCount(path, "Keys", "None", -1), 0);
  EXPECT_EQ(ReadProfileCount(path, "Keys", "Missing", -1), -1);
  EXPECT_EQ(ReadProfileCount(folder.File("absent.ini"), "Keys", "Count", 7), 7);
}

TEST(Profile, ListsKeysAndSections) {
  TempFolder folder;
  const std::string path = folder.File("list.ini");
  WriteFile(path, kLibraryIni);
  EXPECT_EQ(ProfileKeys(path, "tarnwelllibs"),
            (std::vector<std::string>{"ArraySet1", "arrayset2", "ArraySet3", "ArraySet4"}));
  EXPECT_EQ(ProfileKeys(path, "HG-U95A"),
            (std::vector<std::string>{"PartNumber", "Path", "Flag", "Count", "Negative"}));
  EXPECT_EQ(ProfileSections(path), (std::vector<std::string>{"TarnwellLibs", "hg-u95a"}));
  EXPECT_TRUE(ProfileSectionExists(path, "HG-u95a"));
  EXPECT_FALSE(ProfileSectionExists(path, "Protocols"));
  EXPECT_TRUE(ProfileKeys(path, "Protocols").empty());
  EXPECT_TRUE(ProfileSections(folder.File("absent.ini")).empty());
}

TEST(Profile, TextInMemoryReadsAsItsFileAndSurvivesAMove) {
  TempFolder folder;
  const std::string path = folder.File("TWLib.ini");
  WriteFile(path, kLibraryIni);
  // A short text sits inside the string object itself; the parsed lines must not point
  // into the moved-from one.
  auto shortText = std::make_unique<ProfileText>("[A]\nk=v\n");
  ProfileText moved = std::move(*shortText);
  shortText.reset();
  EXPECT_EQ(moved.Value("a", "K"), "v");
  const ProfileText text(kLibraryIni);
  for (const std::string& section : ProfileSections(path)) {
    EXPECT_EQ(text.Keys(section), ProfileKeys(path, section));
    for (const std::string& key : ProfileKeys(path, section)) {
      EXPECT_EQ(text.Value(section, key), ProfileValue(path, section, key)) << key;
      EXPECT_EQ(text.String(section, key, "d", 4), ReadProfileString(path, section, key, "d", 4));
      EXPECT_EQ(text.Int(section, key, -9), ReadProfileInt(path, section, key, -9)) << key;
      EXPECT_EQ(text.Count(section, key, -9), ReadProfileCount(path, section, key, -9)) << key;
    }
  }
  EXPECT_EQ(text.Sections(), ProfileSections(path));
  EXPECT_FALSE(text.HasSection("Protocols"));
  // A missing or unreadable file reads as no text at all.
  const ProfileText none = ProfileText::Read(folder.File("absent.ini"));
  EXPECT_TRUE(none.Sections().empty());
  EXPECT_EQ(none.Int("HG-U95A", "Count", 5), 5);
}

TEST(Profile, FuzzEntryTakesCutAndFlippedTexts) {
  const std::string text = kLibraryIni;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  // Five entries in each of the three section headers (the third repeats the second's
  // name, so its lookups find the second's).
  EXPECT_EQ(FuzzReadProfile(bytes, text.size()), 15u);
  for (std::size_t cut = 0; cut < text.size(); ++cut) EXPECT_LE(FuzzReadProfile(bytes, cut), 15u);
  for (std::size_t at = 0; at < text.size(); ++at) {
    for (const char flip : {'\0', '\n', '[', ']', '=', '"'}) {
      std::string changed = text;
      changed[at] = flip;
      FuzzReadProfile(reinterpret_cast<const std::uint8_t*>(changed.data()), changed.size());
    }
  }
}

TEST(Profile, WritesChangeOneLineAndKeepEveryOtherByte) {
  TempFolder folder;
  const std::string path = folder.File("edit.ini");
  const std::string original =
      "[Scan]\r\n"
      "  Pixel Size = 3 ; comment kept? no, part of the value\r\n"
      "Filter=570\r\n"
      "\r\n"
      "[Other]\r\n"
      "Flag\r\n"
      "Last=1";
  WriteFile(path, original);

  ASSERT_TRUE(WriteProfileString(path, "scan", "PIXEL SIZE", "2.5"));
  EXPECT_EQ(ReadFile(path),
            "[Scan]\r\n"
            "  Pixel Size =2.5\r\n"
            "Filter=570\r\n"
            "\r\n"
            "[Other]\r\n"
            "Flag\r\n"
            "Last=1");
  // A new key lands below the section's last entry, before its blank line, in CRLF.
  ASSERT_TRUE(WriteProfileString(path, "Scan", "Lamp", "on"));
  // A key without '=' gets one; a key on the file's unterminated last line is followed.
  ASSERT_TRUE(WriteProfileString(path, "Other", "flag", "x"));
  ASSERT_TRUE(WriteProfileString(path, "Other", "Added", "y"));
  // A new section goes at the end.
  ASSERT_TRUE(WriteProfileString(path, "New", "Key", "v"));
  EXPECT_EQ(ReadFile(path),
            "[Scan]\r\n"
            "  Pixel Size =2.5\r\n"
            "Filter=570\r\n"
            "Lamp=on\r\n"
            "\r\n"
            "[Other]\r\n"
            "Flag=x\r\n"
            "Last=1\r\n"
            "Added=y\r\n"
            "[New]\r\n"
            "Key=v\r\n");
  // Removing a key takes its whole line; removing a missing one changes nothing.
  ASSERT_TRUE(WriteProfileString(path, "Scan", "Filter", std::nullopt));
  ASSERT_TRUE(WriteProfileString(path, "Nowhere", "Filter", std::nullopt));
  EXPECT_EQ(ProfileKeys(path, "Scan"), (std::vector<std::string>{"Pixel Size", "Lamp"}));
  EXPECT_EQ(ProfileValue(path, "Scan", "Pixel Size"), "2.5");

  // Names or values that would make lines of their own are refused, the file untouched.
  const std::string before = ReadFile(path);
  EXPECT_FALSE(WriteProfileString(path, "Scan", "Lamp", "on\r\n[Injected]"));
  EXPECT_FALSE(WriteProfileString(path, "Scan", "a=b", "v"));
  EXPECT_FALSE(WriteProfileString(path, "Sc]an", "k", "v"));
  EXPECT_FALSE(WriteProfileString(path, "", "k", "v"));
  EXPECT_EQ(ReadFile(path), before);
}

TEST(Profile, WriteMakesAMissingFileWithLineFeeds) {
  TempFolder folder;
  const std::string path = folder.File("fresh.ini");
  ASSERT_TRUE(WriteProfileString(path, "Types", "Type1", "Expression"));
  ASSERT_TRUE(WriteProfileString(path, "Types", "Type2", "Genotyping"));
  EXPECT_EQ(ReadFile(path), "[Types]\nType1=Expression\nType2=Genotyping\n");
  EXPECT_FALSE(WriteProfileString(folder.File("no/such/folder/x.ini"), "A", "b", "c"));
}

}  // namespace
}  // namespace platform
