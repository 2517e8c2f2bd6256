// The current gene list: gene list files with headers, comments, unknown and repeated
// names, tree files and the list's end; masking by LocusLink; the three input-list
// states of the analyses; the export walk; and the table's upkeep.
#include "engine/group/gene_list.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/testing/captured_log.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

class GeneListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    Layout.units.resize(kUnits);
    for (int i = 0; i < kUnits; ++i)
      Layout.units[static_cast<std::size_t>(i)].SetName("PS" + std::to_string(i));
    Layout.unitCount = kUnits;
    StartGroup(mFolder.Path().string());
    ASSERT_TRUE(ReserveGeneListEntries(kUnits));
  }
  void TearDown() override {
    DiscardGroup();
    Reset();
  }
  static void Reset() {
    GeneList = GENE_LIST{};
    Layout = CDF_LAYOUT{};
    UnitSearchStart = 0;
    SetLocusLinkSource({});
    AnalysisRunning = 0;
  }

  std::string WriteFile(const std::string& name, const std::string& text) const {
    const std::string path = mFolder.File(name);
    std::ofstream out(path, std::ios::binary);
    out << text;
    return path;
  }
  static std::vector<int> Places() {
    std::vector<int> units;
    for (int k = 0; k < GeneList.length; ++k) units.push_back(GeneList.ListedUnit(k));
    return units;
  }
  static std::vector<int> Flagged() {
    std::vector<int> units;
    for (int unit = 0; unit < kUnits; ++unit)
      if (GeneList.Listed(unit)) units.push_back(unit);
    return units;
  }
  // LocusLink texts by probe set for masking.
  static void UseLocusLinks(std::map<int, std::string> texts) {
    SetLocusLinkSource([texts = std::move(texts)](int unit) -> std::string_view {
      const auto found = texts.find(unit);
      return found == texts.end() ? std::string_view() : std::string_view(found->second);
    });
  }

  static constexpr int kUnits = 10;
  platform::testing::TempFolder mFolder;
};

TEST_F(GeneListTest, ReadsProbeSetsAfterATitleLineAndKeepsTheLines) {
  const std::string path =
      WriteFile("list.txt", "Probe set\tGene\r\nps3\tthree\r\nPS1 \tone\r\nPS7\r\n");
  CapturedLog log;
  bool tree = true;
  EXPECT_EQ(ReadGeneList(&tree, path, true), 3);
  EXPECT_FALSE(tree);
  EXPECT_EQ(Places(), (std::vector<int>{3, 1, 7}));
  EXPECT_EQ(Flagged(), (std::vector<int>{1, 3, 7}));
  EXPECT_EQ(GeneList.NumInteresting, 3);
  EXPECT_EQ(GeneList.headerText, "Probe set\tGene");
  EXPECT_EQ(GeneList.lineTexts[3], "ps3\tthree");
  EXPECT_EQ(GeneList.lineTexts[7], "PS7");
  EXPECT_TRUE(log.Contains("  Read in genes or SNPs listed in file " + path + "...", kLogBlack));
  EXPECT_TRUE(log.Contains("    Found 3 genes or SNPs\n", kLogBlack));
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
  EXPECT_EQ(AnalysisRunning, 0);
}

TEST_F(GeneListTest, ReportsUnknownAndRepeatedNamesAndSkipsComments) {
  const std::string path = WriteFile("list.txt",
                                     "PS2\n"
                                     "[a comment\n"
                                     "$ another\n"
                                     "NotAProbeSet\tx\n"
                                     "my probe set names\n"
                                     "ps2\n"
                                     "PS4\n");
  CapturedLog log;
  EXPECT_EQ(ReadGeneList(nullptr, path, false), 2);
  EXPECT_EQ(Places(), (std::vector<int>{2, 4}));
  EXPECT_TRUE(log.Contains("    Gene 'NotAProbeSet' not found", kLogBlack));
  EXPECT_TRUE(log.ContainsRed("    Gene 'ps2' occured before, ignored"));
  EXPECT_FALSE(log.Contains("[a comment", kLogBlack));
  EXPECT_FALSE(log.Contains("$ another", kLogBlack));
  EXPECT_FALSE(log.Contains("my probe set names", kLogBlack));
  EXPECT_EQ(log.CountInColour(kLogRed), 1);
}

TEST_F(GeneListTest, TreeFilesAndTheEndsOfAList) {
  bool tree = false;
  const std::string treeFile =
      WriteFile("tree.txt", "TREE_FILE\tx\nPS1\nPS2\nSUPER_GENE\t3\nPS5\n");
  EXPECT_EQ(ReadGeneList(&tree, treeFile, true), 2);
  EXPECT_TRUE(tree);
  EXPECT_EQ(GeneList.headerText, "TREE_FILE\tx");
  EXPECT_EQ(Places(), (std::vector<int>{1, 2}));

  const std::string gap = WriteFile("gap.txt", "PS1\n\nPS2\n");
  EXPECT_EQ(ReadGeneList(&tree, gap, false), 1);
  EXPECT_FALSE(tree);
  EXPECT_EQ(Flagged(), (std::vector<int>{1}));  // the earlier read's flags are gone

  const std::string empty = WriteFile("empty.txt", "\nPS1\n");
  EXPECT_EQ(ReadGeneList(nullptr, empty, false), 0);
  EXPECT_TRUE(Flagged().empty());
}

TEST_F(GeneListTest, TakesTheGroupsListFileWhenNoPathIsGiven) {
  TheGroup().Settings().GENE_LIST_FILE = WriteFile("current.txt", "PS9\nPS0\n");
  EXPECT_EQ(ReadGeneList(nullptr, "", false), 2);
  EXPECT_EQ(Places(), (std::vector<int>{9, 0}));
}

TEST_F(GeneListTest, FailsOnMissingFilesAndStops) {
  CapturedLog log;
  const std::string missing = mFolder.File("missing.txt");
  EXPECT_EQ(ReadGeneList(nullptr, missing, false), -1);
  EXPECT_TRUE(log.ContainsRed("  Reading gene list file " + missing +
                              " failed (No such file or directory)\n"));

  // The title line pumps messages, which is when the stop request arrives.
  const std::string path = WriteFile("list.txt", "Probe set\nPS1\nPS2\n");
  SetPumpHook([] { AnalysisRunning = 0; });
  log.Clear();
  EXPECT_EQ(ReadGeneList(nullptr, path, false), -1);
  EXPECT_TRUE(log.ContainsRed(kUserStopMessage));
  SetPumpHook({});
}

TEST_F(GeneListTest, MasksLaterProbeSetsOfOneLocusLink) {
  TheGroup().Settings().MASK_REDUNDANT = 1;
  const std::string path = WriteFile("list.txt", "PS5\nPS2\nPS8\nPS3\nPS6\n");
  CapturedLog log;
  // Without gene information nothing is masked, and the user is told.
  EXPECT_EQ(ReadGeneList(nullptr, path, false), 5);
  EXPECT_TRUE(log.ContainsRed(kNoGeneInfoForMaskingMessage));

  UseLocusLinks({{5, "1234"}, {2, "77"}, {8, "1234"}, {3, ""}, {6, "77"}});
  log.Clear();
  EXPECT_EQ(ReadGeneList(nullptr, path, false), 3);
  EXPECT_EQ(GeneList.length, 5);
  EXPECT_EQ(GeneList.NumInteresting, 3);
  EXPECT_EQ(Places(), (std::vector<int>{5, 2, -1, 3, -1}));
  EXPECT_EQ(Flagged(), (std::vector<int>{2, 3, 5}));
  EXPECT_TRUE(log.Contains("      PS8 is the same as PS5 [LocusLink 1234], excluded", kLogBlack));
  EXPECT_TRUE(log.Contains("      PS6 is the same as PS2 [LocusLink 77], excluded", kLogBlack));
  EXPECT_TRUE(log.Contains("      2 redundant probe sets excluded; 3 left\n", kLogBlack));
}

TEST_F(GeneListTest, SelectsAllListedOrAllButListedGenes) {
  const std::string path = WriteFile("list.txt", "PS1\nPS4\nPS6\n");
  EXPECT_EQ(InputGeneListUse("None", 1), GeneListUse::kAllGenes);
  EXPECT_EQ(InputGeneListUse("None " + path, 0), GeneListUse::kAllGenes);
  EXPECT_EQ(InputGeneListUse(path, 1), GeneListUse::kListed);
  EXPECT_EQ(InputGeneListUse(path, 0), GeneListUse::kAllButListed);

  InputGenes genes = SelectInputGenes("None " + path, 1);
  EXPECT_TRUE(genes.allGenes);
  EXPECT_EQ(genes.count, kUnits);
  EXPECT_EQ(Flagged().size(), static_cast<std::size_t>(kUnits));

  genes = SelectInputGenes(path, 1);
  EXPECT_FALSE(genes.allGenes);
  EXPECT_EQ(genes.count, 3);
  EXPECT_EQ(Flagged(), (std::vector<int>{1, 4, 6}));

  genes = SelectInputGenes(path, 0);
  EXPECT_FALSE(genes.allGenes);
  EXPECT_EQ(genes.count, 7);
  EXPECT_EQ(Flagged(), (std::vector<int>{0, 2, 3, 5, 7, 8, 9}));
}

TEST_F(GeneListTest, FallsBackToAllGenesWhenTheListGivesNothing) {
  // A list naming every probe set leaves nothing to the "all but" state.
  std::string every;
  for (int i = 0; i < kUnits; ++i) every += "PS" + std::to_string(i) + "\n";
  const std::string full = WriteFile("full.txt", every);
  InputGenes genes = SelectInputGenes(full, 0);
  EXPECT_TRUE(genes.allGenes);
  EXPECT_EQ(Flagged().size(), static_cast<std::size_t>(kUnits));

  CapturedLog log;
  const std::string missing = mFolder.File("missing.txt");
  for (int use : {0, 1}) {
    ASSERT_EQ(ReadGeneList(nullptr, WriteFile("two.txt", "PS1\nPS2\n"), false), 2);
    genes = SelectInputGenes(missing, use);
    EXPECT_TRUE(genes.allGenes) << use;
    EXPECT_EQ(genes.count, kUnits) << use;
    EXPECT_EQ(Flagged().size(), static_cast<std::size_t>(kUnits)) << use;
  }
  EXPECT_TRUE(log.ContainsRed("  Reading gene list file " + missing +
                              " failed (No such file or directory)\n"));
}

void WriteName(Group&, std::ostream& out, int unit) {
  out << Layout.units[static_cast<std::size_t>(unit)].name << '\n';
}

TEST_F(GeneListTest, ExportsListedProbeSetsInFileOrder) {
  TheGroup().Settings().GENE_LIST_FILE =
      WriteFile("list.txt", "Probe set\tGene\nPS4\tfour\nNope\nPS2 \t two\n[comment\nPS4\n\nPS7\n");
  CapturedLog log;
  std::ostringstream out;
  AnalysisRunning = 1;
  ASSERT_TRUE(ForEachListedGene(out, WriteName));
  // Repeats are written again; the empty line ends the list.
  EXPECT_EQ(out.str(), "PS4\nPS2\nPS4\n");
  EXPECT_TRUE(log.Contains("    Gene 'Nope' not found", kLogBlack));
  EXPECT_FALSE(log.Contains("'Probe set", kLogBlack));
  EXPECT_FALSE(log.Contains("[comment", kLogBlack));
  ASSERT_FALSE(log.Lines().empty());
  EXPECT_EQ(log.Lines().back().text, "    Gene 3");
  EXPECT_TRUE(log.Lines().back().replaceLastLine);
}

TEST_F(GeneListTest, ExportsBySecondColumnNamesWhenAsked) {
  GeneList.SecondColumnNames = true;
  TheGroup().Settings().GENE_LIST_FILE = WriteFile("list.txt", "a\tPS3\textra\nb\tPS1\n");
  std::ostringstream out;
  AnalysisRunning = 1;
  ASSERT_TRUE(ForEachListedGene(out, WriteName));
  EXPECT_EQ(out.str(), "PS3\nPS1\n");

  TheGroup().Settings().GENE_LIST_FILE = WriteFile("bad.txt", "a\tPS3\nPS1\n");
  CapturedLog log;
  std::ostringstream partial;
  EXPECT_FALSE(ForEachListedGene(partial, WriteName));
  EXPECT_TRUE(log.ContainsRed(kNoSecondColumnMessage));
  EXPECT_EQ(partial.str(), "PS3\n");
}

TEST_F(GeneListTest, ExportsEveryProbeSetWithoutAUsableList) {
  AnalysisRunning = 1;
  std::string all;
  for (int i = 0; i < kUnits; ++i) all += "PS" + std::to_string(i) + "\n";
  for (const std::string setting : {"None", "None /somewhere/list.txt"}) {
    TheGroup().Settings().GENE_LIST_FILE = setting;
    std::ostringstream out;
    ASSERT_TRUE(ForEachListedGene(out, WriteName));
    EXPECT_EQ(out.str(), all);
  }
  const std::string missing = mFolder.File("missing.txt");
  TheGroup().Settings().GENE_LIST_FILE = missing;
  CapturedLog log;
  std::ostringstream out;
  ASSERT_TRUE(ForEachListedGene(out, WriteName));
  EXPECT_EQ(out.str(), all);
  EXPECT_TRUE(log.ContainsRed("  Reading gene list file " + missing + " failed, output all genes"));
  EXPECT_EQ(log.Lines().back().text, "    Gene 10");
}

TEST_F(GeneListTest, ExportStopsEveryHundredProbeSetsWhenAsked) {
  Layout.units.resize(250);
  for (int i = 0; i < 250; ++i)
    Layout.units[static_cast<std::size_t>(i)].SetName("PS" + std::to_string(i));
  Layout.unitCount = 250;
  TheGroup().Settings().GENE_LIST_FILE = "None";
  AnalysisRunning = 1;
  int written = 0;
  CapturedLog log;
  std::ostringstream out;
  const bool finished = ForEachListedGene(out, [&written](Group&, std::ostream&, int) {
    if (++written == 150) AnalysisRunning = 0;
  });
  EXPECT_FALSE(finished);
  EXPECT_EQ(written, 200);
  EXPECT_TRUE(log.ContainsRed(kUserStopMessage));
}

TEST_F(GeneListTest, ReservesEntriesForAtLeastEveryProbeSet) {
  GeneList.entries[3].listed = 1;
  EXPECT_TRUE(ReserveGeneListEntries(kUnits - 1));
  EXPECT_TRUE(GeneList.Listed(3));  // untouched
  EXPECT_TRUE(ReserveGeneListEntries(kUnits + 5));
  EXPECT_EQ(GeneList.entries.size(), static_cast<std::size_t>(kUnits + 5));
  EXPECT_FALSE(GeneList.Listed(3));
}

TEST_F(GeneListTest, CompactingClosesMaskedPlacesAndKeepsFlags) {
  TheGroup().Settings().MASK_REDUNDANT = 1;
  UseLocusLinks({{5, "1"}, {2, "2"}, {8, "1"}, {3, "3"}, {6, "2"}});
  ASSERT_EQ(ReadGeneList(nullptr, WriteFile("list.txt", "PS5\nPS2\nPS8\nPS3\nPS6\n"), false), 3);
  CapturedLog log;
  CompactGeneList();
  EXPECT_EQ(Places(), (std::vector<int>{5, 2, 3}));
  EXPECT_EQ(Flagged(), (std::vector<int>{2, 3, 5}));
  EXPECT_FALSE(log.ContainsRed(kCompactCountMessage));

  // A list whose count of interesting genes went out of step is reported.
  GeneList.NumInteresting = 2;
  CompactGeneList();
  EXPECT_TRUE(log.ContainsRed(kCompactCountMessage));
  EXPECT_EQ(GeneList.length, 3);
}

TEST_F(GeneListTest, DamagedListsNeverListAProbeSetTwice) {
  const std::string text = "Probe set\tGene\nPS1\ta\nPS2\tb\nps1\tc\n[x\nPS9\td\nSUPER_GENE\nPS3\n";
  std::string damaged = text;
  for (std::size_t at = 0; at < damaged.size(); ++at) {
    damaged[at] = static_cast<char>(damaged[at] ^ 0x21);
    CapturedLog quiet;
    ASSERT_TRUE(FuzzReadGeneList(reinterpret_cast<const std::uint8_t*>(damaged.data()), at));
    const std::vector<int> places = Places();
    EXPECT_EQ(static_cast<int>(places.size()), GeneList.NumInteresting) << at;
    EXPECT_EQ(places.size(), Flagged().size()) << at;
  }
}

}  // namespace
