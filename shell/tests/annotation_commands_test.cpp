// The Tools commands over the gene information, on generated genes with two term columns
// (the second backed by an annotation index file): the dialogs driven with real clicks
// and keys, their refusals and proposed file names, and each command run from the menu
// with the written files checked against the generator's truth.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/testing/named_units.hpp"
#include "genes/annotation/annotation_gene_lists.hpp"
#include "genes/info/gene_info.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/annotation/classify_genes_dialog.hpp"
#include "shell/dialogs/annotation/keyword_gene_list_dialog.hpp"
#include "shell/dialogs/annotation/term_gene_list_dialog.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/output_files.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

using compare_events::Click;
using compare_events::Type;

constexpr int kProbeSets = 120;
constexpr const char* kSlashTerm = "cell/cycle\\G1 phase";
constexpr const char* kBracketTerm = "kinase [EC 2.7]";

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// On its round box: the rest of the row is not part of the button.
void ClickRadio(QRadioButton* radio) {
  QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(radio->height() / 2, radio->height() / 2));
}

void ClickOk(QDialog& dialog) {
  Click(*dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
}

// The row of the list whose term is named name ("name[count]").
int RowOf(QListWidget& list, const std::string& name) {
  for (int row = 0; row < list.count(); ++row)
    if (list.item(row)->text().toStdString().rfind(name + "[", 0) == 0) return row;
  ADD_FAILURE() << name;
  return 0;
}

void ClickTerm(QListWidget& list, const std::string& name) {
  const int row = RowOf(list, name);
  list.scrollToItem(list.item(row));
  compare_events::ClickRow(list, row);
}

class AnnotationCommandsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    TheGroup().SetName("liver");
    TheGroup().Settings().WORKING_DIR = Folder();
    testing_units::UseUnitNames(testing_units::NumberedNames("PS", kProbeSets));
    synth::GeneInfoOptions options;
    options.seed = 35;
    options.termColumns = 2;
    options.vocabulary = 150;
    options.indexBacked = {false, true};
    truth = synth::MakeGeneInfo(testing_units::NumberedNames("PS", kProbeSets), options);
    // Names with path separators and a bracket, on three terms one gene shares.
    for (const synth::GeneRecord& gene : truth.genes)
      if (gene.terms[0].size() >= 3) {
        shared = gene.terms[0][2];
        Rename(gene.terms[0][0], kSlashTerm);
        Rename(gene.terms[0][1], kBracketTerm);
        break;
      }
    ASSERT_FALSE(shared.empty());
    ASSERT_TRUE(synth::WriteGeneInfo(truth, File("genes.txt")));
    AnalysisRunning = 1;
    ASSERT_TRUE(ReadGeneInfoFile(File("genes.txt"), true));
    AnalysisRunning = 0;
    RememberedTermGeneList() = {};
  }
  void TearDown() override {
    ClearGeneInformation();
    ShellTest::TearDown();
    Layout = CDF_LAYOUT{};
  }

  void Rename(std::string from, const std::string& to) {
    for (synth::GeneRecord& gene : truth.genes)
      std::replace(gene.terms[0].begin(), gene.terms[0].end(), from, to);
  }
  // The term's name as the gene information shows it (index files name the numbers).
  std::string NameOf(std::size_t column, const std::string& written) const {
    for (const synth::IndexTerm& term : truth.indexTerms[column])
      if (std::to_string(term.number) == written) return term.name;
    return written;
  }
  bool Carries(int unit, std::size_t column, const std::string& name) const {
    for (const std::string& term : truth.genes[static_cast<std::size_t>(unit)].terms[column])
      if (NameOf(column, term) == name) return true;
    return false;
  }
  // The list's texts of a column as the truth has them: every carried term and its count.
  std::set<std::string> TermTexts(std::size_t column) const {
    std::map<std::string, int> counts;
    for (const synth::GeneRecord& gene : truth.genes)
      for (const std::string& term : gene.terms[column]) ++counts[NameOf(column, term)];
    std::set<std::string> texts;
    for (const auto& [name, count] : counts) texts.insert(name + "[" + std::to_string(count) + "]");
    return texts;
  }
  // A gene list line: the probe set and the gene's name, or its description when it has
  // no name.
  std::string NamedLine(int unit) const {
    const synth::GeneRecord& gene = truth.genes[static_cast<std::size_t>(unit)];
    return gene.probeSet + "\t" + (gene.name.empty() ? gene.description : gene.name);
  }
  std::string Messages(std::size_t from = 0) const {
    std::string texts;
    for (std::size_t i = from; i < prompts.prompts.size(); ++i)
      if (prompts.prompts[i].kind == RecordedPrompt::Kind::kMessage)
        texts += prompts.prompts[i].text + "|";
    return texts;
  }
  std::string Proposed(const std::string& word) const {
    return platform::JoinPath(Folder(), word + " gene list.txt");
  }

  synth::GeneInfoTruth truth;
  std::string shared;  // a third term of the gene carrying the two renamed ones
  WindowEventPump mPump;
};

TEST_F(AnnotationCommandsTest, TermDialogRefusesWhatItCannotListAndRemembersWhatItDid) {
  const std::string noTerm = MessageBuffer(kNoTermMessage, kMaxChosenTerms);
  prompts.dialogAnswer = [&](QDialog& dialog) {
    dialog.show();
    auto& categories = *Control<QListWidget>(dialog, TermGeneListDialog::kCategoryList);
    auto& terms = *Control<QListWidget>(dialog, TermGeneListDialog::kTermList);
    auto& output = *Control<QLineEdit>(dialog, TermGeneListDialog::kOutputFile);
    EXPECT_EQ(categories.count(), 2);
    EXPECT_EQ(categories.currentRow(), -1);
    ClickOk(dialog);
    compare_events::ClickRow(categories, 0);
    ClickOk(dialog);
    EXPECT_EQ(Messages(), std::string(kNoCategoryMessage) + "|" + noTerm + "|");

    // One term names the file, less its separators; several make it "custom".
    EXPECT_EQ(output.text().toStdString(), Proposed("empty"));
    ClickTerm(terms, kSlashTerm);
    EXPECT_EQ(output.text().toStdString(), Proposed("cellcycleG1 phase"));
    ClickTerm(terms, shared);
    EXPECT_EQ(output.text().toStdString(), Proposed("custom"));
    ClickTerm(terms, kSlashTerm);
    EXPECT_EQ(output.text().toStdString(), Proposed(shared));
    ClickTerm(terms, shared);

    // The name is the text up to its first '[', which this term's own name holds.
    ClickTerm(terms, kBracketTerm);
    const std::size_t before = prompts.prompts.size();
    ClickOk(dialog);
    EXPECT_EQ(Messages(before), std::string("kinase ") + kTermNotFoundSuffix + "|");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(RememberedTermGeneList().column, -1) << "a refusal remembers nothing";

    // The index-backed column lists its terms by name, looked up by name.
    compare_events::ClickRow(categories, 1);
    std::set<std::string> shown;
    for (int row = 0; row < terms.count(); ++row)
      shown.insert(terms.item(row)->text().toStdString());
    EXPECT_EQ(shown, TermTexts(1));
    EXPECT_TRUE(terms.selectedItems().isEmpty());
    EXPECT_GT(terms.count(), kMaxChosenTerms);
    terms.setFocus();
    QTest::keyClick(&terms, Qt::Key_A, Qt::ControlModifier);
    ClickOk(dialog);
    EXPECT_EQ(prompts.prompts.back().text, noTerm) << "more than the limit";
    terms.clearSelection();
    for (int row = 0; row < kMaxChosenTerms; ++row) {
      terms.scrollToItem(terms.item(row));
      compare_events::ClickRow(terms, row);
    }
    ClickRadio(Control<QRadioButton>(dialog, TermGeneListDialog::kIntersection));
    Click(*Control<QCheckBox>(dialog, TermGeneListDialog::kFilterAfter));
    ClickOk(dialog);
    return dialog.result();
  };
  {
    TermGeneListDialog dialog(nullptr);
    ASSERT_EQ(Prompts().RunDialog(dialog), QDialog::Accepted);
    EXPECT_EQ(dialog.OutputFile(), Proposed("custom"));
  }
  const TermGeneListChoice& choice = RememberedTermGeneList();
  EXPECT_EQ(choice.column, 1);
  ASSERT_EQ(choice.terms.size(), static_cast<std::size_t>(kMaxChosenTerms));
  EXPECT_TRUE(choice.intersection && choice.filterAfter);

  // The next opening shows the same choice.
  TermGeneListDialog again(nullptr);
  auto& terms = *Control<QListWidget>(again, TermGeneListDialog::kTermList);
  EXPECT_EQ(Control<QListWidget>(again, TermGeneListDialog::kCategoryList)->currentRow(), 1);
  ASSERT_EQ(terms.selectedItems().size(), kMaxChosenTerms);
  for (int row = 0; row < kMaxChosenTerms; ++row) EXPECT_TRUE(terms.item(row)->isSelected());
  EXPECT_TRUE(Control<QRadioButton>(again, TermGeneListDialog::kIntersection)->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(again, TermGeneListDialog::kFilterAfter)->isChecked());
  CheckScreenshot(again, "term_gene_list_dialog.png", QStringLiteral("Output file"));
}

TEST_F(AnnotationCommandsTest, MenuFollowsTheGeneInformationAndKeywordsExportMatchingGenes) {
  CMainFrame& frame = OpenFrame();
  const std::vector<int> commands = {ids::kGeneListByAnnotation, ids::kGeneListByKeywords,
                                     ids::kClassifyGenes, ids::kMoreGeneInformation};
  // Loaded with term columns; running (only the term list waits); nothing loaded.
  for (const auto& [running, loaded, enabled] :
       std::vector<std::tuple<int, bool, std::vector<bool>>>{
           {0, true, {true, true, true, true}},
           {1, true, {false, true, true, true}},
           {0, false, {false, false, false, false}}}) {
    AnalysisRunning = static_cast<std::uint8_t>(running);
    if (!loaded) ClearGeneInformation();
    frame.UpdateCommandUi();
    for (std::size_t i = 0; i < commands.size(); ++i)
      EXPECT_EQ(frame.Action(commands[i])->isEnabled(), enabled[i]) << commands[i] << running;
  }
  AnalysisRunning = 1;  // the reader goes on while it is set
  ASSERT_TRUE(ReadGeneInfoFile(File("genes.txt"), true));
  AnalysisRunning = 0;
  frame.UpdateCommandUi();

  // Wildcards stay out of the proposed name; empty keywords are refused after the dialog.
  std::string typed;
  prompts.dialogAnswer = [&](QDialog& dialog) {
    dialog.show();
    auto& keywords = *Control<QLineEdit>(dialog, KeywordGeneListDialog::kKeywords);
    Type(keywords, "rec?ep*tor [1-9]");
    EXPECT_EQ(Control<QLineEdit>(dialog, KeywordGeneListDialog::kOutputFile)->text().toStdString(),
              Proposed("receptor [1-9]"));
    Type(keywords, typed.c_str());
    if (typed.empty()) QTest::keyClick(&keywords, Qt::Key_Backspace);
    ClickOk(dialog);
    return dialog.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kGeneListByKeywords));
  EXPECT_EQ(Messages(), std::string(kNoKeywordMessage) + "|");

  TheGroup().Settings().LOCUS_LINK_NAME = 0;
  typed = "gene1";
  ASSERT_TRUE(frame.OnCommand(ids::kGeneListByKeywords));
  std::vector<std::string> expected;
  for (const synth::GeneRecord& gene : truth.genes)
    if (UpperCase(gene.name).find("GENE1") != std::string::npos ||
        UpperCase(gene.description).find("GENE1") != std::string::npos)
      expected.push_back(gene.probeSet + "\t" + gene.description);
  ASSERT_GT(expected.size(), 3u);
  const std::string list = Proposed("gene1");
  EXPECT_EQ(FileLines(list), expected);
  EXPECT_EQ(
      prompts.prompts.back().text.rfind(std::to_string(expected.size()) + " genes matching", 0),
      0u);
  EXPECT_EQ(prompts.prompts.back().caption, kExportGeneListCaption);
  KeywordGeneListDialog shot(nullptr);
  CheckScreenshot(shot, "keyword_gene_list_dialog.png", QStringLiteral("Keywords:"));
}

// Expression rising with the probe set, so that the filter keeps the probe sets from
// kFirstExpressed on; a union and an intersection of two terms, each filtered on.
TEST_F(AnnotationCommandsTest, TermListsGoOnIntoGeneFiltering) {
  constexpr int kFirstExpressed = 10;
  for (int a = 0; a < 4; ++a) {
    ArraySlot& slot = TheGroup().NextArraySlot();
    slot = ArraySlot{};
    slot.name = "A" + std::to_string(a + 1);
    for (int unit = 0; unit < kProbeSets; ++unit)
      slot.values.push_back({100.0f + 10.0f * static_cast<float>(unit), 1.0f, 0});
    ASSERT_TRUE(TheGroup().CountArray());
  }
  TheGroup().Modelled = true;
  TheGroup().HasStdErrors = true;
  GroupSettings& s = TheGroup().Settings();
  s.USE_CV_FILTER = s.USE_CALL_FILTER = s.USE_REP_FILTER = 0;
  s.USE_EXPR_FILTER = 1;
  s.EXPR_FILTER_VALUE = 100.0 + 10.0 * kFirstExpressed - 5.0;
  s.EXPR_FILTER_PCT = 100;
  s.OMIT_VOSK = s.MASK_REDUNDANT = s.USE_STD_SEP = 0;
  s.ARRAY_LIST_FILE = "";
  SampleGrouping.SetDefaultGrouping();
  CMainFrame& frame = OpenFrame();

  const std::string output = Proposed("custom");
  const std::string filtered = ChangeExtension(output, " filtered.xls");
  for (const bool intersection : {false, true}) {
    SCOPED_TRACE(intersection);
    prompts.dialogAnswer = [&](QDialog& dialog) {
      dialog.show();
      auto& terms = *Control<QListWidget>(dialog, TermGeneListDialog::kTermList);
      // The second opening brings the first one's choice back.
      if (!intersection) {
        compare_events::ClickRow(*Control<QListWidget>(dialog, TermGeneListDialog::kCategoryList),
                                 0);
        ClickTerm(terms, kSlashTerm);
        ClickTerm(terms, shared);
        Click(*Control<QCheckBox>(dialog, TermGeneListDialog::kFilterAfter));
      }
      EXPECT_EQ(terms.selectedItems().size(), 2);
      ClickRadio(Control<QRadioButton>(
          dialog, intersection ? TermGeneListDialog::kIntersection : TermGeneListDialog::kUnion));
      ClickOk(dialog);
      return dialog.result();
    };
    const std::size_t before = LogLines().size();
    ASSERT_TRUE(frame.OnCommand(ids::kGeneListByAnnotation));

    std::vector<std::string> expected;
    std::vector<bool> kept;
    for (int unit = 0; unit < kProbeSets; ++unit) {
      const bool a = Carries(unit, 0, kSlashTerm), b = Carries(unit, 0, shared);
      const bool listed = intersection ? a && b : a || b;
      if (listed) expected.push_back(NamedLine(unit));
      kept.push_back(listed && unit >= kFirstExpressed);
    }
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(FileLines(output), expected);
    EXPECT_EQ(s.FILTER_INPUT_LIST, output);
    EXPECT_EQ(s.FILTER_INPUT_USE, 1);
    EXPECT_EQ(s.FILTER_OUTPUT_LIST, filtered);
    for (int unit = 0; unit < kProbeSets; ++unit)
      EXPECT_EQ(GeneList.Listed(unit), kept[static_cast<std::size_t>(unit)]) << unit;
    const std::vector<std::string>& files = OutputFiles().paths;
    EXPECT_EQ(std::count(files.begin(), files.end(), output), 1);
    EXPECT_EQ(std::count(files.begin(), files.end(), filtered), 1);
    const std::vector<std::string> lines = LogLines();
    ASSERT_GT(lines.size(), before + 2);
    EXPECT_EQ(lines[before], kGeneListByTermsStart);
    EXPECT_NE(std::find(lines.begin() + static_cast<long>(before), lines.end(), "{Filter genes"),
              lines.end());
    EXPECT_EQ(lines[lines.size() - 2], "Finished}");
    EXPECT_EQ(ReadGeneList(nullptr, filtered, false),
              static_cast<int>(std::count(kept.begin(), kept.end(), true)));
  }
  EXPECT_EQ(AnalysisRunning, 0);
}

TEST_F(AnnotationCommandsTest, ClassifyGenesAndMoreGeneInformationFromTheMenu) {
  CMainFrame& frame = OpenFrame();
  GroupSettings& settings = TheGroup().Settings();
  settings.GENE_LIST_FILE = "None";
  settings.INSERT_FILE = 0;
  settings.OPTION_PAGE = kChromosomeOptionsPageIndex;
  constexpr int kListed = 30;
  std::string text = "Probe set\tnote\n";
  for (int unit = 0; unit < kListed; ++unit)
    text += "PS" + std::to_string(unit) + "\tline " + std::to_string(unit) + "\n";
  const std::string list = File("liver genes.txt");
  std::ofstream(list, std::ios::binary) << text;
  const std::string output = ChangeExtension(list, " classified.xls");

  std::vector<std::string> shownDialogs;
  prompts.dialogAnswer = [&](QDialog& dialog) {
    shownDialogs.push_back(dialog.objectName().toStdString());
    if (dialog.objectName() != ControlName(ClassifyGenesDialog::kDialogId))
      return static_cast<int>(QDialog::Rejected);
    dialog.show();
    if (IsNone(settings.GENE_LIST_FILE)) {
      ClickOk(dialog);
      EXPECT_TRUE(dialog.isVisible());
      prompts.fileAnswers.push_back(list);
      Click(*Control<QPushButton>(dialog, ClassifyGenesDialog::kGeneListButton));
      EXPECT_EQ(
          Control<QPushButton>(dialog, ClassifyGenesDialog::kOutputButton)->text().toStdString(),
          output);
      Click(*Control<QPushButton>(dialog, ids::kOptionsButton));
    }
    ClickOk(dialog);
    return dialog.result();
  };
  std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kClassifyGenes));
  EXPECT_EQ(Messages(), std::string(kNoClassifyListMessage) + "|");
  EXPECT_EQ(settings.OPTION_PAGE, kClusteringOptionsPageIndex);
  EXPECT_EQ(shownDialogs.size(), 2u) << "the options sheet from the dialog's button";
  EXPECT_EQ(settings.GENE_LIST_FILE, list);
  std::vector<std::string> lines = LogLines();
  ASSERT_GT(lines.size(), before + 2);
  EXPECT_EQ(lines[before], "{Classify genes using annotational terms ");
  EXPECT_EQ(lines[lines.size() - 3], "  " + output + " exported");
  EXPECT_EQ(lines[lines.size() - 2], "Finished}");
  EXPECT_EQ(std::count(OutputFiles().paths.begin(), OutputFiles().paths.end(), output), 1);
  // Per column, every term a listed gene carries is assessed once.
  const std::vector<std::string> table = FileLines(output);
  ASSERT_FALSE(table.empty());
  EXPECT_EQ(table[0], "Probe set\tnote");
  for (std::size_t column = 0; column < 2; ++column) {
    std::set<std::string> carried;
    for (int unit = 0; unit < kListed; ++unit)
      for (const std::string& term : truth.genes[static_cast<std::size_t>(unit)].terms[column])
        carried.insert(NameOf(column, term));
    const std::string pairs =
        MessageBuffer("%d cluster-%s term pairs assessed for enrichment with p-value < %f",
                      static_cast<int>(carried.size()), GeneInfo.columnNames[column].c_str(),
                      settings.SIG_GENE_PVALUE);
    EXPECT_EQ(std::count(table.begin(), table.end(), pairs), 1) << pairs;
  }
  ClassifyGenesDialog shot(settings, nullptr, nullptr);
  CheckScreenshot(shot, "classify_genes_dialog.png", QStringLiteral("Gene list file"));

  // More Gene Information tops the loaded genes up from the chosen file.
  synth::GeneInfoTruth more = truth;
  more.genes[7].description = "topped up description";
  const std::string moreFile = File("more.xls");
  ASSERT_TRUE(synth::WriteGeneInfo(more, moreFile));
  prompts.fileAnswers.push_back(moreFile);
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kMoreGeneInformation));
  EXPECT_EQ(GeneInfo.Gene(7)->Description, "topped up description");
  EXPECT_EQ(GeneInfo.Gene(8)->Description, truth.genes[8].description);
  lines = LogLines();
  EXPECT_EQ(lines[before], "{Reading additional gene information file ");
  EXPECT_EQ(lines[lines.size() - 2], "Finished}");
  const FileDialogRequest& request = prompts.prompts.back().request;
  EXPECT_TRUE(request.open);
  EXPECT_EQ(request.defaultExtension, "xls");
  EXPECT_EQ(request.filter, kDataFileFilter);
  // Cancelled: the dialog started at the last file, and nothing was logged.
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kMoreGeneInformation));
  EXPECT_EQ(prompts.prompts.back().request.startFile, moreFile);
  EXPECT_EQ(LogLines().size(), before);
}

}  // namespace
