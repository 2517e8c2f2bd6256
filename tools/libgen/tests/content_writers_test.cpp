// The GIN, MAC and SIF writers: each file's layout as the readers expect it, and the same
// seed giving the same file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tools/libgen/gin_file.hpp"
#include "tools/libgen/mac_file.hpp"
#include "tools/libgen/sif_file.hpp"

namespace libgen {
namespace {

int CountOf(const std::string& text, char c) {
  return static_cast<int>(std::count(text.begin(), text.end(), c));
}

TEST(ContentWriters, GinVersionsDifferInTheirTopLinesAndColumns) {
  GinFile gin = StandardGin(4, 50, 3);
  EXPECT_EQ(GinText(gin), GinText(StandardGin(4, 50, 3)));
  EXPECT_NE(GinText(gin), GinText(StandardGin(4, 50, 4)));
  const std::string two = GinText(gin);
  EXPECT_EQ(two.rfind("Version=2\r\nDate=2026-01-01\r\nURLCount=2\r\n", 0), 0u);
  // Header line and four rows, 17 columns each.
  EXPECT_EQ(CountOf(two, '\t'), 5 * 16);
  EXPECT_EQ(gin.rows[2].description.size(), 50u);

  gin.version = 1;
  gin.identifierSource = "UniGene";
  gin.url = "http://u/";
  gin.headerLine = false;
  const std::string one = GinText(gin);
  EXPECT_EQ(one.rfind("GIN File\r\nIdentifierSource=UniGene\r\nURL=http://u/\r\n", 0), 0u);
  EXPECT_EQ(CountOf(one, '\t'), 4 * 15);
  EXPECT_EQ(one.find("Index"), std::string::npos);
}

TEST(ContentWriters, MacAndSifFilesHoldWhatTheirSpecsSay) {
  const std::string mac = MacText(StandardMac());
  EXPECT_NE(mac.find("VAR:StainTemp,35,C\r\n"), std::string::npos);
  EXPECT_NE(mac.find("var:Ignored,7\r\n"), std::string::npos);
  EXPECT_EQ(MacFileName("Wash"), "Wash.MAC");

  const SifFile sif = StandardSif(30, 9);
  ASSERT_EQ(sif.probeSets.size(), 30u);
  for (const SifProbeSet& probeSet : sif.probeSets) {
    EXPECT_GE(probeSet.sequence.size(), 25u);
    EXPECT_LE(probeSet.sequence.size(), 60u);
    EXPECT_EQ(probeSet.sequence.find_first_not_of("ACGT"), std::string::npos);
  }
  const std::string text = SifText(sif);
  EXPECT_EQ(CountOf(text, '>'), 30);
  EXPECT_EQ(text.rfind(";\r\n>1000_at\r\n"), text.find(";\r\n"));
  EXPECT_EQ(SifFileName("Chip_A"), "Chip_A.SIF");
}

}  // namespace
}  // namespace libgen
