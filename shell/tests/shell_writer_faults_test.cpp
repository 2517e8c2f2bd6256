// The window's own writers (the saved log, JPEG, bitmap and metafile pictures, the R view's
// expression file, the array list box, the recent file list) on a full disk and in a
// read-only folder: each says why (a red line or a message box naming the file with the
// system's reason, or the system's error number for the caller's message) and the file of
// its earlier run stays byte for byte as it was. The libraries' writers are in the loop over
// every writer (fuzz/tests).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "platform/byte_reader.hpp"
#include "platform/system_error.hpp"
#include "platform/tests/failing_writes.hpp"
#include "shell/dialogs/group/array_list_dialog.hpp"
#include "shell/dialogs/image/export_image_dialog.hpp"
#include "shell/dialogs/image/image_export.hpp"
#include "shell/main_frame.hpp"
#include "shell/services/image_export_choices.hpp"
#include "shell/services/jpeg_file.hpp"
#include "shell/services/recent_file_list.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/frame/analysis_view.hpp"
#include "shell/views/r/r_view_text.hpp"

namespace {

class ShellWriterFaults : public ShellTest {
 protected:
  void TearDown() override {
    ExportToClipboard = 1;
    ShellTest::TearDown();
  }

  // The View/Export Image command's picture written to path through its dialog, the
  // format clicked as a user would.
  bool ExportPicture(const std::string& path, int format) {
    ExportToClipboard = 0;
    prompts.dialogAnswer = [format](QDialog& dialog) {
      Control<QRadioButton>(dialog, ExportImageDialog::kExportToFile)->click();
      Control<QRadioButton>(dialog, format)->click();
      return int(QDialog::Accepted);
    };
    const auto draw = [](QPainter& painter) { painter.fillRect(QRect(4, 4, 20, 10), Qt::red); };
    const bool exported =
        ExportViewImage({path.substr(0, path.rfind('.')), QSize(40, 30), draw, {}}, nullptr);
    prompts.dialogAnswer = nullptr;
    return exported;
  }

  // The array list box's Save and Use with path typed into its file name: whether it
  // saved (the box closes); a box that stays open is left by Do Not Use.
  bool SaveArrayList(const std::string& path) {
    GroupSettings& settings = TheGroup().Settings();
    settings.ARRAY_LIST_FILE = File("source list.txt");
    ArrayListDialog dialog(settings, nullptr);
    bool saved = false;
    prompts.dialogAnswer = [&](QDialog& shown) {
      shown.show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(&shown));
      auto* name = Control<QLineEdit>(shown, ArrayListDialog::kFileName);
      QTest::mouseClick(name, Qt::LeftButton);
      QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(name, Qt::Key_Delete);
      QTest::keyClicks(name, QString::fromStdString(path));
      QTest::mouseClick(Control<QPushButton>(shown, ArrayListDialog::kSaveAndUse), Qt::LeftButton);
      saved = !shown.isVisible();
      if (!saved)
        QTest::mouseClick(Control<QPushButton>(shown, ArrayListDialog::kDoNotUse), Qt::LeftButton);
      return shown.result();
    };
    Prompts().RunDialog(dialog);
    prompts.dialogAnswer = nullptr;
    return saved && settings.ARRAY_LIST_FILE == path;
  }
};

enum class Says { kRedLine, kErrorNumber, kBox };

struct Writer {
  const char* name;
  const char* file;
  Says says;
  // Writes path, its lines going to log; whether it did, with the system's error number in
  // error for kErrorNumber.
  std::function<bool(const std::string& path, int& error, const CapturedLog& log)> write;
};

TEST_F(ShellWriterFaults, EveryWriterOfTheWindowSaysWhyAndKeepsItsEarlierFile) {
  CMainFrame& frame = OpenFrame();
  LogMessage("{A line for the log to hold}");
  const std::vector<std::uint8_t> pixels(4 * 3 * 3, 128);
  const std::vector<Writer> writers = {
      {"saved log", "log.doc", Says::kRedLine,
       [&](const std::string& path, int&, const CapturedLog& log) {
         prompts.fileAnswers.push_back(path);
         frame.AnalysisView().OnFileSaveAs();
         return log.Contains("Analysis log saved in " + path, kLogBlue);
       }},
      {"JPEG picture", "picture.jpg", Says::kErrorNumber,
       [&](const std::string& path, int& error, const CapturedLog&) {
         errno = 0;
         const bool written = WriteJpegFile(path, pixels.data(), 4, 3, true, 90);
         error = written ? 0 : errno;
         return written;
       }},
      {"R view's expression file", "expression_R.txt", Says::kErrorNumber,
       [](const std::string& path, int& error, const CapturedLog&) {
         return WriteExpressionFile(path, &error);
       }},
      {"metafile picture", "picture.emf", Says::kRedLine,
       [this](const std::string& path, int&, const CapturedLog&) {
         return ExportPicture(path, ExportImageDialog::kFormatEmf);
       }},
      {"bitmap picture", "picture.bmp", Says::kRedLine,
       [this](const std::string& path, int&, const CapturedLog&) {
         return ExportPicture(path, ExportImageDialog::kFormatBmp);
       }},
      {"array list box", "arrays.txt", Says::kBox,
       [this](const std::string& path, int&, const CapturedLog&) { return SaveArrayList(path); }},
      {"recent file list", "registry", Says::kRedLine,
       [](const std::string& path, int&, const CapturedLog&) {
         // The fixture's registry file is the one in the test's folder.
         CRecentFileList recent("Writers", "Zelko", 4);
         recent.Add(path + ".group");
         return recent.WriteList();
       }},
  };
  std::ofstream(File("source list.txt")) << "S1\nS2\n";
  for (const Writer& writer : writers) {
    SCOPED_TRACE(writer.name);
    const std::string path = File(writer.file);
    int error = 0;
    {
      const CapturedLog log;
      ASSERT_TRUE(writer.write(path, error, log));
    }
    const std::optional<std::vector<std::uint8_t>> earlier = platform::ReadWholeFile(path);
    ASSERT_TRUE(earlier && !earlier->empty());
    for (const platform::testing::WriteFailureCase& failure :
         platform::testing::kWriteFailureCases) {
      SCOPED_TRACE(failure.what);
      const CapturedLog log;
      prompts.prompts.clear();
      error = 0;
      bool written = true;
      {
        const platform::testing::FailingWrites failing(failure);
        written = writer.write(path, error, log);
      }
      EXPECT_FALSE(written);
      const std::string reason = "(" + platform::SystemErrorText(failure.error) + ")";
      if (writer.says == Says::kErrorNumber) {
        EXPECT_EQ(error, failure.error) << platform::SystemErrorText(error);
      } else if (writer.says == Says::kBox) {
        bool named = false;
        for (const RecordedPrompt& box : prompts.prompts)
          named = named || (box.kind == RecordedPrompt::Kind::kMessage &&
                            box.text.find(path) != std::string::npos &&
                            box.text.find(reason) != std::string::npos);
        EXPECT_TRUE(named) << "no box names " << path << " with " << reason;
      } else {
        bool named = false;
        for (const CapturedLine& line : log.Lines())
          named = named || (line.colour == kLogRed && line.text.find(path) != std::string::npos &&
                            line.text.find(reason) != std::string::npos);
        EXPECT_TRUE(named) << "no red line names " << path << " with " << reason;
      }
      EXPECT_EQ(platform::ReadWholeFile(path), earlier);
    }
  }
}

}  // namespace
