// The Open Group and Get External Data sheets: the list of saved groups and the last
// group offered again, the checks made when a page is left, the rules between the check
// boxes, the chip-description controls shown only when opening array files, and the
// choices written into the settings.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <fstream>

#include "engine/chip/cdf_layout.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/group/extract_cdf_page.hpp"
#include "shell/dialogs/group/extract_data_page.hpp"
#include "shell/dialogs/group/get_external_page.hpp"
#include "shell/dialogs/group/group_name_box.hpp"
#include "shell/dialogs/group/open_group_state.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

class GroupSheetsTest : public ShellTest {
 protected:
  void TearDown() override {
    ArrayType = 0;
    ShellTest::TearDown();
  }

  // A saved group with its data path.
  void SaveGroup(const std::string& name, const std::string& dataPath) {
    Group& group = TheGroup();
    const std::string previous = group.Name();
    group.SetName(name);
    group.Settings().DATA_PATH = dataPath;
    ASSERT_TRUE(group.WriteGroupSettings());
    group.SetName(previous);
  }

  static std::vector<std::string> Entries(QComboBox& box) {
    std::vector<std::string> names;
    for (int i = 0; i < box.count(); ++i) names.push_back(box.itemText(i).toStdString());
    return names;
  }

  OpenGroupState state;
};

TEST_F(GroupSheetsTest, TheLastGroupIsOfferedWithItsSettings) {
  SaveGroup("mouse", "/data/mouse");
  SaveGroup("Heart", "/data/heart");
  std::ofstream(File("old.v2.ini")) << "DATA_PATH=/data/old\n";
  TheGroup().Settings().LAST_GROUP_NAME = "mouse";
  TheGroup().Settings().DATA_PATH = "/elsewhere";
  ASSERT_EQ(TheGroup().Name(), "Zelko");

  ExtractDataDlg page(state, nullptr);
  auto* names = Control<QComboBox>(page, kGroupNameBox);
  // Every settings file of the home folder, named up to its first point, sorted.
  EXPECT_EQ(Entries(*names), (std::vector<std::string>{"Heart", "mouse", "old"}));
  EXPECT_EQ(page.GroupName(), "mouse");
  EXPECT_EQ(TheGroup().Settings().DATA_PATH, "/data/mouse") << "the group's settings were read";
  EXPECT_EQ(Control<QLineEdit>(page, ExtractDataDlg::kDataPath)->text(),
            QStringLiteral("/data/mouse"));

  // Choosing another group reads its settings and shows them.
  names->setCurrentIndex(0);
  emit names->activated(0);
  EXPECT_EQ(Control<QLineEdit>(page, ExtractDataDlg::kDataPath)->text(),
            QStringLiteral("/data/heart"));

  // Delete drops the entry and its file without asking.
  names->setCurrentIndex(1);
  Control<QPushButton>(page, kDeleteGroupButton)->click();
  EXPECT_EQ(Entries(*names), (std::vector<std::string>{"Heart", "old"}));
  EXPECT_FALSE(platform::FileExists(File("mouse.ini")));
  EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(GroupSheetsTest, AnotherGroupKeepsItsNameAndSettings) {
  SaveGroup("mouse", "/data/mouse");
  TheGroup().SetName("rat");
  TheGroup().Settings().LAST_GROUP_NAME = "mouse";
  TheGroup().Settings().DATA_PATH = "/data/rat";
  ExtractDataDlg page(state, nullptr);
  EXPECT_EQ(page.GroupName(), "rat");
  EXPECT_EQ(TheGroup().Settings().DATA_PATH, "/data/rat");
}

TEST_F(GroupSheetsTest, DataFilesPageNamesWhatIsMissingInOrder) {
  TheGroup().SetName("");
  TheGroup().Settings().DATA_PATH.clear();
  TheGroup().Settings().READ_DAT = TheGroup().Settings().READ_CEL = TheGroup().Settings().READ_QVF =
      0;
  ExtractDataDlg page(state, nullptr);
  EXPECT_FALSE(page.OnKillActive());
  Control<QComboBox>(page, kGroupNameBox)->setEditText(QStringLiteral("liver"));
  EXPECT_FALSE(page.OnKillActive());
  Control<QLineEdit>(page, ExtractDataDlg::kDataPath)->setText(QStringLiteral("/data/liver"));
  EXPECT_FALSE(page.OnKillActive());
  ASSERT_EQ(prompts.prompts.size(), 3u);
  EXPECT_EQ(prompts.prompts[0].text, "Please specify a group name");
  EXPECT_EQ(prompts.prompts[1].text, "Please specify data directory or data file list");
  EXPECT_EQ(prompts.prompts[2].text, "Please specify data file type");
  EXPECT_EQ(TheGroup().Settings().DATA_PATH, "") << "a refused page changes nothing";

  Control<QCheckBox>(page, ExtractDataDlg::kReadCel)->setChecked(true);
  Control<QCheckBox>(page, ExtractDataDlg::kUseUnnormalized)->setChecked(true);
  EXPECT_TRUE(page.OnKillActive());
  EXPECT_EQ(page.GroupName(), "liver");
  EXPECT_EQ(TheGroup().Settings().DATA_PATH, "/data/liver");
  EXPECT_EQ(TheGroup().Settings().READ_CEL, 1);
  EXPECT_EQ(TheGroup().Settings().READ_DAT, 0);
  EXPECT_EQ(TheGroup().Settings().USE_UNNORM, 1);
}

TEST_F(GroupSheetsTest, ReadingAfreshLeavesTheQvfFilesOut) {
  TheGroup().Settings().READ_QVF = 1;
  TheGroup().Settings().QEX5_SIGNAL = 0;
  state.ignoreExistingQvf = true;
  ExtractDataDlg page(state, nullptr);
  auto* ignore = Control<QCheckBox>(page, ExtractDataDlg::kIgnoreExistingQvf);
  auto* qvf = Control<QCheckBox>(page, ExtractDataDlg::kReadQvf);
  EXPECT_FALSE(ignore->isChecked()) << "a new sheet starts without the one-off choice";
  EXPECT_TRUE(qvf->isChecked());
  Control<QCheckBox>(page, ExtractDataDlg::kQex5Signal)->setChecked(true);
  EXPECT_TRUE(ignore->isChecked()) << "signal values come from the result files";
  EXPECT_FALSE(qvf->isChecked());

  // Folder and list buttons fill the path.
  prompts.folderAnswers.push_back(std::string("/data/folder"));
  Control<QPushButton>(page, ExtractDataDlg::kDataDirectoryButton)->click();
  EXPECT_EQ(Control<QLineEdit>(page, ExtractDataDlg::kDataPath)->text(),
            QStringLiteral("/data/folder"));
  prompts.fileAnswers.push_back(std::string("/data/list.txt"));
  Control<QPushButton>(page, ExtractDataDlg::kDataFileListButton)->click();
  EXPECT_EQ(Control<QLineEdit>(page, ExtractDataDlg::kDataPath)->text(),
            QStringLiteral("/data/list.txt"));
  ASSERT_EQ(prompts.CountOf(RecordedPrompt::Kind::kFile), 1);
  EXPECT_EQ(prompts.prompts.back().request.filter,
            "Tab-delimited Text Files (*.xls;*.txt)|*.xls;*.txt|All Files (*.*)|*.*||");

  Control<QCheckBox>(page, ExtractDataDlg::kReadCel)->setChecked(true);
  ASSERT_TRUE(page.OnKillActive());
  EXPECT_TRUE(state.ignoreExistingQvf);
  EXPECT_EQ(TheGroup().Settings().QEX5_SIGNAL, 1);
  EXPECT_EQ(TheGroup().Settings().READ_QVF, 0);
}

TEST_F(GroupSheetsTest, ChipControlsShowOnlyWhenOpeningArrayFiles) {
  TheGroup().Settings().CDF_FILE.clear();
  state.mode = kOpenGroupModeExternal;
  {
    ExtractCdfDlg page(state, nullptr);
    EXPECT_TRUE(Control<QLineEdit>(page, ExtractCdfDlg::kCdfFile)->isHidden());
    EXPECT_TRUE(Control<QPushButton>(page, ExtractCdfDlg::kCdfFileButton)->isHidden());
    EXPECT_TRUE(Control<QCheckBox>(page, ExtractCdfDlg::kRebuildLayoutCache)->isHidden());
    EXPECT_TRUE(page.OnKillActive()) << "external data need no chip description";
  }
  state.mode = kOpenGroupModeArrays;
  ExtractCdfDlg page(state, nullptr);
  EXPECT_FALSE(Control<QLineEdit>(page, ExtractCdfDlg::kCdfFile)->isHidden());
  EXPECT_FALSE(Control<QCheckBox>(page, ExtractCdfDlg::kRebuildLayoutCache)->isHidden());
  EXPECT_FALSE(page.OnKillActive());
  EXPECT_EQ(prompts.prompts.back().text, "Please specify CDF file for this chip type");
}

TEST_F(GroupSheetsTest, OtherInformationTakesTheFilesAndAChangedMaskRebuilds) {
  GroupSettings& settings = TheGroup().Settings();
  settings.GENE_NAME_FILE = "/info/genes.txt";
  settings.MASK_FILE = "";
  ExtractCdfDlg page(state, nullptr);
  auto* geneInfo = Control<QPushButton>(page, ExtractCdfDlg::kGeneInfoButton);
  EXPECT_EQ(geneInfo->text(), QStringLiteral("/info/genes.txt"));
  auto* rebuild = Control<QCheckBox>(page, ExtractCdfDlg::kRebuildLayoutCache);
  EXPECT_FALSE(rebuild->isChecked());

  prompts.fileAnswers.push_back(std::string("/chips/Demo.cdf"));
  Control<QPushButton>(page, ExtractCdfDlg::kCdfFileButton)->click();
  EXPECT_EQ(prompts.prompts.back().request.defaultExtension, "cdf");
  // Switching the gene information off keeps its path behind "None ".
  geneInfo->click();
  EXPECT_EQ(geneInfo->text(), QStringLiteral("None"));
  EXPECT_FALSE(rebuild->isChecked());
  prompts.fileAnswers.push_back(std::string("/chips/mask.txt"));
  Control<QPushButton>(page, ExtractCdfDlg::kMaskButton)->click();
  EXPECT_TRUE(rebuild->isChecked()) << "the cache was made under the old mask";
  EXPECT_TRUE(state.ignoreExistingQvf);

  ASSERT_TRUE(page.OnKillActive());
  EXPECT_EQ(settings.CDF_FILE, "/chips/Demo.cdf");
  EXPECT_EQ(settings.GENE_NAME_FILE, "None /info/genes.txt");
  EXPECT_EQ(settings.MASK_FILE, "/chips/mask.txt");
  EXPECT_TRUE(state.rebuildLayoutCache);
}

TEST_F(GroupSheetsTest, SheetKeepsAPageThatRefusesToBeLeft) {
  TheGroup().SetName("");
  PropertySheet sheet(QStringLiteral("Working on a group of arrays"), nullptr);
  auto* data = new ExtractDataDlg(state, &sheet);
  sheet.AddPage(data, QStringLiteral("Data files"));
  sheet.AddPage(new ExtractCdfDlg(state, &sheet), QStringLiteral("Other information"));
  EXPECT_FALSE(sheet.SetActivePage(1));
  EXPECT_EQ(sheet.ActiveIndex(), 0);
  sheet.accept();
  EXPECT_NE(sheet.result(), QDialog::Accepted);
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kMessage), 2);
}

TEST_F(GroupSheetsTest, ExternalDataPageWritesItsChoices) {
  GroupSettings& settings = TheGroup().Settings();
  settings.EXTERNAL_DATA_FILE = "/tables/old.xls";
  settings.HAS_BOTH = 1;
  settings.HAS_STD = 0;
  ArrayType = 0;
  GetExternalDlg page(nullptr);
  EXPECT_EQ(Control<QLineEdit>(page, GetExternalDlg::kDataFile)->text(),
            QStringLiteral("/tables/old.xls"));
  EXPECT_TRUE(Control<QCheckBox>(page, GetExternalDlg::kHasBoth)->isChecked());
  prompts.fileAnswers.push_back(std::string("/tables/new.xls"));
  Control<QPushButton>(page, GetExternalDlg::kDataFileButton)->click();
  EXPECT_EQ(prompts.prompts.back().request.startFile, "/tables/old.xls");
  Control<QCheckBox>(page, GetExternalDlg::kHasStd)->setChecked(true);
  Control<QCheckBox>(page, GetExternalDlg::kHasGeneName)->setChecked(true);
  Control<QCheckBox>(page, GetExternalDlg::kSnpData)->setChecked(true);
  EXPECT_TRUE(page.OnKillActive());
  EXPECT_EQ(settings.EXTERNAL_DATA_FILE, "/tables/new.xls");
  EXPECT_EQ(settings.HAS_STD, 1);
  EXPECT_EQ(settings.HAS_GENE_NAME, 1);
  EXPECT_NE(ArrayType, 0) << "a SNP group";
}

}  // namespace
