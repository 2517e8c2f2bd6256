// Find Gene and Find Next on generated gene information: the dialog filled and confirmed
// with real key and mouse events, and the result checked against a search of the truth.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "genes/info/gene_info.hpp"
#include "shell/dialogs/find/find_gene.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/shell_test.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

constexpr int kProbeSets = 80;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

class FindGeneTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    std::vector<std::string> probeSets;
    for (int i = 0; i < kProbeSets; ++i) probeSets.push_back("PS" + std::to_string(i));
    Layout.units.resize(probeSets.size());
    for (std::size_t i = 0; i < probeSets.size(); ++i) Layout.units[i].SetName(probeSets[i]);
    Layout.unitCount = kProbeSets;
    synth::GeneInfoOptions options;
    options.seed = 9;
    options.termColumns = 0;
    mTruth = synth::MakeGeneInfo(probeSets, options);
    ASSERT_TRUE(synth::WriteGeneInfo(mTruth, File("genes.txt")));
    AnalysisRunning = 1;  // the reader stops as soon as it finds the flag clear
    ASSERT_TRUE(ReadGeneInfoFile(File("genes.txt"), true));
    AnalysisRunning = 0;
    KeywordSearchStart = 0;
    UnitSearchStart = 0;
  }
  void TearDown() override {
    ClearGeneInformation();
    ClearLayout();
    ShellTest::TearDown();
  }

  // The truth's answer to a keyword search without wildcards from start on, round once.
  int ExpectedKeywordHit(const std::string& keyword, int start) const {
    const std::string pattern = Upper(keyword);
    for (int step = 0; step < kProbeSets; ++step) {
      const synth::GeneRecord& gene =
          mTruth.genes[static_cast<std::size_t>((start + step) % kProbeSets)];
      if (Upper(gene.name).find(pattern) != std::string::npos ||
          Upper(gene.description).find(pattern) != std::string::npos)
        return (start + step) % kProbeSets;
    }
    return -1;
  }

  // A gene name that is no part of any other gene's name or description.
  std::optional<int> UnitWithUniqueName(int after) const {
    for (int unit = after; unit < kProbeSets; ++unit) {
      const std::string& name = mTruth.genes[static_cast<std::size_t>(unit)].name;
      if (name.size() < 3 || name.find_first_of("*?[!") != std::string::npos) continue;
      if (ExpectedKeywordHit(name, unit + 1) == unit) return unit;
    }
    return std::nullopt;
  }

  // Runs Find Gene with the current probe set, typing the given fields and pressing OK
  // (or Cancel).
  int Find(int current, std::optional<std::string> number, std::optional<std::string> name,
           std::optional<std::string> keywords, bool ok = true) {
    TheGroup().Settings().CUR_UNIT = current;
    prompts.dialogAnswer = [&](QDialog& dialog) {
      EXPECT_EQ(dialog.windowTitle().toStdString(), "Find probe set or gene");
      if (number)
        compare_events::Type(*Control<QLineEdit>(dialog, ids::kFindProbeSetNumber),
                             number->c_str());
      if (name)
        compare_events::Type(*Control<QLineEdit>(dialog, ids::kFindProbeSetName), name->c_str());
      if (keywords)
        compare_events::Type(*Control<QLineEdit>(dialog, ids::kFindGeneKeywords),
                             keywords->c_str());
      auto* buttons = dialog.findChild<QDialogButtonBox*>();
      compare_events::Click(*buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel));
      return dialog.result();
    };
    return FindGene(nullptr);
  }

  synth::GeneInfoTruth mTruth;
};

TEST_F(FindGeneTest, TheFirstChangedFieldWinsAndFailuresKeepNothing) {
  const std::optional<int> named = UnitWithUniqueName(10);
  ASSERT_TRUE(named.has_value());
  const std::string keyword = mTruth.genes[static_cast<std::size_t>(*named)].name;

  // The dialog is pre-filled from the current probe set; unchanged, it gives it back.
  TheGroup().Settings().CUR_UNIT = 4;
  prompts.dialogAnswer = [&](QDialog& dialog) {
    EXPECT_EQ(Control<QLineEdit>(dialog, ids::kFindProbeSetName)->text().toStdString(), "PS4");
    EXPECT_EQ(Control<QLineEdit>(dialog, ids::kFindProbeSetNumber)->text().toStdString(), "4");
    EXPECT_EQ(Control<QLineEdit>(dialog, ids::kFindGeneKeywords)->text().toStdString(),
              mTruth.genes[4].name.substr(0, kFindKeywordPrefill));
    // The picture people look at: the name typed into its field is drawn there.
    dialog.resize(dialog.sizeHint());
    dialog.show();
    QApplication::processEvents();
    EXPECT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
    const QImage picture = dialog.grab().toImage();
    EXPECT_TRUE(picture.save(QStringLiteral(ZELKO_SCREENSHOT_DIR "/find_gene_dialog.png")));
    QWidget* name = Control<QLineEdit>(dialog, ids::kFindProbeSetName);
    const QRect area(name->mapTo(&dialog, QPoint(0, 0)) * dialog.devicePixelRatio(),
                     name->size() * dialog.devicePixelRatio());
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) dark += qGray(picture.pixel(x, y)) < 100;
    EXPECT_GT(dark, 10);
    dialog.accept();
    return dialog.result();
  };
  EXPECT_EQ(FindGene(nullptr), 4);
  EXPECT_EQ(Find(4, std::nullopt, std::nullopt, std::nullopt, false), 4) << "Cancel";

  // Keywords before name before number.
  EXPECT_EQ(Find(4, "7", "ps77", keyword), *named);
  EXPECT_EQ(Find(4, "7", "ps77", std::nullopt), 77) << "a name is found as a prefix in any case";
  // The name left as filled in is not searched, though as a prefix it matches PS40.
  EXPECT_EQ(Find(4, "7", std::nullopt, std::nullopt), 7);
  // A keyword that finds only the current probe set falls through to the fields left as
  // they were, which find the current probe set again.
  KeywordSearchStart = 0;
  EXPECT_EQ(Find(*named, std::nullopt, std::nullopt, keyword), *named);
  EXPECT_TRUE(prompts.Messages().empty());

  // A failed search gives -1 after its message; the view keeps its probe set.
  EXPECT_EQ(Find(4, std::nullopt, "NOSUCH", std::nullopt), -1);
  EXPECT_EQ(Find(4, std::nullopt, std::nullopt, "qqqzzz"), -1);
  EXPECT_EQ(prompts.Messages(),
            (std::vector<std::string>{"Cannot find the probe set NOSUCH",
                                      "Cannot find a gene with keyword qqqzzz"}));
  EXPECT_EQ(TheGroup().Settings().CUR_UNIT, 4);
  // The failed keyword is the one Find Next repeats.
  EXPECT_EQ(FindNextGene(), -1);
  EXPECT_EQ(prompts.Messages().back(), "Cannot find another gene with keyword \"qqqzzz\"");
}

TEST_F(FindGeneTest, FindNextWalksTheMatchesRoundOnce) {
  // A short word many genes share: every Find Next gives the truth's next match after
  // the last hit, and the current probe set is never given back.
  std::string word;
  for (const auto& gene : mTruth.genes)
    if (gene.name.size() >= 2 && gene.name.find_first_of("*?[!") == std::string::npos) {
      word = gene.name.substr(0, 2);
      break;
    }
  ASSERT_FALSE(word.empty());
  const int first = Find(-1, std::nullopt, std::nullopt, word);
  ASSERT_EQ(first, ExpectedKeywordHit(word, 0));
  int current = first;
  int hits = 1;
  for (int step = 0; step < kProbeSets; ++step) {
    TheGroup().Settings().CUR_UNIT = current;
    const int expected = ExpectedKeywordHit(word, current + 1);
    const int next = FindNextGene();
    if (expected == current) {
      EXPECT_EQ(next, -1);  // the only match is the current probe set
      break;
    }
    ASSERT_EQ(next, expected) << "after " << current;
    current = next;
    ++hits;
  }
  EXPECT_GT(hits, 1);
}

}  // namespace
