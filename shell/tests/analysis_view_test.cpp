// The log pane: the engine's lines, progress lines, file links and Save Log.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>
#include <QUrl>

#include <fstream>
#include <sstream>

#include "shell/services/output_files.hpp"
#include "shell/services/rtf_reader.hpp"
#include "shell/services/rtf_writer.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using AnalysisViewTest = ShellTest;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

TEST_F(AnalysisViewTest, EngineLinesBringTheLogBack) {
  CMainFrame& frame = OpenFrame();
  CLeftView& tree = frame.LeftView();
  tree.SelectViewItem(VIEW_ANALYSIS);
  tree.setCurrentItem(tree.InsertViewItem(VIEW_CLUSTER, QStringLiteral("Clustering"), 4));
  ASSERT_EQ(frame.CurrentViewIndex(), VIEW_CLUSTER);

  PumpCounter pumps;
  LogMessage("    Error: no arrays found", 0, kLogRed);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_ANALYSIS);
  EXPECT_EQ(frame.PaneView(), &frame.AnalysisView());
  EXPECT_EQ(tree.currentItem(), tree.ViewItem(VIEW_ANALYSIS));
  EXPECT_EQ(pumps.count, 2) << "one after the switch, one after the line";
  const auto lines = LogLines();
  EXPECT_EQ(lines.back(), "    Error: no arrays found");
  EXPECT_EQ(LineColour(static_cast<int>(lines.size()) - 1), QColor(255, 0, 0));

  LogMessage("  next", 0, kLogGreen);
  EXPECT_EQ(pumps.count, 3) << "no switch while the log is shown";
  EXPECT_EQ(LineColour(static_cast<int>(LogLines().size()) - 1), QColor(0x6B, 0x8E, 0x23));
}

TEST_F(AnalysisViewTest, ProgressLinesReplaceTheLastLine) {
  OpenFrame();
  const auto before = LogLines();
  LogMessage("  Reading arrays");
  LogMessage("    Line 10000", 1);
  LogMessage("    Line 20000", 1);
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), before.size() + 1);
  EXPECT_EQ(lines.back(), "    Line 20000");
  EXPECT_EQ(
      std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(before.size())),
      before);
  // The first progress line replaced the step's own line: the last written line goes.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "  Reading arrays"), 0);

  LogMessage("  Done");
  lines = LogLines();
  EXPECT_EQ(lines[lines.size() - 2], "    Line 20000");
  EXPECT_EQ(lines.back(), "  Done");
}

TEST_F(AnalysisViewTest, ReplaceOnAnEmptyLogAppends) {
  CAnalysisDoc document;
  CAnalysisView view(document, nullptr);
  view.AddText("    Line 10000", true, kLogBlack);
  EXPECT_EQ(document.Text().toPlainText(), QStringLiteral("    Line 10000\n"));
}

TEST_F(AnalysisViewTest, DisabledLogLeavesEverythingAlone) {
  CMainFrame& frame = OpenFrame();
  frame.LeftView().setCurrentItem(
      frame.LeftView().InsertViewItem(VIEW_CLUSTER, QStringLiteral("Clustering"), 4));
  const QString text = mDocument->Text().toPlainText();
  PumpCounter pumps;
  LogEnabled = 0;
  LogMessage("quiet", 0, kLogRed);
  EXPECT_EQ(mDocument->Text().toPlainText(), text);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CLUSTER);
  EXPECT_EQ(pumps.count, 0);
}

TEST_F(AnalysisViewTest, SaveLogWritesReadableRichTextAndRegistersIt) {
  CMainFrame& frame = OpenFrame();
  Group& group = TheGroup();
  group.SetName("demo");
  group.DateText = "12/08/26, 09:15";
  group.Settings().WORKING_DIR = Folder();
  LogMessage("{Open group demo", 0, kLogBlue);
  LogMessage("    Error: file {a}\\b missing", 0, kLogRed);
  LogMessage("Finished in 0 minutes 1 seconds}\n", 0, kLogBlue);
  const std::string path = File("saved log.doc");
  prompts.fileAnswers.push_back(path);
  const std::vector<std::string> logged = LogLines();

  ASSERT_TRUE(frame.OnCommand(ids::kSaveLog));
  ASSERT_EQ(prompts.prompts.size(), 1u);
  const FileDialogRequest& request = prompts.prompts[0].request;
  EXPECT_FALSE(request.open);
  EXPECT_EQ(request.startFile, Folder() + "/zelko demo log 12_08_26.doc");
  EXPECT_EQ(request.defaultExtension, "doc");
  EXPECT_TRUE(request.promptOverwrite);

  const std::string rtf = ReadFile(path);
  ASSERT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
  QTextDocument saved;
  ASSERT_TRUE(ReadRtf(rtf, saved));
  std::string expected;
  for (const std::string& line : logged) expected += line + "\n";
  EXPECT_EQ(saved.toPlainText().toStdString(), expected);
  // Each line carries its colour through the colour table.
  auto colourOf = [&saved](const char* text) {
    const QTextCursor found = saved.find(QString::fromUtf8(text));
    EXPECT_FALSE(found.isNull()) << text;
    return found.charFormat().foreground().color();
  };
  EXPECT_EQ(colourOf("Error: file {a}\\b missing"), QColor(255, 0, 0));
  EXPECT_EQ(colourOf("{Open group demo"), QColor(0, 0, 255));
  EXPECT_EQ(colourOf("Welcome to Zelko"), QColor(0, 0, 255));

  const auto lines = LogLines();
  EXPECT_EQ(lines[lines.size() - 2], "{Analysis log saved in " + path + "}");
  ASSERT_EQ(OutputFiles().Count(), 1);
  EXPECT_EQ(OutputFiles().paths[0], path);
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_ANALYSIS)->child(0)->text(0),
            QStringLiteral("saved log"));
}

TEST_F(AnalysisViewTest, SaveLogThatCannotWriteSaysSoAndRegistersNothing) {
  CMainFrame& frame = OpenFrame();
  const std::string path = File("no such folder/log.doc");
  prompts.fileAnswers.push_back(path);
  frame.OnCommand(ids::kSaveLog);
  const auto lines = LogLines();
  EXPECT_EQ(lines.back(), "  Can't write file " + path + " (No such file or directory)");
  EXPECT_EQ(LineColour(static_cast<int>(lines.size()) - 1), QColor(255, 0, 0));
  EXPECT_EQ(OutputFiles().Count(), 0);

  // Cancel writes nothing and logs nothing.
  frame.OnCommand(ids::kSaveLog);
  EXPECT_EQ(LogLines(), lines);
}

TEST_F(AnalysisViewTest, InsertedFilesBecomeLinksThatOpenTheFile) {
  CMainFrame& frame = OpenFrame();
  TheGroup().Settings().INSERT_FILE = 1;
  frame.LeftView().setCurrentItem(
      frame.LeftView().InsertViewItem(VIEW_PLOTS, QStringLiteral("Plots"), 19));
  const std::string image = File("plot.bmp");
  RegisterOutputFile(image, true);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_ANALYSIS);
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kMessage), 0) << "the log announces it";

  const auto lines = LogLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4], "{Image file '" + image + "' saved}");
  EXPECT_EQ(lines[lines.size() - 2], "plot.bmp");
  EXPECT_EQ(lines.back(), "");
  const QTextBlock linkLine =
      mDocument->Text().findBlockByNumber(static_cast<int>(lines.size()) - 2);
  const QTextCharFormat format = linkLine.begin().fragment().charFormat();
  ASSERT_TRUE(format.isAnchor());
  const QUrl target(format.anchorHref());
  EXPECT_EQ(target, QUrl::fromLocalFile(QString::fromStdString(image)));

  emit frame.AnalysisView().anchorClicked(target);
  EXPECT_EQ(opener.opened, std::vector<std::string>{image});
  // A real click on the link opens it too, though the log is editable.
  CAnalysisView& view = frame.AnalysisView();
  QTextCursor onLink(linkLine);
  onLink.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 3);
  view.ensureCursorVisible();
  QApplication::processEvents();
  const QPoint point = view.cursorRect(onLink).center();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
  EXPECT_EQ(opener.opened, (std::vector<std::string>{image, image}));
  EXPECT_NE(LogToRtf(mDocument->Text()).find("HYPERLINK"), std::string::npos);
}

// Each character of a document with its colour (0 for none) and link target.
struct MarkedCharacter {
  QChar character;
  QRgb colour;
  QString link;
  bool operator==(const MarkedCharacter&) const = default;
};
std::vector<std::vector<MarkedCharacter>> MarkedBlocks(const QTextDocument& document) {
  std::vector<std::vector<MarkedCharacter>> blocks;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    blocks.emplace_back();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      const QRgb colour =
          format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color().rgb() : 0;
      for (const QChar c : it.fragment().text())
        blocks.back().push_back({c, colour, format.isAnchor() ? format.anchorHref() : QString()});
    }
  }
  return blocks;
}

TEST_F(AnalysisViewTest, TheUserEditsTheLogWhileLinesStillArriveAtTheEnd) {
  CMainFrame& frame = OpenFrame();
  CAnalysisView& view = frame.AnalysisView();
  ASSERT_FALSE(view.isReadOnly());
  LogMessage("  first line", 0, kLogRed);
  const std::vector<std::string> logged = LogLines();
  auto placeCaret = [&view](int line, int column, int selected = 0) {
    QTextCursor cursor(view.document()->findBlockByNumber(line));
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
    cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, selected);
    view.setTextCursor(cursor);
  };
  const int first = static_cast<int>(logged.size()) - 1;

  // Typing at the end, then taking it back.
  placeCaret(first + 1, 0);
  QTest::keyClicks(&view, "my note");
  EXPECT_EQ(LogLines().back(), "my note");
  QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(LogLines(), logged);

  // Cutting a word out of a logged line and pasting it in front; undo goes back step by step.
  placeCaret(first, 2, 5);
  QTest::keyClick(&view, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(LogLines()[first], "   line");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("first"));
  placeCaret(first, 0);
  QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(LogLines()[first], "first   line");
  QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(LogLines()[first], "   line");
  QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(LogLines(), logged);

  // A line of the log goes to the end in its colour, and cannot itself be undone.
  placeCaret(first, 0);
  QTest::keyClicks(&view, ">");
  LogMessage("  second", 0, kLogBlue);
  QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
  std::vector<std::string> lines = LogLines();
  EXPECT_EQ(lines[first], ">  first line");
  EXPECT_EQ(lines.back(), "  second");
  EXPECT_EQ(LineColour(static_cast<int>(lines.size()) - 1), QColor(0, 0, 255));
  // Progress lines still count up in place of the last line.
  LogMessage("    Line 10000", 1);
  LogMessage("    Line 20000", 1);
  lines = LogLines();
  EXPECT_EQ(lines.size(), logged.size() + 1);
  EXPECT_EQ(lines.back(), "    Line 20000");
  EXPECT_EQ(lines[first], ">  first line");
}

TEST_F(AnalysisViewTest, SavedLogReadsBackAsTheRichTextItWas) {
  CMainFrame& frame = OpenFrame();
  LogMessage("{Open group demo", 0, kLogBlue);
  LogMessage("    Error: file {a}\\b\tmissing \u00e9 \u4e2d", 0, kLogRed);
  LogMessage("  merlin --pedigree", 0, kLogGreen);
  frame.AnalysisView().InsertFileIntoLog(File("plot one.bmp"));
  LogMessage("Finished}\n", 0, kLogBlue);
  const std::string rtf = LogToRtf(mDocument->Text());

  QTextDocument back;
  ASSERT_TRUE(ReadRtf(rtf, back));
  EXPECT_FALSE(back.isUndoAvailable());
  EXPECT_EQ(back.toPlainText(), mDocument->Text().toPlainText());
  EXPECT_EQ(MarkedBlocks(back), MarkedBlocks(mDocument->Text()));

  // Text that is not RTF leaves the document alone.
  EXPECT_FALSE(ReadRtf("plain {\\rtf1 text}", back));
  EXPECT_EQ(back.toPlainText(), mDocument->Text().toPlainText());

  // A cut file reads as far as it goes: the text is the start of the whole (but for a
  // last character whose escape was cut).
  const QString whole = mDocument->Text().toPlainText();
  for (std::size_t cut = 5; cut < rtf.size(); cut += 7) {
    QTextDocument part;
    ASSERT_TRUE(ReadRtf(std::string_view(rtf).substr(0, cut), part));
    const QString text = part.toPlainText();
    EXPECT_TRUE(whole.startsWith(text.left(text.size() - 1))) << cut;
  }
  // Groups nested past the bound are skipped with their text.
  const std::string deep =
      "{\\rtf1 a" + std::string(10000, '{') + "hidden" + std::string(10000, '}') + "b}";
  ASSERT_TRUE(ReadRtf(deep, back));
  EXPECT_EQ(back.toPlainText(), QStringLiteral("ab"));
}

TEST(RtfWriter, EscapesWhatRichTextReserves) {
  QTextDocument document;
  document.setPlainText(QStringLiteral("a{b}\\c\tz\u00e9"));
  const std::string rtf = LogToRtf(document);
  EXPECT_NE(rtf.find("a\\{b\\}\\\\c\\tab z\\u233?"), std::string::npos) << rtf;
}

}  // namespace
