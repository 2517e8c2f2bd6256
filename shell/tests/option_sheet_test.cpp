// The options sheet driven as a user drives it: mouse clicks on tabs, boxes and buttons,
// keys in fields and combos. The sheet opens where OPTION_PAGE says, from Tools/Options
// or a dialog's Options button; OK puts the edits in force, Cancel drops them; a value out
// of range keeps the page; Reset Default and Print Settings act on the group's settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTest>
#include <QVBoxLayout>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/model/model.hpp"
#include "genes/cluster/cluster_settings.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/info/snp_info.hpp"
#include "shell/dialogs/common/setting_checks.hpp"
#include "shell/dialogs/options/option_sheet.hpp"
#include "shell/dialogs/options/options_analysis_page.hpp"
#include "shell/dialogs/options/options_chromosome_page.hpp"
#include "shell/dialogs/options/options_clustering_page.hpp"
#include "shell/dialogs/options/options_model_page.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

void Click(QWidget* control) {
  ASSERT_NE(control, nullptr);
  QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, QPoint(6, control->height() / 2));
}

void Type(QLineEdit* edit, const char* text) {
  ASSERT_NE(edit, nullptr);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(edit, QString::fromLatin1(text));
}

void ClickTab(OptionSheet& sheet, int index) {
  auto* tabs = sheet.findChild<QTabBar*>();
  QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(index).center());
}

void ClickOk(QDialog& dialog) {
  auto* box = dialog.findChild<QDialogButtonBox*>();
  QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

void ClickCancel(QDialog& dialog) {
  auto* box = dialog.findChild<QDialogButtonBox*>();
  QTest::mouseClick(box->button(QDialogButtonBox::Cancel), Qt::LeftButton);
}

class OptionSheetTest : public ShellTest {
 protected:
  // Tools/Options, the sheet handed to drive once it is shown.
  void RunOptions(CMainFrame& frame, const std::function<void(OptionSheet&)>& drive,
                  bool byKey = false) {
    prompts.dialogAnswer = [drive](QDialog& dialog) {
      auto& sheet = dynamic_cast<OptionSheet&>(dialog);
      sheet.show();
      QApplication::processEvents();
      drive(sheet);
      return sheet.result();
    };
    if (!byKey) {
      ASSERT_TRUE(frame.OnCommand(ids::kOptions));
      return;
    }
    int shown = 0;
    prompts.dialogAnswer = [answer = prompts.dialogAnswer, &shown](QDialog& dialog) {
      ++shown;
      return answer(dialog);
    };
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    QTest::keyClick(frame.PaneView(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(shown, 1) << "Ctrl+O";
  }

  std::vector<std::string> FileLines(const std::string& path) const {
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(OptionSheetTest, OpensAtTheRememberedPageAndOkRemembersTheActiveOne) {
  CMainFrame& frame = OpenFrame();
  TheGroup().Settings().OPTION_PAGE = kAnalysisOptionsPageIndex;
  int opened = -1;
  RunOptions(frame, [&](OptionSheet& sheet) {
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Options"));
    opened = sheet.ActiveIndex();
    ClickTab(sheet, kChromosomeOptionsPageIndex);
    ClickOk(sheet);
  });
  EXPECT_EQ(opened, kAnalysisOptionsPageIndex);
  EXPECT_EQ(TheGroup().Settings().OPTION_PAGE, kChromosomeOptionsPageIndex);

  // Ctrl+O opens it again on the Chromosome page; Cancel leaves the page remembered.
  RunOptions(
      frame,
      [&](OptionSheet& sheet) {
        opened = sheet.ActiveIndex();
        ClickTab(sheet, kModelOptionsPageIndex);
        ClickCancel(sheet);
      },
      true);
  EXPECT_EQ(opened, kChromosomeOptionsPageIndex);
  EXPECT_EQ(TheGroup().Settings().OPTION_PAGE, kChromosomeOptionsPageIndex);
}

TEST_F(OptionSheetTest, DialogsOptionsButtonsOpenTheSheetAtTheirPage) {
  CMainFrame& frame = OpenFrame();
  TheGroup().HasProbeData = true;
  TheGroup().Modelled = true;
  frame.UpdateCommandUi();
  std::vector<std::string> order;
  int sheetPage = -1;
  prompts.dialogAnswer = [&](QDialog& dialog) {
    order.push_back(dialog.objectName().toStdString());
    if (auto* sheet = dynamic_cast<OptionSheet*>(&dialog)) {
      sheetPage = sheet->ActiveIndex();
      return static_cast<int>(QDialog::Rejected);
    }
    dialog.show();
    Click(Control<QPushButton>(dialog, ids::kOptionsButton));
    return static_cast<int>(QDialog::Rejected);
  };
  ASSERT_TRUE(frame.OnCommand(ids::kModelExpression));
  EXPECT_EQ(order, (std::vector<std::string>{"c137", "optionSheet"}));
  EXPECT_EQ(sheetPage, kModelOptionsPageIndex);
  EXPECT_EQ(TheGroup().Settings().OPTION_PAGE, kModelOptionsPageIndex);

  order.clear();
  ASSERT_TRUE(frame.OnCommand(ids::kExportExpression));
  EXPECT_EQ(order, (std::vector<std::string>{"c169", "optionSheet"}));
  EXPECT_EQ(sheetPage, kAnalysisOptionsPageIndex);
}

TEST_F(OptionSheetTest, OkPutsTheEditsInForceAndCancelDropsThem) {
  CMainFrame& frame = OpenFrame();
  const std::string file = TheGroup().SettingsPath(TheGroup().Name());
  TheGroup().Settings().STORE_DISTANCE = 0;
  ASSERT_TRUE(TheGroup().WriteGroupSettings());
  const std::vector<std::string> written = FileLines(file);
  const GroupSettings before = TheGroup().Settings();
  const auto edit = [](OptionSheet& sheet) {
    ClickTab(sheet, kClusteringOptionsPageIndex);
    QTest::keyClick(Control<QComboBox>(sheet, OptionsClusteringPage::kLinkageMethod), Qt::Key_Down);
    Type(Control<QLineEdit>(sheet, OptionsClusteringPage::kDisplayRange), "4.5");
    Click(Control<QCheckBox>(sheet, OptionsClusteringPage::kGreenRed));
    ClickTab(sheet, kAnalysisOptionsPageIndex);
    Click(Control<QCheckBox>(sheet, OptionsAnalysisPage::kPmOnly));
    Type(Control<QLineEdit>(sheet, OptionsAnalysisPage::kWorkingDirectory), "/data//out//");
    ClickTab(sheet, kModelOptionsPageIndex);
    Type(Control<QLineEdit>(sheet, OptionsModelPage::kExcludedProbes), "3");
    QTest::keyClick(Control<QComboBox>(sheet, OptionsModelPage::kPsiMode), Qt::Key_End);
  };
  RunOptions(frame, [&](OptionSheet& sheet) {
    edit(sheet);
    ClickCancel(sheet);
  });
  EXPECT_EQ(TheGroup().Settings(), before);
  EXPECT_EQ(PmOnly, 0);
  EXPECT_EQ(ExcludedFivePrimeProbes, 0);

  Layout.units.resize(1);
  Layout.unitCount = 1;
  ASSERT_TRUE(Model.GetData(0));
  RunOptions(frame, [&](OptionSheet& sheet) {
    edit(sheet);
    ClickOk(sheet);
  });
  const GroupSettings& after = TheGroup().Settings();
  EXPECT_EQ(after.LINKAGE_METHOD, kLinkageAverage);
  EXPECT_EQ(after.STORE_DISTANCE, 1) << "average linkage keeps the distances";
  EXPECT_EQ(after.DISPLAY_RANGE, 4.5);
  EXPECT_EQ(after.GREEN_RED, 1);
  EXPECT_EQ(after.WORKING_DIR, "/data/out");
  EXPECT_EQ(after.PSI_MODE, 2);
  EXPECT_EQ(after.OPTION_PAGE, kModelOptionsPageIndex);
  EXPECT_EQ(PmOnly, 1);
  EXPECT_EQ(ExcludedFivePrimeProbes, 3);
  EXPECT_EQ(Model.ProbeSet(), -1) << "the probe data view fits again with the new options";
  EXPECT_EQ(FileLines(file), written) << "the next command writes the file";
  PmOnly = 0;
  ExcludedFivePrimeProbes = 0;
  Layout = CDF_LAYOUT{};
}

TEST_F(OptionSheetTest, AValueOutOfRangeKeepsThePageWithTheRangeMessage) {
  CMainFrame& frame = OpenFrame();
  TheGroup().Settings().CHRO_DATA = kDataCopyNumber;
  RunOptions(frame, [&](OptionSheet& sheet) {
    ClickTab(sheet, kChromosomeOptionsPageIndex);
    auto* window = Control<QLineEdit>(sheet, OptionsChromosomePage::kSmoothWindow);
    auto* copyFile = Control<QPushButton>(sheet, OptionsChromosomePage::kInferredCopyButton);
    auto* method = Control<QComboBox>(sheet, OptionsChromosomePage::kCopyMethod);
    // "Median smoothing" enables the window only, "Read from file" the copy file only.
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(copyFile->isEnabled());
    QTest::keyClick(method, Qt::Key_Down);
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(copyFile->isEnabled());
    QTest::keyClick(method, Qt::Key_Up);

    // The curve's limits are those of the current data type; an empty field is unset.
    Type(Control<QLineEdit>(sheet, OptionsChromosomePage::kCurveMin), "0.5");
    Type(Control<QLineEdit>(sheet, OptionsChromosomePage::kCurveMax), "4");
    Type(window, "2");
    ClickOk(sheet);
    EXPECT_TRUE(sheet.isVisible());
    ASSERT_FALSE(prompts.prompts.empty());
    EXPECT_EQ(prompts.prompts.back().text, "Please enter an integer between 3 and 100.");
    ClickTab(sheet, kModelOptionsPageIndex);
    EXPECT_EQ(sheet.ActiveIndex(), kChromosomeOptionsPageIndex) << "the page cannot be left";
    Type(Control<QLineEdit>(sheet, OptionsChromosomePage::kHetRate), "1.5");
    Type(window, "25");
    ClickOk(sheet);
    EXPECT_EQ(prompts.prompts.back().text, "Please enter a number between 0 and 1.");
    Type(Control<QLineEdit>(sheet, OptionsChromosomePage::kHetRate), "0.3");
    ClickOk(sheet);
    EXPECT_FALSE(sheet.isVisible());
  });
  EXPECT_EQ(TheGroup().Settings().MEDIAN_SMOOTH_WINDOW, 25);
  EXPECT_FLOAT_EQ(TheGroup().Settings().AVERAGE_HET_RATE, 0.3f);
  EXPECT_EQ(chromosome.Min[kDataCopyNumber], 0.5f);
  EXPECT_EQ(chromosome.Max[kDataCopyNumber], 4.0f);
  EXPECT_EQ(chromosome.Threshold[kDataCopyNumber], kMissingValueFloat);
  EXPECT_EQ(chromosome.Min[kDataCall], kMissingValueFloat);
  chromosome.Min.fill(kMissingValueFloat);
  chromosome.Max.fill(kMissingValueFloat);
}

TEST_F(OptionSheetTest, ChoicesFollowEachOtherAndFileButtonsFillTheirNames) {
  CMainFrame& frame = OpenFrame();
  GroupSettings& settings = TheGroup().Settings();
  settings.WORKING_DIR = "/work/out";
  ArrayType = 1;
  prompts.fileAnswers = {std::string("/chips/new.psi")};
  RunOptions(frame, [&](OptionSheet& sheet) {
    // Average linkage needs the kept distances; without them centroid linkage is left.
    auto* linkage = Control<QComboBox>(sheet, OptionsClusteringPage::kLinkageMethod);
    auto* store = Control<QCheckBox>(sheet, OptionsClusteringPage::kStoreDistance);
    Click(store);
    EXPECT_FALSE(store->isChecked());
    QTest::keyClick(linkage, Qt::Key_Down);
    EXPECT_TRUE(store->isChecked());
    Click(store);
    EXPECT_EQ(linkage->currentIndex(), kLinkageCentroid);

    ClickTab(sheet, kModelOptionsPageIndex);
    EXPECT_TRUE(Control<QCheckBox>(sheet, OptionsModelPage::kSeparateAb)->isEnabled())
        << "a SNP group";
    auto* psi = Control<QPushButton>(sheet, OptionsModelPage::kPsiFileButton);
    EXPECT_EQ(psi->text(), QStringLiteral("/work/out/Zelko.psi"));
    QTest::mouseClick(psi, Qt::LeftButton);
    EXPECT_EQ(prompts.prompts.back().request.startFile, "/work/out/Zelko.psi");
    EXPECT_EQ(prompts.prompts.back().request.defaultExtension, "psi");
    EXPECT_EQ(psi->text(), QStringLiteral("/chips/new.psi"));

    // An empty curve file takes its usual name, which the button then switches off.
    ClickTab(sheet, kChromosomeOptionsPageIndex);
    auto* curve = Control<QPushButton>(sheet, OptionsChromosomePage::kCurveFileButton);
    EXPECT_EQ(curve->text(), QStringLiteral("Do not use"));
    QTest::mouseClick(curve, Qt::LeftButton);
    EXPECT_EQ(curve->text(), QStringLiteral("Do not use"));
    EXPECT_FALSE(Control<QComboBox>(sheet, OptionsChromosomePage::kAlleleFrequency)->isEnabled())
        << "no SNP information is loaded";
    ClickOk(sheet);
  });
  snp_info_table.snps.resize(1);
  RunOptions(frame, [&](OptionSheet& sheet) {
    EXPECT_TRUE(Control<QComboBox>(sheet, OptionsChromosomePage::kAlleleFrequency)->isEnabled());
    ClickCancel(sheet);
  });
  snp_info_table.Clear();
  ArrayType = 0;
  EXPECT_EQ(settings.LINKAGE_METHOD, kLinkageCentroid);
  EXPECT_EQ(settings.STORE_DISTANCE, 0);
  EXPECT_EQ(settings.PSI_FILE_NAME, "/chips/new.psi");
  EXPECT_EQ(settings.CURVE_FILE, "None /work/out/Zelko_curve.xls");
}

TEST_F(OptionSheetTest, ResetDefaultShowsAndSavesTheDefaults) {
  CMainFrame& frame = OpenFrame();
  GroupSettings& settings = TheGroup().Settings();
  settings.DISPLAY_RANGE = 7;
  settings.MEDIAN_SMOOTH_WINDOW = 50;
  settings.INFER_COPY_METHOD = 2;
  settings.OPTION_PAGE = kChromosomeOptionsPageIndex;
  RunOptions(frame, [&](OptionSheet& sheet) {
    auto* window = Control<QLineEdit>(sheet, OptionsChromosomePage::kSmoothWindow);
    EXPECT_EQ(window->text(), QStringLiteral("50"));
    EXPECT_FALSE(window->isEnabled());
    QTest::mouseClick(Control<QPushButton>(sheet, OptionSheet::kResetDefaultButton),
                      Qt::LeftButton);
    EXPECT_EQ(window->text(), QStringLiteral("10"));
    EXPECT_TRUE(window->isEnabled()) << "median smoothing is the default copy method";
    EXPECT_EQ(sheet.ActiveIndex(), kChromosomeOptionsPageIndex);
    EXPECT_EQ(Control<QLineEdit>(sheet, OptionsClusteringPage::kDisplayRange)->text(),
              QStringLiteral("3"));
    ClickCancel(sheet);
  });
  EXPECT_EQ(settings.DISPLAY_RANGE, 3.0);
  EXPECT_EQ(settings.MEDIAN_SMOOTH_WINDOW, 10);
  const std::vector<std::string> lines = FileLines(TheGroup().SettingsPath(TheGroup().Name()));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kGroupSettingCount));
  EXPECT_EQ(lines[55], "DISPLAY_RANGE=3");
  EXPECT_EQ(lines[74], "MEDIAN_SMOOTH_WINDOW=10");
}

TEST_F(OptionSheetTest, PrintSettingsLogsTheSettingsInForce) {
  CMainFrame& frame = OpenFrame();
  TheGroup().SetName("demo");
  TheGroup().Settings().CDF_FILE = "/chips/Hu6800.CDF";
  TheGroup().Settings().DISPLAY_RANGE = 2.5;
  TheGroup().Settings().SIG_GENE_PVALUE = 0.0005;
  const std::size_t logStart = LogLines().size();
  RunOptions(frame, [&](OptionSheet& sheet) {
    QTest::mouseClick(Control<QPushButton>(sheet, OptionSheet::kPrintSettingsButton),
                      Qt::LeftButton);
    ClickCancel(sheet);
  });
  const std::vector<std::string> log = LogLines();
  // The opening line, the file's path, its lines, "}" and the empty line "}\n" ends with.
  ASSERT_EQ(log.size(), logStart + kGroupSettingCount + 4);
  const std::string opening = log[logStart];
  EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^\{Settings at \d\d/\d\d/\d\d, \d\d:\d\d$)"))
                  .match(QString::fromStdString(opening))
                  .hasMatch())
      << opening;
  EXPECT_EQ(LineColour(static_cast<int>(logStart)), QColor(0, 0, 255));
  EXPECT_EQ(log[logStart + 1], "  Setting file=" + File("demo.ini"));
  EXPECT_EQ(log[logStart + 2], "  CDF_FILE=/chips/Hu6800.CDF");
  EXPECT_EQ(log[logStart + 2 + 55], "  DISPLAY_RANGE=2.5");
  EXPECT_EQ(log[logStart + 2 + 58], "  SIG_GENE_PVALUE=0.0005");
  EXPECT_EQ(log[logStart + 2 + 159], "  INFER_NONINFORMATIVE=1");
  EXPECT_EQ(log[log.size() - 2], "}");
  EXPECT_EQ(log.back(), "");
}

TEST_F(OptionSheetTest, EachPageDrawsItsControls) {
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  const char* names[kOptionsPageCount] = {"clustering", "analysis", "model", "chromosome"};
  const int firstControls[kOptionsPageCount] = {
      OptionsClusteringPage::kDistanceMeasure, OptionsAnalysisPage::kAllowMissing,
      OptionsModelPage::kModelMethod, OptionsChromosomePage::kCurveMin};
  for (int page = 0; page < kOptionsPageCount; ++page) {
    TheGroup().Settings().OPTION_PAGE = page;
    OptionSheet sheet(nullptr);
    sheet.resize(sheet.sizeHint());
    sheet.show();
    QApplication::processEvents();
    const QString path = QStringLiteral(ZELKO_SCREENSHOT_DIR "/options_%1.png")
                             .arg(QString::fromLatin1(names[page]));
    ASSERT_TRUE(sheet.grab().save(path));
    const QImage picture(path);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), sheet.size() * sheet.devicePixelRatio());
    QWidget* control = Control<QWidget>(sheet, firstControls[page]);
    EXPECT_TRUE(control->isVisible()) << names[page];
    // The two buttons of the sheet sit left of OK on its row.
    auto* reset = Control<QPushButton>(sheet, OptionSheet::kResetDefaultButton);
    auto* print = Control<QPushButton>(sheet, OptionSheet::kPrintSettingsButton);
    auto* ok = sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    const QPoint resetAt = reset->mapTo(&sheet, QPoint(0, 0));
    const QPoint printAt = print->mapTo(&sheet, QPoint(0, 0));
    const QPoint okAt = ok->mapTo(&sheet, QPoint(0, 0));
    EXPECT_LT(resetAt.x(), printAt.x());
    EXPECT_LT(printAt.x(), okAt.x());
    EXPECT_EQ(resetAt.y(), okAt.y());
    EXPECT_GE(reset->width(), ok->width());
  }
}

TEST_F(OptionSheetTest, SettingChecksShowEachSwitchAndClicksReadBackAsZeroOrOne) {
  static constexpr SettingChecks::Text kTexts[] = {
      {901, "First", &GroupSettings::HAS_BOTH},
      {902, "Second", &GroupSettings::HAS_STD},
      {903, "Third", &GroupSettings::HAS_GENE_NAME},
  };
  QWidget page;
  QVBoxLayout layout(&page);
  SettingChecks checks;
  checks.AddAll(kTexts, layout, &page);
  QCheckBox* laidOut = checks.Add("Apart", 904, &GroupSettings::USE_UNNORM, &page);
  layout.addWidget(laidOut);
  page.show();
  ASSERT_EQ(layout.count(), 4);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(layout.itemAt(i)->widget(), Control<QCheckBox>(page, kTexts[i].id)) << i;

  GroupSettings settings;
  settings.HAS_BOTH = 1;
  settings.HAS_STD = 0;
  settings.HAS_GENE_NAME = 7;  // any other value is on too
  settings.USE_UNNORM = 0;
  checks.Show(settings);
  const std::vector<int> ids = {901, 902, 903, 904};
  const std::vector<bool> shown = {true, false, true, false};
  for (std::size_t i = 0; i < ids.size(); ++i)
    EXPECT_EQ(Control<QCheckBox>(page, ids[i])->isChecked(), shown[i]) << ids[i];

  // A real click on each box turns it over; the settings read back as 0 or 1.
  for (const int id : ids) {
    QCheckBox* box = Control<QCheckBox>(page, id);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
  }
  checks.Read(settings);
  EXPECT_EQ(settings.HAS_BOTH, 0);
  EXPECT_EQ(settings.HAS_STD, 1);
  EXPECT_EQ(settings.HAS_GENE_NAME, 0);
  EXPECT_EQ(settings.USE_UNNORM, 1);
  EXPECT_EQ(Control<QCheckBox>(page, 904)->text(), QStringLiteral("Apart"));
}

}  // namespace
