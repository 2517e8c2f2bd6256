// Analysis/LDA Classification driven as a user drives it: samples put into classes in the
// dialog with real clicks, the run in the real R, the result item and view; the dialog's
// refusals, PCA instead, and an R failure that ends the block in red with no result item.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <fstream>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/r_link.hpp"
#include "genes/lda/lda_result.hpp"
#include "shell/dialogs/samples/lda_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "tools/synth/planted_sample_classes.hpp"

namespace {

using Lines = std::vector<std::string>;

class LdaCommandTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    synth::PlantedClassOptions options;
    options.classes = 3;
    options.samplesPerClass = 5;
    options.unknownPerClass = 1;
    options.genes = 6;
    options.seed = 21;
    mTruth = synth::MakePlantedClasses(options);
  }
  void TearDown() override {
    TheLdaResult().FreeMatrices();
    TheLdaResult().pca = false;
    Layout = CDF_LAYOUT{};
    GeneList = GENE_LIST{};
    ShellTest::TearDown();
  }

  void Install(const synth::PlantedClassTruth& truth) {
    synth::InstallPlantedClusterGroup(truth.group);
    TheGroup().SetName("planted");
    GroupSettings& s = TheGroup().Settings();
    s.WORKING_DIR = Folder();
    s.MASK_REDUNDANT = 0;
    s.LDA_FILE.clear();
    mGeneList = File("genes.txt");
    std::ofstream(mGeneList, std::ios::binary) << synth::PlantedGeneListText(truth.group);
  }

  static void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers keys) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                      list->visualItemRect(list->item(row)).center());
  }
  static void Click(QWidget& dialog, int id) {
    auto* button = Control<QPushButton>(dialog, id);
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // On the box itself: the control may be wider than its text.
  static void Tick(QWidget& dialog, int id) {
    auto* box = Control<QCheckBox>(dialog, id);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
  }
  static void ClickOk(QDialog& dialog) {
    auto* box = dialog.findChild<QDialogButtonBox*>();
    QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
  }
  // Clicks the told samples of a class, Ctrl held after the first.
  void SelectClass(QListWidget* samples, int planted) const {
    bool first = true;
    for (int j = 0; j < mTruth.Samples(); ++j) {
      if (mTruth.classOf[j] != planted || !mTruth.told[j]) continue;
      ClickRow(samples, j, first ? Qt::NoModifier : Qt::ControlModifier);
      first = false;
    }
  }
  std::vector<int> SelectedRows(QListWidget* samples) const {
    std::vector<int> rows;
    for (int j = 0; j < samples->count(); ++j)
      if (samples->item(j)->isSelected()) rows.push_back(j);
    return rows;
  }
  std::vector<int> ToldOf(int planted) const {
    std::vector<int> rows;
    for (int j = 0; j < mTruth.Samples(); ++j)
      if (mTruth.classOf[j] == planted && mTruth.told[j]) rows.push_back(j);
    return rows;
  }
  std::vector<std::string> MessagesSince(std::size_t first) const {
    std::vector<std::string> texts;
    for (std::size_t k = first; k < prompts.prompts.size(); ++k)
      if (prompts.prompts[k].kind == RecordedPrompt::Kind::kMessage)
        texts.push_back(prompts.prompts[k].text);
    return texts;
  }

  // The log's lines without the empty ones that closing line breaks leave at the end.
  Lines Log() const {
    Lines lines = LogLines();
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
  }

  synth::PlantedClassTruth mTruth;
  std::string mGeneList;
};

TEST_F(LdaCommandTest, ClassesMadeInTheDialogAreClassifiedInRAndShownAsTheResultItem) {
  Install(mTruth);
  TheGroup().Settings().GENE_LIST_FILE = mGeneList;
  CMainFrame& frame = OpenFrame();
  ASSERT_TRUE(frame.CommandUi(ids::kLdaClassification).enabled);
  ASSERT_TRUE(RConnection().StartR(false)) << "R is installed with the project's packages";

  prompts.dialogAnswer = [this](QDialog& shown) {
    shown.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&shown));
    EXPECT_EQ(shown.windowTitle(), QStringLiteral("Linear Discriminant Analysis"));
    auto* samples = Control<QListWidget>(shown, LdaDialog::kSampleList);
    auto* classes = Control<QTableWidget>(shown, LdaDialog::kClassList);
    EXPECT_EQ(samples->count(), mTruth.Samples());
    EXPECT_EQ(samples->item(0)->text(), QStringLiteral("sample0"));
    const std::size_t before = prompts.prompts.size();
    Click(shown, LdaDialog::kAddClass);    // nothing selected yet
    Click(shown, LdaDialog::kDeleteLast);  // no class yet
    for (int planted = 0; planted < 3; ++planted) {
      SelectClass(samples, planted);
      Click(shown, LdaDialog::kAddClass);
    }
    SelectClass(samples, 1);
    Click(shown, LdaDialog::kAddClass);  // already in a class
    EXPECT_EQ(MessagesSince(before), (Lines{kSelectSamplesFirstMessage, kNoClassToDeleteMessage,
                                            kSamplesHaveClassMessage}));
    Click(shown, LdaDialog::kDeleteLast);
    EXPECT_EQ(classes->rowCount(), 2);
    SelectClass(samples, 2);
    Click(shown, LdaDialog::kAddClass);
    EXPECT_EQ(classes->rowCount(), 3);
    EXPECT_EQ(classes->item(2, 0)->text(), QStringLiteral("3"));
    // A class row brings back its samples in the list.
    samples->clearSelection();
    QTest::mouseClick(classes->viewport(), Qt::LeftButton, Qt::NoModifier,
                      classes->visualItemRect(classes->item(1, 1)).center());
    EXPECT_EQ(SelectedRows(samples), ToldOf(1));
    CheckScreenshot(shown, "lda_dialog.png", QStringLiteral("Add class"));
    shown.show();
    ClickOk(shown);
    return shown.result();
  };
  const std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kLdaClassification));
  const Lines lines = LogLines();
  ASSERT_GT(lines.size(), before);
  EXPECT_EQ(lines[before], "{Sample classification by Linear Discriminant Analysis");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "LDA finished}"), lines.end());
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_LDA)->text(0), QStringLiteral("LDA Classification"));
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_LDA);
  const LDA_RESULT& lda = TheLdaResult();
  ASSERT_EQ(lda.resultRows, mTruth.Samples());
  for (int j = 0; j < mTruth.Samples(); ++j) {
    EXPECT_EQ(lda.ClassOf(j), mTruth.told[j] ? mTruth.classOf[j] : -1) << j;
    EXPECT_EQ(lda.ResultRow(j)[2], mTruth.classOf[j] + 1) << j;
  }
  EXPECT_EQ(TheGroup().Settings().LDA_FILE, File("planted lda result.xls"));

  // Opened again, the dialog shows the classes of the file; Cancel closes the block.
  prompts.dialogAnswer = [this](QDialog& shown) {
    auto* classes = Control<QTableWidget>(shown, LdaDialog::kClassList);
    EXPECT_EQ(classes->rowCount(), 3);
    EXPECT_EQ(FromQString(classes->item(0, 1)->text()), [this] {
      std::string text;
      for (int j : ToldOf(0)) text += (text.empty() ? "" : ",") + std::to_string(j + 1);
      return text;
    }());
    EXPECT_EQ(classes->currentRow(), 2) << "the last class is selected";
    shown.reject();
    return shown.result();
  };
  frame.OnCommand(ids::kLdaClassification);
  EXPECT_EQ(Log().back(), "LDA not completed}");
  EXPECT_FALSE(frame.HasViewItem(VIEW_LDA));
}

TEST_F(LdaCommandTest, RefusalsThenPrincipalComponentsAndAnRFailureInRed) {
  Install(mTruth);
  TheGroup().Settings().GENE_LIST_FILE = "None";
  CMainFrame& frame = OpenFrame();
  prompts.fileAnswers.push_back(mGeneList);
  prompts.dialogAnswer = [this](QDialog& shown) {
    shown.show();
    auto* samples = Control<QListWidget>(shown, LdaDialog::kSampleList);
    const std::size_t before = prompts.prompts.size();
    auto* file = Control<QLineEdit>(shown, LdaDialog::kLdaFile);
    QTest::mouseClick(file, Qt::LeftButton);
    QTest::keyClick(file, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(file, QString::fromStdString(File("other.xls")));
    Click(shown, LdaDialog::kUse);  // no such file yet
    ClickOk(shown);                 // no gene list
    Click(shown, LdaDialog::kGeneListButton);
    for (int planted = 0; planted < 2; ++planted) {
      SelectClass(samples, planted);
      Click(shown, LdaDialog::kAddClass);
    }
    Click(shown, LdaDialog::kDeleteLast);
    ClickOk(shown);  // one class left
    EXPECT_EQ(MessagesSince(before), (Lines{kCannotReadLdaFileMessage, kLdaNeedsGeneListMessage,
                                            kLdaNeedsTwoClassesMessage}));
    EXPECT_TRUE(shown.isVisible()) << "refused, the dialog stays open";
    Tick(shown, LdaDialog::kPca);
    ClickOk(shown);
    return shown.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kLdaClassification));
  EXPECT_EQ(TheGroup().Settings().GENE_LIST_FILE, mGeneList);
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_LDA)->text(0), QStringLiteral("PCA"));
  EXPECT_EQ(TheLdaResult().resultRows, mTruth.Samples());
  EXPECT_EQ(Log().back(), "PCA finished}");
  EXPECT_EQ(TheGroup().Settings().LDA_FILE, File("other.xls"));
  std::ifstream written(File("other.xls"));
  std::string header;
  for (int line = 0; line < 8 && std::getline(written, header);) ++line;
  EXPECT_EQ(header, "Sample\tPC1\tPC2\tClass");

  // A gene constant within the classes: R refuses, the block ends in red, no item.
  synth::PlantedClassTruth constant = mTruth;
  for (double& v : constant.group.values[1]) v = 3.0;
  Install(constant);
  TheGroup().Settings().GENE_LIST_FILE = mGeneList;
  prompts.dialogAnswer = [this](QDialog& shown) {
    shown.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&shown));
    auto* samples = Control<QListWidget>(shown, LdaDialog::kSampleList);
    auto* pca = Control<QCheckBox>(shown, LdaDialog::kPca);
    EXPECT_TRUE(pca->isChecked()) << "the last run's choice";
    Tick(shown, LdaDialog::kPca);
    EXPECT_FALSE(pca->isChecked());
    for (int planted = 0; planted < 3; ++planted) {
      SelectClass(samples, planted);
      Click(shown, LdaDialog::kAddClass);
    }
    ClickOk(shown);
    return shown.result();
  };
  frame.OnCommand(ids::kLdaClassification);
  const Lines lines = Log();
  ASSERT_EQ(lines.back(), "LDA not completed}");
  EXPECT_EQ(LineColour(static_cast<int>(lines.size()) - 1), QColor(Qt::red));
  EXPECT_FALSE(frame.HasViewItem(VIEW_LDA));
  EXPECT_EQ(TheLdaResult().resultRows, 0);
  EXPECT_TRUE(TheLdaResult().result.empty());
}

}  // namespace
