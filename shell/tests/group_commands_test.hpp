// Test support for the group commands driven through the window: a generated group of
// three arrays on disk, the window's pump, and answers to the Open Group sheet.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "shell/dialogs/common/property_sheet.hpp"
#include "shell/dialogs/group/extract_cdf_page.hpp"
#include "shell/dialogs/group/extract_data_page.hpp"
#include "shell/dialogs/group/group_name_box.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/tests/synth_group_files.hpp"
#include "tools/synth/whole_group.hpp"

class GroupCommandsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    // As in the program: pumping handles the window's pending events.
    mPreviousPump = SetPumpHook([] { QCoreApplication::processEvents(); });
    mFiles = WriteSynthGroup(Folder(), "liver", 3);
    GroupSettings& settings = TheGroup().Settings();
    settings.LOAD_PROBE_DATA = 1;
    settings.WORKING_DIR = Folder();
  }
  void TearDown() override {
    SetPumpHook(mPreviousPump);
    ShellTest::TearDown();
    Layout = CDF_LAYOUT{};
    ArrayType = 0;
  }

  std::string DataFolder() const { return platform::JoinPath(Folder(), "data"); }
  std::string WholeFolder() const { return platform::JoinPath(Folder(), "whole"); }

  // The whole group the options describe, written into WholeFolder(); nothing, and a
  // failed test, when it cannot be made or written.
  std::optional<synth::WholeGroupTruth> WrittenWholeGroup(const synth::WholeGroupOptions& options) {
    std::string error;
    std::optional<synth::WholeGroupTruth> truth = synth::MakeWholeGroup(options, &error);
    EXPECT_TRUE(truth.has_value()) << error;
    if (!truth) return truth;
    std::filesystem::create_directories(WholeFolder());
    std::vector<std::string> written;
    if (!synth::WriteWholeGroup(*truth, WholeFolder(), written, &error)) {
      ADD_FAILURE() << error;
      return std::nullopt;
    }
    return truth;
  }

  // A saved group with its data path.
  void SaveGroup(const std::string& name, const std::string& dataPath) {
    Group& group = TheGroup();
    const std::string previous = group.Name();
    const std::string previousPath = group.Settings().DATA_PATH;
    group.SetName(name);
    group.Settings().DATA_PATH = dataPath;
    ASSERT_TRUE(group.WriteGroupSettings());
    group.SetName(previous);
    group.Settings().DATA_PATH = previousPath;
  }

  template <typename T>
  static T* Find(QWidget& parent, int id) {
    auto* control = parent.findChild<T*>(QStringLiteral("c%1").arg(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
  }

  // Fills the Open Group sheet as a user would, reading every array afresh from its cell
  // file and the chip description afresh, and presses OK.
  static std::function<int(QDialog&)> AnswerOpenGroup(const std::string& name,
                                                      const std::string& dataPath,
                                                      const std::string& cdfPath) {
    return [=](QDialog& dialog) {
      auto& sheet = dynamic_cast<PropertySheet&>(dialog);
      PropertyPage& data = *sheet.Page(0);
      Find<QComboBox>(data, kGroupNameBox)->setEditText(QString::fromStdString(name));
      Find<QLineEdit>(data, ExtractDataDlg::kDataPath)->setText(QString::fromStdString(dataPath));
      Find<QCheckBox>(data, ExtractDataDlg::kReadDat)->setChecked(false);
      Find<QCheckBox>(data, ExtractDataDlg::kReadCel)->setChecked(true);
      Find<QCheckBox>(data, ExtractDataDlg::kReadQvf)->setChecked(false);
      Find<QCheckBox>(data, ExtractDataDlg::kIgnoreExistingQvf)->setChecked(true);
      EXPECT_TRUE(sheet.SetActivePage(1));
      PropertyPage& chip = *sheet.Page(1);
      Find<QLineEdit>(chip, ExtractCdfDlg::kCdfFile)->setText(QString::fromStdString(cdfPath));
      Find<QCheckBox>(chip, ExtractCdfDlg::kRebuildLayoutCache)->setChecked(true);
      sheet.accept();
      return sheet.result();
    };
  }

  // Opens the generated group "liver" through the sheet.
  void OpenLiver(CMainFrame& frame) {
    prompts.dialogAnswer = AnswerOpenGroup("liver", DataFolder(), mFiles.cdfPath);
    ASSERT_TRUE(frame.OnCommand(ids::kOpenGroup));
    ASSERT_EQ(TheGroup().NumArrays(), 3);
    prompts.prompts.clear();
  }

  // The log's lines from line `from` on.
  std::vector<std::string> LinesFrom(std::size_t from) const {
    const std::vector<std::string> all = LogLines();
    if (from >= all.size()) return {};
    return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
  }

  static bool IsFinishedLine(const std::string& line) {
    return std::regex_match(line, std::regex("Finished in [0-9a-z ]+\\}"));
  }

  std::function<void()> mPreviousPump;
  SynthGroupFiles mFiles;
};
