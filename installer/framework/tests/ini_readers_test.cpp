// Tests of the readers of the library's INI files and of the part-number map, on
// hand-made files whose every answer is known.
#include "installer/framework/ini_readers.hpp"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "installer/framework/part_numbers.hpp"
#include "platform/byte_writer.hpp"
#include "platform/tests/temp_folder.hpp"
#include "scramble/tamsk.h"

namespace quellbrook {
namespace {

using platform::testing::TempFolder;

std::string WriteFile(const TempFolder& folder, const std::string& name, const std::string& text) {
  const std::string path = folder.File(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

constexpr const char* kLibraryIni =
    "[TarnwellLibs]\r\n"
    "ArraySet1= HG-U95A\r\n"
    "ArraySet2=\r\n"
    "ArraySet3=Mu11K\r\n"
    "[HG-U95A]\r\n"
    "Path = \"  lib\\HG-U95A \"\r\n"
    "Type= Expression \r\n"
    "Sequences=1\r\n"
    "Scanner=Pellium\r\n"
    "Wavelength=570\r\n"
    "[Mu11K]\r\n"
    "Sequences=01x\r\n"
    "Scanner=pellium \r\n"
    "Wavelength=488\r\n"
    "[Sets]\r\n"
    "ArraySet1=Hu6800\r\n"
    "ArraySet2= hg-u95a\r\n"
    "[TileTypes]\r\n"
    "Type1= Standard\r\n"
    "Sequences=2\r\n"
    "[Types]\r\n"
    "Type1=Expression\r\n"
    "Type2= Genotyping \r\n"
    "Type4=never reached\r\n"
    "[Protocols]\r\n"
    "NumProtocols=4\r\n"
    "Protocol1= Wash A \r\n"
    "Protocol3=\r\n"
    "Protocol4=Stain\r\n"
    "[Algorithms]\r\n"
    "NumAlgorithms=3\r\n"
    "Alg1Name=Statistical\r\n"
    "Alg2Name= MAS \r\n"
    "Alg3Name=mas\r\n"
    "Alg3CifName= mas5.cif \r\n"
    "[Empty]\r\n";

TEST(IniReaders, SectionValuesTypesAndSets) {
  TempFolder folder;
  const std::string ini = WriteFile(folder, "TWLib.ini", kLibraryIni);
  EXPECT_EQ(GetArrayTypePath(ini, "hg-u95a"), "lib\\HG-U95A");
  EXPECT_EQ(GetArrayTypePath(ini, "Nothing"), "");

  std::string type = "old";
  EXPECT_TRUE(ReadSectionType("HG-U95A", ini, type));
  EXPECT_EQ(type, "Expression");
  EXPECT_FALSE(ReadSectionType("Mu11K", ini, type));
  EXPECT_EQ(type, "");
  EXPECT_TRUE(ReadTileType(ini, type));
  EXPECT_EQ(type, "Standard");

  // The search ends at the first missing ArraySet: an empty one counts as missing.
  EXPECT_TRUE(IsInArraySet("TarnwellLibs", "hg-u95a", ini));
  EXPECT_FALSE(IsInArraySet("TarnwellLibs", "Mu11K", ini));
  EXPECT_TRUE(IsInArraySet("Sets", "HG-U95A", ini));
  EXPECT_FALSE(IsInArraySet("Sets", "Mu11", ini));

  EXPECT_TRUE(HasSequences("HG-U95A", ini));
  EXPECT_TRUE(HasSequences("Mu11K", ini));  // the leading number of "01x"
  EXPECT_FALSE(HasSequences("Sets", ini));
  EXPECT_FALSE(HasSequences("TileTypes", ini));

  std::vector<std::string> types{"stale"};
  ReadTypeList(ini, types);
  EXPECT_EQ(types, (std::vector<std::string>{"Expression", "Genotyping"}));

  std::vector<std::string> protocols{"kept"};
  EXPECT_EQ(ReadProtocolList(protocols, ini), 1);
  EXPECT_EQ(protocols, (std::vector<std::string>{"kept", "Wash A", "Stain"}));

  EXPECT_TRUE(IniSectionExists("tiletypes", ini));
  EXPECT_FALSE(IniSectionExists("Empty", ini));
  EXPECT_FALSE(IniSectionExists("Absent", ini));
}

TEST(IniReaders, AlgorithmCifNameAndTypeMatching) {
  TempFolder folder;
  const std::string ini = WriteFile(folder, "Algorithm.ini", kLibraryIni);
  std::string cif = "unchanged";
  EXPECT_TRUE(GetAlgorithmCifName(ini, "None", cif));
  EXPECT_TRUE(GetAlgorithmCifName(ini, "", cif));
  EXPECT_EQ(cif, "unchanged");
  // The first matching name has no CIF name: the search goes on to the next match.
  EXPECT_TRUE(GetAlgorithmCifName(ini, "MAS", cif));
  EXPECT_EQ(cif, "mas5.cif");
  EXPECT_FALSE(GetAlgorithmCifName(ini, "Statistical", cif));
  EXPECT_EQ(cif, "");

  const std::vector<std::string> types{"HG-U95A", "Mu11K", "Absent"};
  std::string match = "old";
  EXPECT_EQ(MatchTypeByParameters(match, ini, {{"Scanner", "PELLIUM", ""}}, types), 1);
  EXPECT_EQ(match, "HG-U95A");
  EXPECT_EQ(MatchTypeByParameters(match, ini,
                                  {{"Scanner", "Pellium", ""}, {"Wavelength", "488", "x"}}, types),
            1);
  EXPECT_EQ(match, "Mu11K");
  EXPECT_EQ(MatchTypeByParameters(match, ini, {{"Wavelength", "633", ""}}, types), 1);
  EXPECT_EQ(match, "");
  EXPECT_EQ(MatchTypeByParameters(match, ini, {}, types), 1);
  EXPECT_EQ(match, "HG-U95A");
  EXPECT_EQ(MatchTypeByParameters(match, ini, {{"Scanner", "", ""}}, {"Absent"}), 1);
  EXPECT_EQ(match, "");
}

TEST(IniReaders, ListsLongerThanTheFileCanHoldAreHeldOrRefused) {
  TempFolder folder;
  // A count beyond the file's bytes reads only what is there, at once.
  const std::string small = WriteFile(folder, "Small.INI",
                                      "[Protocols]\nNumProtocols=2147483647\nProtocol1=Wash\n"
                                      "[Algorithms]\nNumAlgorithms=2147483647\n"
                                      "Alg1Name=MAS\nAlg1CifName=mas5.cif\n");
  std::vector<std::string> protocols;
  EXPECT_EQ(ReadProtocolList(protocols, small), 1);
  EXPECT_EQ(protocols, std::vector<std::string>{"Wash"});
  std::string cif;
  EXPECT_TRUE(GetAlgorithmCifName(small, "mas", cif));
  EXPECT_EQ(cif, "mas5.cif");
  // A file that could list more than 10000 is not read key by key.
  const std::string padding = ";" + std::string(kMaxIniEntries, 'x') + "\n";
  const std::string large = WriteFile(
      folder, "Large.INI",
      "[Protocols]\nNumProtocols=10001\nProtocol1=Wash\n[Algorithms]\nNumAlgorithms=10001\n"
      "Alg1Name=MAS\nAlg1CifName=mas5.cif\n" +
          padding);
  protocols.clear();
  EXPECT_EQ(ReadProtocolList(protocols, large), 1);
  EXPECT_TRUE(protocols.empty());
  EXPECT_FALSE(GetAlgorithmCifName(large, "mas", cif));
  EXPECT_EQ(TooManyIniEntries("algorithms", large),
            "More than 10000 algorithms in " + large + "; file not read.");
}

// Files of kMaxIniEntries entries, the last one the one looked for: each list is read from
// one read of its file, so a run takes moments where a read per key took hours.
TEST(IniReaders, ListsOfTheMostEntriesAreReadWhole) {
  TempFolder folder;
  std::string text = "[Algorithms]\nNumAlgorithms=10000\n";
  std::string protocols = "[Protocols]\nNumProtocols=10000\n";
  std::string sets = "[Scanner]\n";
  std::string types = "[Types]\n";
  std::string typeSections;
  for (int i = 1; i <= kMaxIniEntries; ++i) {
    const std::string n = std::to_string(i);
    text += "Alg" + n + "Name=Algorithm " + n + "\nAlg" + n + "CifName=cif" + n + "\n";
    protocols += "Protocol" + n + "=Wash " + n + "\n";
    sets += "ArraySet" + n + "=Chip" + n + "\n";
    types += "Type" + n + "=Scan" + n + "\n";
    typeSections += "[Scan" + n + "]\nWidth=" + n + "\nHeight=" + std::to_string(i % 7) + "\n";
  }
  const std::string ini =
      WriteFile(folder, "Large.ini", text + protocols + sets + types + typeSections);
  std::string cif;
  EXPECT_TRUE(GetAlgorithmCifName(ini, "algorithm 10000", cif));
  EXPECT_EQ(cif, "cif10000");
  EXPECT_FALSE(GetAlgorithmCifName(ini, "Algorithm 10001", cif));

  std::vector<std::string> protocolList;
  ReadProtocolList(protocolList, ini);
  ASSERT_EQ(protocolList.size(), static_cast<std::size_t>(kMaxIniEntries));
  EXPECT_EQ(protocolList.back(), "Wash 10000");
  EXPECT_TRUE(IsInArraySet("Scanner", "CHIP10000", ini));
  EXPECT_FALSE(IsInArraySet("Scanner", "Chip10001", ini));

  std::vector<std::string> typeList;
  ReadTypeList(ini, typeList);
  ASSERT_EQ(typeList.size(), static_cast<std::size_t>(kMaxIniEntries));
  std::string match;
  MatchTypeByParameters(match, ini, {{"Width", "9999", ""}, {"Height", "3", ""}}, typeList);
  EXPECT_EQ(match, "Scan9999");
  MatchTypeByParameters(match, ini, {{"Width", "9999", ""}, {"Height", "4", ""}}, typeList);
  EXPECT_EQ(match, "");
}

// A binary part-number file: a count, then per record a length, the scrambled name's
// bytes and the part number; lengths may be given falsely to make damaged files.
struct Record {
  std::string name;
  std::int32_t partNumber;
  std::int32_t length = -2;  // -2: the name's own length
};

std::string PartNumberFile(std::uint32_t count, const std::vector<Record>& records) {
  platform::ByteWriter writer;
  writer.WriteUInt32(count);
  for (const Record& record : records) {
    std::string scrambled = record.name;
    EncryptText(scrambled.data());
    writer.WriteInt32(record.length == -2 ? static_cast<std::int32_t>(scrambled.size())
                                          : record.length);
    writer.WriteText(scrambled);
    writer.WriteInt32(record.partNumber);
  }
  const auto& bytes = writer.Bytes();
  return std::string(bytes.begin(), bytes.end());
}

TEST(PartNumbers, BinaryFileWinsAndIsReadAsFarAsItIsSound) {
  TempFolder folder;
  const std::string ini =
      WriteFile(folder, "TWLib.ini", "[TarnwellLibs]\nArraySet1=Hu6800\n[Hu6800]\nPartNumber=1\n");
  const std::string binary = WriteFile(
      folder, "partnumbers.bin",
      PartNumberFile(4, {{" hg-u95a ", 900123}, {"Mu11K", -7}, {"", 5, 0}, {"HG-U95A", 42}}));
  PartNumberMap map{{"STALE", "1"}};
  EXPECT_TRUE(LoadPartNumbers(map, binary, ini));
  // A later record of the same name replaces the earlier; an empty name is kept as such.
  EXPECT_EQ(map, (PartNumberMap{{"HG-U95A", "42"}, {"MU11K", "-7"}, {"", "5"}}));
  EXPECT_EQ(LookupPartNumber(map, " mu11k "), "-7");
  EXPECT_EQ(LookupPartNumber(map, "Hu6800"), "");

  // A count beyond the records, a length past the file's end, a cut part number: the
  // reading stops there with what came before, and the result is still true.
  const std::string full = PartNumberFile(2, {{"A", 1}, {"B", 2}});
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    const std::string path = WriteFile(folder, "cut.bin", full.substr(0, cut));
    EXPECT_TRUE(LoadPartNumbers(map, path, ini));
    EXPECT_EQ(map.size(), cut >= 13 ? 1u : 0u) << cut;
  }
  const std::string hugeLength =
      WriteFile(folder, "huge.bin", PartNumberFile(3, {{"A", 1}, {"B", 2, 0x7FFFFFFF}, {"C", 3}}));
  EXPECT_TRUE(LoadPartNumbers(map, hugeLength, ini));
  EXPECT_EQ(map, (PartNumberMap{{"A", "1"}}));
  const std::string negativeLength =
      WriteFile(folder, "negative.bin", PartNumberFile(2, {{"", 9, -5}, {"C", 3}}));
  EXPECT_TRUE(LoadPartNumbers(map, negativeLength, ini));
  EXPECT_EQ(map, (PartNumberMap{{"", "9"}, {"C", "3"}}));
}

TEST(PartNumbers, FuzzEntryTakesFlippedFiles) {
  const std::string file = PartNumberFile(3, {{"A", 1}, {"B", 2}, {"C", 3}});
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
  EXPECT_EQ(FuzzLoadPartNumbers(bytes, file.size()), 3u);
  for (std::size_t at = 0; at < file.size(); ++at) {
    for (const std::uint8_t flip : {0x00, 0x7F, 0x80, 0xFF}) {
      std::string changed = file;
      changed[at] = static_cast<char>(flip);
      EXPECT_LE(FuzzLoadPartNumbers(reinterpret_cast<const std::uint8_t*>(changed.data()),
                                    changed.size()),
                3u);
    }
  }
}

TEST(PartNumbers, IniFileWhenThereIsNoBinaryFile) {
  TempFolder folder;
  const std::string ini = WriteFile(folder, "TWLib.ini",
                                    "[TarnwellLibs]\n"
                                    "ArraySet1= hu6800 \n"
                                    "ArraySet2=  \n"
                                    "ArraySet3=Mu11K\n"
                                    "ArraySet4=NoNumber\n"
                                    "[HU6800]\nPartNumber= 900001 \n"
                                    "[mu11k]\nPartNumber=900002\n"
                                    "[NoNumber]\nPath=x\n");
  PartNumberMap map;
  // ArraySet2 is blank: the profile reads it as missing, so the list ends there.
  EXPECT_TRUE(LoadPartNumbers(map, folder.File("absent.bin"), ini));
  EXPECT_EQ(map, (PartNumberMap{{"HU6800", "900001"}}));
  map = {{"STALE", "1"}};
  EXPECT_FALSE(LoadPartNumbers(map, folder.File("absent.bin"), folder.File("absent.ini")));
  EXPECT_TRUE(map.empty());
}

}  // namespace
}  // namespace quellbrook
