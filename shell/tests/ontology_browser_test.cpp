// Tools/Ontoroam with a stand-in for the outside tool (shell/tests/Kestrum.exe, copied
// into a folder whose name a shell would mangle): each refusal keeps the dialog open and
// starts nothing; Run writes the INI file and starts the tool in its folder, which
// records that folder and the INI file it finds.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "genes/annotation/ontology_browser_link.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/annotation/go_browser_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

namespace fs = std::filesystem;

class OntologyBrowserTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    tool = platform::JoinPath(Folder(), "tool \"dir\"; $HOME 'x'");
    ASSERT_TRUE(fs::create_directory(tool));
    GroupSettings& settings = TheGroup().Settings();
    settings.ONTOROAM_DIR = Folder();
    settings.ONTOROAM_INFO_FILE = "";
    settings.GENE_LIST_FILE = "";
    prompts.onMessage = [this](std::string_view text) { messages.emplace_back(text); };
  }

  void PlaceStandIn(fs::perms permissions) {
    const std::string target = platform::JoinPath(tool, kOntoroamProgram);
    fs::copy_file(ZELKO_SHELL_TEST_SOURCE "/Kestrum.exe", target,
                  fs::copy_options::overwrite_existing);
    fs::permissions(target, permissions);
  }

  std::string RecordPath() const { return platform::JoinPath(tool, "Kestrum.record"); }

  // The stand-in's record once it has appeared whole; empty after ten seconds.
  std::vector<std::string> WaitForRecord() const {
    const auto start = std::chrono::steady_clock::now();
    while (!fs::exists(RecordPath())) {
      if (std::chrono::steady_clock::now() - start > std::chrono::seconds(10)) return {};
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::vector<std::string> lines;
    std::ifstream in(RecordPath());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  static void ClickRun(QDialog& dialog) {
    for (QAbstractButton* button : dialog.findChild<QDialogButtonBox*>()->buttons())
      if (button->text() == QStringLiteral("&Run Ontoroam")) compare_events::Click(*button);
  }

  // The INI file's first line for the local time now.
  static std::string StampNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string text = OntoroamIniText({}, local);
    return text.substr(0, text.find('\n'));
  }

  // What the tool finds: its folder, no arguments, and the INI file line by line.
  std::vector<std::string> ExpectedRecord(const std::string& stamp, const std::string& info,
                                          const std::string& list1, const std::string& list2,
                                          const char* code) const {
    return {"folder=" + tool,
            "arguments=0",
            stamp,
            "strInFile1 =" + list1,
            "strInFile2 =" + list2,
            "strInFile3 =",
            "m_strGeneIdType =Vosk",
            "strChipType =",
            "bAllChip =false",
            "m_boolHighlightBranch =true",
            "m_boolShowTerm =true",
            "m_bShowGoId =false",
            "m_boolQuickDisplay =false",
            "m_bHideNodes =false",
            "m_nGeneNoThreshold =5",
            "nBranchWidth =1",
            "nNodeRadius =3",
            "nColorSet =1",
            "m_nHighlightType =1",
            "dPValue =0.050000",
            tool,
            tool + "/GOpath.txt",
            info,
            "Directly draw tree =true",
            std::string("GO category =") + code};
  }

  // Compares a record with the expected one, allowing the minute to turn during the run.
  void CheckRecord(const std::vector<std::string>& record, std::vector<std::string> expected,
                   const std::string& laterStamp) const {
    ASSERT_EQ(record.size(), expected.size());
    if (record[2] == laterStamp) expected[2] = laterStamp;
    for (std::size_t i = 0; i < record.size(); ++i) EXPECT_EQ(record[i], expected[i]) << i;
  }

  std::string tool;
  std::vector<std::string> messages;
};

TEST_F(OntologyBrowserTest, RefusalsKeepTheDialogOpenAndRunStartsTheToolInItsFolder) {
  CMainFrame& frame = OpenFrame();
  frame.UpdateCommandUi();
  ASSERT_TRUE(frame.Action(ids::kOntoroam)->isEnabled());
  const std::string info = File("ontoroam info.txt");
  const std::string list1 = File("list one.xls");
  const std::string list2 = File("list two.xls");
  const std::string program = platform::JoinPath(tool, kOntoroamProgram);
  const std::string ini = platform::JoinPath(tool, kOntoroamIniName);
  std::string stamp;

  prompts.dialogAnswer = [&](QDialog& dialog) {
    dialog.show();
    prompts.folderAnswers = {tool};
    compare_events::Click(*Control<QPushButton>(dialog, GoBrowserDialog::kFolderButton));
    EXPECT_EQ(Control<QLineEdit>(dialog, GoBrowserDialog::kFolder)->text().toStdString(), tool);
    EXPECT_EQ(TheGroup().Settings().ONTOROAM_DIR, tool);

    ClickRun(dialog);
    EXPECT_EQ(messages.back(), program + " not found");
    EXPECT_TRUE(dialog.isVisible());

    PlaceStandIn(fs::perms::owner_all);
    ClickRun(dialog);
    EXPECT_EQ(messages.back(), GoBrowserDialog::kFilesUnsetMessage);
    EXPECT_TRUE(dialog.isVisible());

    prompts.fileAnswers = {info, list1, list2};
    for (int id :
         {GoBrowserDialog::kInfoFile, GoBrowserDialog::kGeneList1, GoBrowserDialog::kGeneList2})
      compare_events::Click(*Control<QPushButton>(dialog, id));
    compare_events::Click(*Control<QRadioButton>(dialog, GoBrowserDialog::kMolecularFunction));

    // A read-only folder with a folder where the INI file goes: no way to write it.
    EXPECT_TRUE(fs::create_directory(ini));
    fs::permissions(tool, fs::perms::owner_read | fs::perms::owner_exec);
    ClickRun(dialog);
    fs::permissions(tool, fs::perms::owner_all);
    fs::remove(ini);
    EXPECT_EQ(messages.back().rfind(GoBrowserDialog::kIniFailedMessage, 0), 0u) << messages.back();
    EXPECT_TRUE(dialog.isVisible());

    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_write);
    ClickRun(dialog);
    EXPECT_EQ(messages.back().rfind("Starting '" + program + "' failed", 0), 0u) << messages.back();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(fs::exists(RecordPath())) << "a refused run starts nothing";
    fs::permissions(program, fs::perms::owner_all);

    stamp = StampNow();
    ClickRun(dialog);
    return dialog.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kOntoroam));
  EXPECT_EQ(messages.size(), 4u);
  CheckRecord(WaitForRecord(), ExpectedRecord(stamp, info, list1, list2, "MF"), StampNow());
  const GroupSettings& settings = TheGroup().Settings();
  EXPECT_EQ(settings.ONTOROAM_INFO_FILE, info);
  EXPECT_EQ(settings.GENE_LIST_FILE, list1);
  // The replacement file leaves nothing of its own beside the INI file.
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(tool))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{kOntoroamProgram, kOntoroamIniName, "Kestrum.record"}));

  // The class and gene list 2 are kept for the next run; switched off, list 2 is written
  // empty.
  fs::remove(RecordPath());
  prompts.dialogAnswer = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_TRUE(Control<QRadioButton>(dialog, GoBrowserDialog::kMolecularFunction)->isChecked());
    auto* second = Control<QPushButton>(dialog, GoBrowserDialog::kGeneList2);
    EXPECT_EQ(second->text().toStdString(), list2);
    compare_events::Click(*second);
    EXPECT_EQ(second->text(), QStringLiteral("None"));
    stamp = StampNow();
    ClickRun(dialog);
    return dialog.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kOntoroam));
  CheckRecord(WaitForRecord(), ExpectedRecord(stamp, info, list1, "", "MF"), StampNow());
  EXPECT_EQ(GoBrowserDialog::GeneList2(), "None " + list2);
  EXPECT_EQ(messages.size(), 4u);
}

TEST_F(OntologyBrowserTest, Screenshot) {
  TheGroup().Settings().ONTOROAM_DIR = tool;
  GoBrowserDialog dialog(nullptr);
  CheckScreenshot(dialog, "go_browser_dialog.png", QStringLiteral("Ontoroam directory: "));
}

}  // namespace
