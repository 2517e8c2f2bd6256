// The group commands driven through the window as a user would: Open Group's sheet filled
// in and accepted gives the same arrays and log lines as the engine's own calls, with the
// group's items in the tree; a cancelled or failed open leaves the previous group's
// settings in force.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <regex>

#include "engine/array/chip_data.hpp"
#include "engine/array/normalizer.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/load_cdf.hpp"
#include "engine/jobs/normalize_arrays.hpp"
#include "engine/jobs/open_group.hpp"
#include "engine/services/running_scope.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/expression/normalization_plot_dialog.hpp"
#include "shell/dialogs/expression/normalize_dialog.hpp"
#include "shell/dialogs/group/extract_cdf_page.hpp"
#include "shell/dialogs/group/extract_data_page.hpp"
#include "shell/dialogs/group/group_name_box.hpp"
#include "shell/dialogs/group/open_group_state.hpp"
#include "shell/tests/group_commands_test.hpp"
#include "shell/views/r/plots_view.hpp"
#include "tools/synth/whole_group.hpp"

namespace {

TEST_F(GroupCommandsTest, OpenGroupGivesTheEngineCallsArraysAndLines) {
  CMainFrame& frame = OpenFrame();
  prompts.dialogAnswer = AnswerOpenGroup("liver", DataFolder(), mFiles.cdfPath);
  ASSERT_TRUE(frame.OnCommand(ids::kOpenGroup));
  EXPECT_EQ(AnalysisRunning, 0);

  const std::vector<std::string> lines = LogLines();
  const auto open = std::find(lines.begin(), lines.end(), "{Open group liver");
  ASSERT_NE(open, lines.end());
  const auto finished = std::find_if(open, lines.end(), IsFinishedLine);
  ASSERT_NE(finished, lines.end());
  const std::vector<std::string> windowLines(open + 1, finished);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) {
                            return line.find("is closed}") != std::string::npos;
                          }),
            0)
      << "the first open closes no group";

  Group& group = TheGroup();
  EXPECT_EQ(group.Name(), "liver");
  EXPECT_EQ(frame.windowTitle().toStdString().find("liver") != std::string::npos, true);
  ASSERT_EQ(group.NumArrays(), 3);
  EXPECT_TRUE(group.HasProbeData) << "the commands that need array data are enabled";
  ASSERT_NE(frame.LeftView().ViewItem(VIEW_CEL), nullptr);
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_CEL)->childCount(), 3);
  EXPECT_NE(frame.LeftView().ViewItem(VIEW_PLOTS), nullptr);
  EXPECT_TRUE(platform::FileExists(File("liver.ini")));
  std::vector<std::string> names;
  std::vector<int> medians;
  for (int a = 0; a < group.NumArrays(); ++a) {
    names.push_back(group.Array(a).name);
    medians.push_back(group.Array(a).medianIntensity);
  }
  EXPECT_EQ(names, mFiles.names);
  const int baseline = group.BaselineArray;

  // The engine's own calls on the same files, afresh.
  const std::size_t before = LogLines().size();
  group.ClearGroup();
  Layout = CDF_LAYOUT{};
  CdfLoadSettings load;
  load.LOAD_PROBE_DATA = 1;
  ASSERT_TRUE(LoadCdf(mFiles.cdfPath, true, "", load));
  OpenGroupOptions options;
  options.ignoreExistingQvf = true;
  {
    const RaisedAnalysisRunning running;
    ASSERT_TRUE(SearchDataFiles(options));
  }
  const std::vector<std::string> all = LogLines();
  const std::vector<std::string> engineLines(all.begin() + static_cast<std::ptrdiff_t>(before),
                                             all.end());
  EXPECT_EQ(windowLines, engineLines);
  for (int a = 0; a < group.NumArrays(); ++a) EXPECT_EQ(group.Array(a).medianIntensity, medians[a]);
  EXPECT_EQ(group.BaselineArray, baseline);
}

TEST_F(GroupCommandsTest, AWholeGeneratedGroupOpensFromItsListAsTheEngineOpensIt) {
  // Cell files of every form and scanner images, a repeated and a missing scan time, a
  // data file list and the side files, as the generator writes a group.
  synth::WholeGroupOptions options;
  options.chip.dimension = 80;
  options.chip.unitCount = 150;
  options.chip.chipType = "WholeSheet";
  options.group.arrays = 6;
  options.name = "whole";
  options.forms = {synth::ArrayFileForm::kText, synth::ArrayFileForm::kBinary,
                   synth::ArrayFileForm::kImage};
  options.distinctScanTimes = true;
  options.duplicateTag = 3;
  options.undated = {4};
  options.sideFiles = true;
  const std::optional<synth::WholeGroupTruth> truth = WrittenWholeGroup(options);
  ASSERT_TRUE(truth.has_value());
  const std::string folder = WholeFolder();
  const std::string list = platform::JoinPath(folder, truth->dataFileList);
  const std::string chip = platform::JoinPath(folder, truth->chipFile);
  const std::string sampleInfo = platform::JoinPath(folder, truth->sampleInfoFile);

  CMainFrame& frame = OpenFrame();
  prompts.dialogAnswer = [&](QDialog& dialog) {
    auto& sheet = dynamic_cast<PropertySheet&>(dialog);
    PropertyPage& data = *sheet.Page(0);
    Find<QComboBox>(data, kGroupNameBox)->setEditText(QStringLiteral("whole"));
    prompts.fileAnswers.push_back(list);
    Find<QPushButton>(data, ExtractDataDlg::kDataFileListButton)->click();
    Find<QCheckBox>(data, ExtractDataDlg::kReadDat)->setChecked(true);
    Find<QCheckBox>(data, ExtractDataDlg::kReadCel)->setChecked(true);
    Find<QCheckBox>(data, ExtractDataDlg::kReadQvf)->setChecked(false);
    EXPECT_TRUE(sheet.SetActivePage(1));
    PropertyPage& other = *sheet.Page(1);
    prompts.fileAnswers.push_back(chip);
    Find<QPushButton>(other, ExtractCdfDlg::kCdfFileButton)->click();
    prompts.fileAnswers.push_back(sampleInfo);
    Find<QPushButton>(other, ExtractCdfDlg::kSampleInfoButton)->click();
    sheet.accept();
    return sheet.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kOpenGroup));
  Group& group = TheGroup();
  EXPECT_EQ(group.Settings().DATA_PATH, list);
  EXPECT_EQ(group.Settings().CDF_FILE, chip);
  EXPECT_EQ(group.Settings().SAMPLE_INFO_FILE, sampleInfo);
  const std::vector<int> opened = truth->OpenedArrays();
  ASSERT_EQ(group.NumArrays(), static_cast<int>(opened.size()));
  std::vector<std::string> names;
  std::vector<int> medians;
  for (int a = 0; a < group.NumArrays(); ++a) {
    EXPECT_EQ(group.Array(a).name, truth->arrays[static_cast<std::size_t>(opened[a])].name);
    names.push_back(group.Array(a).name);
    medians.push_back(group.Array(a).medianIntensity);
  }
  const std::vector<std::string> lines = LogLines();
  const auto open = std::find(lines.begin(), lines.end(), "{Open group whole");
  ASSERT_NE(open, lines.end());
  const auto finished = std::find_if(open, lines.end(), IsFinishedLine);
  ASSERT_NE(finished, lines.end());
  const std::vector<std::string> windowLines(open + 1, finished);

  // The engine's calls on the same settings; the QVF files the window wrote are read.
  group.ClearGroup();
  Layout = CDF_LAYOUT{};
  const std::size_t before = LogLines().size();
  CdfLoadSettings load;
  load.LOAD_PROBE_DATA = 1;
  ASSERT_TRUE(LoadCdf(chip, false, "", load));
  {
    const RaisedAnalysisRunning running;
    ASSERT_TRUE(SearchDataFiles());
  }
  ASSERT_EQ(group.NumArrays(), static_cast<int>(names.size()));
  for (int a = 0; a < group.NumArrays(); ++a) {
    EXPECT_EQ(group.Array(a).name, names[static_cast<std::size_t>(a)]);
    EXPECT_EQ(group.Array(a).medianIntensity, medians[static_cast<std::size_t>(a)]);
  }
  // Reading the QVF files logs other lines than reading the data files; the arrays
  // found, in order, are the same.
  const auto found = [](const std::vector<std::string>& from) {
    std::vector<std::string> arrays;
    for (const std::string& line : from)
      if (line.rfind("  Found ", 0) == 0) arrays.push_back(line);
    return arrays;
  };
  const std::vector<std::string> all = LogLines();
  EXPECT_EQ(found(windowLines),
            found({all.begin() + static_cast<std::ptrdiff_t>(before), all.end()}));
  // Every data file of the list is found; the repeated scan time is set aside.
  EXPECT_EQ(found(windowLines).size(), truth->arrays.size());
}

TEST_F(GroupCommandsTest, NormalizationPlotSavesTheArrayOnlyWhenTold) {
  CMainFrame& frame = OpenFrame();
  OpenLiver(frame);
  TheGroup().Settings().CUR_ARRAY = 1;
  bool save = false;
  prompts.dialogAnswer = [&save](QDialog& dialog) {
    Find<QComboBox>(dialog, NormalizationPlotDialog::kBaselineList)->setCurrentIndex(0);
    Find<QCheckBox>(dialog, NormalizationPlotDialog::kSaveNormalized)->setChecked(save);
    dialog.accept();
    return dialog.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kNormalizationPlot));
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_PLOTS);
  auto* plots = dynamic_cast<PlotsView*>(frame.RightViews(VIEW_PLOTS));
  ASSERT_NE(plots, nullptr);
  EXPECT_TRUE(plots->Ready());
  EXPECT_EQ(plots->Plots()[0].title.rfind("X: liver02 raw, Y: baseline liver01 raw", 0), 0u);
  EXPECT_EQ(plots->Plots()[0].usedPoints, static_cast<int>(Normalizer.Points().size()));
  ASSERT_TRUE(ReadArrayQvfHeader(1));
  EXPECT_EQ(ChipData.normalised, 0) << "a plot asked for changes no file";

  save = true;
  ASSERT_TRUE(frame.OnCommand(ids::kNormalizationPlot));
  ASSERT_TRUE(ReadArrayQvfHeader(1));
  EXPECT_EQ(ChipData.normalised, 1);
  EXPECT_TRUE(SameFileName(ChipData.baselinePath, mFiles.celPaths[0]));
  EXPECT_FALSE(NormPlotOptions().saveNormalized) << "the saving choice holds for one plot";
  EXPECT_EQ(AnalysisRunning, 0);
}

TEST_F(GroupCommandsTest, WithoutProbeDataInMemoryNormalizeAndModelLoadTheChipAgain) {
  TheGroup().Settings().LOAD_PROBE_DATA = 0;
  CMainFrame& frame = OpenFrame();
  OpenLiver(frame);
  Group& group = TheGroup();
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_CEL), nullptr) << "no arrays to show";
  EXPECT_FALSE(frame.CommandUi(ids::kNormalizationPlot).enabled);
  prompts.AcceptDialogs();
  group.Settings().VIEW_NORM_PLOT = 0;
  ASSERT_TRUE(frame.OnCommand(ids::kNormalize));
  EXPECT_TRUE(group.Normalized);
  for (int a = 0; a < group.NumArrays(); ++a) {
    ASSERT_TRUE(ReadArrayQvfHeader(a));
    EXPECT_EQ(ChipData.normalised, 1) << a;
  }
  ASSERT_TRUE(frame.OnCommand(ids::kModelExpression));
  EXPECT_TRUE(group.Modelled);
  EXPECT_FALSE(ProbeLevelFlag) << "raised for the commands' runs only";
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "Normalization not completed}"), lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "Expression calculation not completed}"),
            lines.end());
}

TEST_F(GroupCommandsTest, TheLastGroupOpenedIsOfferedAtTheNextStart) {
  CMainFrame& frame = OpenFrame();
  OpenLiver(frame);
  // The program ends, and starts again in the same home folder.
  ExitGroup();
  StartGroup(Folder());
  ASSERT_EQ(TheGroup().Name(), "Zelko");
  OpenGroupState state;
  ExtractDataDlg page(state, nullptr);
  EXPECT_EQ(page.GroupName(), "liver");
  EXPECT_EQ(Find<QLineEdit>(page, ExtractDataDlg::kDataPath)->text().toStdString(), DataFolder());
  EXPECT_EQ(TheGroup().Settings().CDF_FILE, mFiles.cdfPath);
}

TEST_F(GroupCommandsTest, CancelAfterChoosingAnotherGroupKeepsThePreviousSettings) {
  SaveGroup("mouse", "/data/mouse");
  TheGroup().SetName("rat");
  TheGroup().Settings().DATA_PATH = "/data/rat";
  CMainFrame& frame = OpenFrame();
  prompts.dialogAnswer = [](QDialog& sheet) {
    auto* names = sheet.findChild<QComboBox*>(QStringLiteral("c%1").arg(kGroupNameBox));
    const int mouse = names->findText(QStringLiteral("mouse"));
    names->setCurrentIndex(mouse);
    emit names->activated(mouse);
    EXPECT_EQ(TheGroup().Settings().DATA_PATH, "/data/mouse");
    EXPECT_NE(AnalysisRunning, 0) << "analyses stay disabled while the sheet is open";
    return static_cast<int>(QDialog::Rejected);
  };
  const std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kOpenGroup));
  EXPECT_EQ(TheGroup().Name(), "rat");
  EXPECT_EQ(TheGroup().Settings().DATA_PATH, "/data/rat");
  EXPECT_EQ(TheGroup().Settings().LAST_GROUP_NAME, "mouse");
  EXPECT_EQ(AnalysisRunning, 0);
  EXPECT_EQ(LogLines().size(), before) << "a cancelled sheet writes no block";
}

TEST_F(GroupCommandsTest, AFailedOpenClosesTheBlockAndReadsThePreviousSettingsBack) {
  TheGroup().SetName("rat");
  TheGroup().Settings().DATA_PATH = "/data/rat";
  CMainFrame& frame = OpenFrame();
  frame.CloseGroup();  // past the first call, which only records that it ran
  prompts.dialogAnswer = AnswerOpenGroup("liver", DataFolder(), File("missing.cdf"));
  ASSERT_TRUE(frame.OnCommand(ids::kOpenGroup));
  const std::vector<std::string> lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "{Group rat is closed}"), lines.end())
      << "the old group closes under its own name";
  EXPECT_NE(std::find(lines.begin(), lines.end(), "{Open group liver"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Opening group not completed}"), lines.end());
  EXPECT_EQ(TheGroup().NumArrays(), 0);
  EXPECT_FALSE(TheGroup().HasProbeData);
  EXPECT_EQ(TheGroup().Name(), "rat");
  EXPECT_EQ(TheGroup().Settings().DATA_PATH, "/data/rat");
  EXPECT_EQ(TheGroup().Settings().LAST_GROUP_NAME, "liver");
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_CEL), nullptr);
  EXPECT_EQ(AnalysisRunning, 0);
}

TEST_F(GroupCommandsTest, NormalizeWithItsReviewThenComputeExpression) {
  CMainFrame& frame = OpenFrame();
  OpenLiver(frame);
  Group& group = TheGroup();
  prompts.dialogAnswer = [](QDialog& dialog) {
    if (dialog.objectName() == QStringLiteral("c138")) {
      // The default baseline is the array of median brightness; the review is wanted.
      Find<QCheckBox>(dialog, NormalizeDialog::kViewNormPlot)->setChecked(true);
    }
    dialog.accept();
    return dialog.result();
  };
  EXPECT_TRUE(frame.CommandUi(ids::kNormalize).enabled);
  const std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kNormalize));
  EXPECT_EQ(AnalysisRunning, 0);
  EXPECT_TRUE(group.Normalized);
  const std::vector<std::string> lines = LinesFrom(before);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "{Normalize arrays using Invariant set normalization");
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), IsFinishedLine), 1)
      << "the job closes the block, the road adds nothing";
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "{Normalization plot using Invariant set normalization"),
            1)
      << "the baseline is read once for all reviews";
  // Each array but the baseline waited for the user after its review.
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kMessage), group.NumArrays() - 1);

  // The plots show the last array's review: the pairs of the engine's invariant set.
  auto* plots = dynamic_cast<PlotsView*>(frame.RightViews(VIEW_PLOTS));
  ASSERT_NE(plots, nullptr);
  ASSERT_TRUE(plots->Ready());
  ASSERT_EQ(plots->Plots().size(), 4u);
  EXPECT_GT(Normalizer.Points().size(), 0u);
  EXPECT_EQ(plots->Plots()[0].usedPoints, static_cast<int>(Normalizer.Points().size()));
  EXPECT_EQ(plots->Plots()[1].usedPoints, static_cast<int>(Normalizer.Points().size()));
  // Every array's QVF file holds its normalisation against the baseline.
  const std::string& baseline = group.Array(group.BaselineArray).dataFile;
  for (int a = 0; a < group.NumArrays(); ++a) {
    SCOPED_TRACE(a);
    ASSERT_TRUE(ReadArrayQvfHeader(a));
    EXPECT_EQ(ChipData.normalised, 1);
    EXPECT_TRUE(SameFileName(ChipData.baselinePath, baseline));
  }

  // The next Normalize dialog tells against which array the first one was normalised.
  {
    NormalizeDialog next(nullptr);
    EXPECT_EQ(Find<QLabel>(next, NormalizeDialog::kArrayState)->text().toStdString(),
              "The first array 'liver01' has been normalized using baseline array '" +
                  group.Array(group.BaselineArray).name + "'");
  }

  const std::size_t beforeModel = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kModelExpression));
  const std::vector<std::string> modelLines = LinesFrom(beforeModel);
  ASSERT_GE(modelLines.size(), 2u);
  EXPECT_EQ(modelLines[0], "{Model-based expression");
  EXPECT_EQ(std::count_if(modelLines.begin(), modelLines.end(), IsFinishedLine), 1);
  EXPECT_TRUE(group.Modelled);
  EXPECT_EQ(group.Settings().SHOW_OUTLIER, 1);
  for (int a = 0; a < group.NumArrays(); ++a)
    EXPECT_EQ(group.Array(a).values.size(), static_cast<std::size_t>(Layout.unitCount));
  EXPECT_EQ(AnalysisRunning, 0);
}

TEST_F(GroupCommandsTest, CancelInTheReviewNormalizesTheRemainingArraysWithoutIt) {
  CMainFrame& frame = OpenFrame();
  // OK to every array's review, then Cancel at the first.
  for (const bool cancel : {false, true}) {
    SCOPED_TRACE(cancel);
    OpenLiver(frame);
    Group& group = TheGroup();
    group.Settings().VIEW_NORM_PLOT = 1;
    prompts.AcceptDialogs();
    if (cancel) prompts.messageAnswers = {kAnswerCancel};
    const std::size_t before = LogLines().size();
    ASSERT_TRUE(frame.OnCommand(ids::kNormalize));
    std::vector<RecordedPrompt> waits;
    for (const RecordedPrompt& prompt : prompts.prompts)
      if (prompt.text == kNextArrayPrompt) waits.push_back(prompt);
    ASSERT_EQ(static_cast<int>(waits.size()), cancel ? 1 : group.NumArrays() - 1);
    for (const RecordedPrompt& wait : waits) EXPECT_EQ(wait.buttons, MessageButtons::kOkCancel);
    const std::vector<std::string> lines = LinesFrom(before);
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "  Review ended; the remaining arrays are normalized without it"),
              cancel ? 1 : 0);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), IsFinishedLine), 1);
    EXPECT_TRUE(group.Normalized);
    for (int a = 0; a < group.NumArrays(); ++a) {
      ASSERT_TRUE(ReadArrayQvfHeader(a));
      EXPECT_EQ(ChipData.normalised, 1) << a;
    }
    EXPECT_EQ(group.Settings().VIEW_NORM_PLOT, 1) << "the setting outlives the ended review";
    EXPECT_EQ(AnalysisRunning, 0);
  }
}

}  // namespace
