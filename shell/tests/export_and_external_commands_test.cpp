// Tools/Export Expression Value and Analysis/Get External Data driven through the window:
// the modelled group's table written where the dialog says and registered, a cancelled
// export closing its block, and the written table read back as a group of external data
// with the same arrays and values.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>

#include <cmath>
#include <fstream>

#include "engine/group/gene_list.hpp"
#include "shell/dialogs/expression/export_expression_dialog.hpp"
#include "shell/dialogs/group/get_external_page.hpp"
#include "shell/services/output_files.hpp"
#include "shell/tests/group_commands_test.hpp"

namespace {

using ExportAndExternalTest = GroupCommandsTest;

// Accepts every dialog; the export dialog with every sample selected.
int AcceptAll(QDialog& dialog) {
  if (auto* samples = dialog.findChild<QListWidget*>(
          QStringLiteral("c%1").arg(ExportExpressionDialog::kSampleList)))
    samples->selectAll();
  dialog.accept();
  return dialog.result();
}

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

TEST_F(ExportAndExternalTest, AModelledGroupIsExportedAndReadBackAsExternalData) {
  CMainFrame& frame = OpenFrame();
  OpenLiver(frame);
  prompts.dialogAnswer = AcceptAll;
  ASSERT_TRUE(frame.OnCommand(ids::kModelExpression));
  Group& group = TheGroup();
  ASSERT_TRUE(group.Modelled);
  std::vector<std::vector<float>> values(3);
  for (int a = 0; a < 3; ++a)
    for (const VALUE_TRIPLE& triple : group.Array(a).values) values[a].push_back(triple.value);

  const std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kExportExpression));
  const std::vector<std::string> lines = LinesFrom(before);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "{Export expression values");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Finished}"), lines.end());
  const std::string table = platform::JoinPath(Folder(), "liver expression.xls");
  ASSERT_TRUE(platform::FileExists(table));
  EXPECT_NE(std::find(OutputFiles().paths.begin(), OutputFiles().paths.end(), table),
            OutputFiles().paths.end());
  // One line per probe set after the column titles, each with the three samples.
  const std::vector<std::string> rows = FileLines(table);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(Layout.unitCount) + 1);
  for (const std::string& row : rows) EXPECT_GE(std::count(row.begin(), row.end(), '\t'), 3) << row;

  prompts.dialogAnswer = [&table](QDialog& dialog) {
    auto& sheet = dynamic_cast<PropertySheet&>(dialog);
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Get External Data"));
    PropertyPage& data = *sheet.Page(0);
    Find<QComboBox>(data, kGroupNameBox)->setEditText(QStringLiteral("liverx"));
    Find<QLineEdit>(data, GetExternalDlg::kDataFile)->setText(QString::fromStdString(table));
    EXPECT_TRUE(sheet.SetActivePage(1));
    EXPECT_TRUE(Find<QLineEdit>(*sheet.Page(1), ExtractCdfDlg::kCdfFile)->isHidden());
    sheet.accept();
    return sheet.result();
  };
  const std::size_t beforeRead = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kGetExternalData));
  const std::vector<std::string> log = LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "{Group liver is closed}"), log.end());
  const std::vector<std::string> readLines = LinesFrom(beforeRead);
  const auto opening = std::find(readLines.begin(), readLines.end(), "{Get external data");
  ASSERT_NE(opening, readLines.end());
  EXPECT_EQ(std::count(opening, readLines.end(), "Finished}"), 1) << "one closing line";
  EXPECT_EQ(group.Name(), "liverx");
  EXPECT_TRUE(frame.windowTitle().contains(QStringLiteral("liverx")));
  EXPECT_FALSE(group.HasProbeData) << "the commands that need array data stay disabled";
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_CEL), nullptr);
  ASSERT_EQ(group.NumArrays(), 3);
  for (int a = 0; a < 3; ++a) {
    EXPECT_EQ(group.Array(a).name, mFiles.names[static_cast<std::size_t>(a)]);
    ASSERT_EQ(group.Array(a).values.size(), values[a].size());
    for (std::size_t u = 0; u < values[a].size(); ++u) {
      const float read = group.Array(a).values[u].value;
      // The table keeps six significant digits.
      ASSERT_NEAR(read, values[a][u], std::abs(values[a][u]) * 1e-5 + 1e-6) << a << " " << u;
    }
  }
  EXPECT_EQ(AnalysisRunning, 0);
}

TEST_F(ExportAndExternalTest, AGeneListWithNamesInItsSecondColumnExportsThoseProbeSets) {
  CMainFrame& frame = OpenFrame();
  OpenLiver(frame);
  prompts.dialogAnswer = AcceptAll;
  ASSERT_TRUE(frame.OnCommand(ids::kModelExpression));
  ASSERT_GE(Layout.unitCount, 3);
  const std::string first(Layout.units[0].Name()), third(Layout.units[2].Name());
  const std::string list = platform::JoinPath(Folder(), "picked.txt");
  std::ofstream(list) << "Gene\tProbe set\n"
                      << "a\t" << first << "\n"
                      << "b\t" << third << "\n";
  TheGroup().Settings().GENE_LIST_FILE = list;
  // The first column names no probe set, so only the box's reading finds the two.
  for (const bool secondColumn : {false, true}) {
    prompts.dialogAnswer = [secondColumn](QDialog& dialog) {
      dialog
          .findChild<QCheckBox*>(
              QStringLiteral("c%1").arg(ExportExpressionDialog::kProbeSetNameColumn))
          ->setChecked(secondColumn);
      return AcceptAll(dialog);
    };
    ASSERT_TRUE(frame.OnCommand(ids::kExportExpression));
    const std::vector<std::string> rows =
        FileLines(platform::JoinPath(Folder(), "picked expression.xls"));
    ASSERT_EQ(rows.size(), secondColumn ? 3u : 1u) << secondColumn;
    if (secondColumn) {
      EXPECT_EQ(rows[1].substr(0, first.size() + 1), first + "\t");
      EXPECT_EQ(rows[2].substr(0, third.size() + 1), third + "\t");
    }
    EXPECT_FALSE(GeneList.SecondColumnNames) << "the choice holds for one export only";
  }
}

TEST_F(ExportAndExternalTest, ACancelledExportClosesItsBlock) {
  CMainFrame& frame = OpenFrame();
  OpenLiver(frame);
  prompts.dialogAnswer = AcceptAll;
  ASSERT_TRUE(frame.OnCommand(ids::kModelExpression));
  prompts.dialogAnswer = nullptr;  // every dialog cancelled
  const std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kExportExpression));
  EXPECT_EQ(LinesFrom(before),
            (std::vector<std::string>{"{Export expression values", "", "Not completed}", ""}));
  EXPECT_FALSE(platform::FileExists(platform::JoinPath(Folder(), "liver expression.xls")));
}

TEST_F(ExportAndExternalTest, AFailedReadOfExternalDataKeepsThePreviousSettings) {
  TheGroup().SetName("rat");
  TheGroup().Settings().DATA_PATH = "/data/rat";
  CMainFrame& frame = OpenFrame();
  prompts.dialogAnswer = [this](QDialog& dialog) {
    auto& sheet = dynamic_cast<PropertySheet&>(dialog);
    Find<QComboBox>(*sheet.Page(0), kGroupNameBox)->setEditText(QStringLiteral("broken"));
    Find<QLineEdit>(*sheet.Page(0), GetExternalDlg::kDataFile)
        ->setText(QString::fromStdString(File("missing.xls")));
    sheet.accept();
    return sheet.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kGetExternalData));
  const std::vector<std::string> log = LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "Getting external data not completed}"), log.end());
  EXPECT_EQ(TheGroup().Name(), "rat");
  EXPECT_EQ(TheGroup().Settings().LAST_GROUP_NAME, "broken");
  EXPECT_EQ(TheGroup().NumArrays(), 0);
  EXPECT_FALSE(TheGroup().Modelled);
}

}  // namespace
