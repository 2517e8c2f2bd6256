// Start-up with the registry and a document argument: the recent-file list comes from the
// registry and goes back to it at the end; a saved log opens as the rich text it is.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <sys/stat.h>

#include <fstream>

#include "platform/registry.hpp"
#include "platform/tests/hostile_files.hpp"
#include "shell/services/rtf_writer.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/zelko_app.hpp"

namespace {

using StartupTest = ShellTest;

constexpr const char* kRecentKey = "Software\\Quenlith (Zelko)\\Zelko\\Recent File List";

std::string WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

TEST_F(StartupTest, RecentFilesGoThroughTheRegistryAndASavedLogOpensInItsColours) {
  ASSERT_TRUE(platform::UpdateRegistryFile(File("registry"), [](platform::RegistryStore& store) {
    bool set = true;
    for (int i = 1; i <= 5; ++i)
      set =
          set && store.SetString(platform::kHkeyCurrentUser, kRecentKey, "File" + std::to_string(i),
                                 "/old/" + std::to_string(i) + ".doc");
    return set;
  }));
  QTextDocument saved;
  QTextCursor cursor(&saved);
  QTextCharFormat blue;
  blue.setForeground(QColor(0, 0, 255));
  QTextCharFormat red;
  red.setForeground(QColor(255, 0, 0));
  cursor.insertText(QStringLiteral("{Open group demo\n"), blue);
  cursor.insertText(QStringLiteral("    Error: {a}\\b missing\n"), red);
  const std::string path = WriteText(File("saved log.doc"), LogToRtf(saved));

  {
    // A list from the registry, under the program's key: four of its five entries.
    CZelkoApp app({});
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.RecentFiles().Files(),
              (std::vector<std::string>{"/old/1.doc", "/old/2.doc", "/old/3.doc", "/old/4.doc"}));
  }
  StartGroup(Folder());  // the end of the first run took the group down
  CZelkoApp app({QString::fromStdString(path)});
  ASSERT_TRUE(app.InitInstance());
  const QTextDocument& log = app.Document()->Text();
  EXPECT_EQ(log.findBlockByNumber(0).text(), QStringLiteral("{Open group demo"));
  EXPECT_EQ(log.findBlockByNumber(1).text(), QStringLiteral("    Error: {a}\\b missing"));
  EXPECT_EQ(log.findBlockByNumber(0).begin().fragment().charFormat().foreground().color(),
            QColor(0, 0, 255));
  EXPECT_EQ(log.findBlockByNumber(1).begin().fragment().charFormat().foreground().color(),
            QColor(255, 0, 0));
  EXPECT_EQ(log.toPlainText().indexOf(QStringLiteral("rtf1")), -1);
  EXPECT_EQ(app.RecentFiles().Files().front(), path) << "the opened file heads the list";

  app.ExitInstance();
  const platform::RegistryReading reading = platform::ReadRegistryFile(File("registry"));
  ASSERT_EQ(reading.damagedLine, 0) << reading.fault;
  EXPECT_EQ(reading.store.ValueNames(platform::kHkeyCurrentUser, kRecentKey),
            (std::vector<std::string>{"File1", "File2", "File3", "File4"}));
  EXPECT_EQ(reading.store.String(platform::kHkeyCurrentUser, kRecentKey, "File1"), path);
  EXPECT_EQ(reading.store.String(platform::kHkeyCurrentUser, kRecentKey, "File4"), "/old/3.doc");
}

TEST_F(StartupTest, OtherTextFilesOpenAsPlainText) {
  const std::string path = WriteText(File("notes.txt"), "a {\\b} note\nsecond line\n");
  CZelkoApp app({QString::fromStdString(path)});
  ASSERT_TRUE(app.InitInstance());
  EXPECT_TRUE(app.Document()->Text().toPlainText().startsWith(
      QStringLiteral("a {\\b} note\nsecond line\n")));
}

// What is no regular file where the start reads a file: a named pipe as the default
// group's settings file neither holds the start up nor ends it; the window comes up and
// its log names the file and the reason in red, and the settings written at the end leave
// the pipe in place with another red line. A document argument that is a pipe or a
// folder ends the start at once.
TEST_F(StartupTest, APipeForTheSettingsFileGivesARedLineAndTheWindowComesUp) {
  const std::string pipe = File("Zelko.ini");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  platform::testing::PipeWatchdog watchdog;
  watchdog.Watch(pipe);
  StartGroup(Folder());
  {
    CZelkoApp app({});
    ASSERT_TRUE(app.InitInstance());
    ASSERT_NE(app.MainWindow(), nullptr);
    EXPECT_TRUE(app.MainWindow()->isVisible());
    const QTextDocument& log = app.Document()->Text();
    const QString expected = QString::fromStdString("  Reading settings file " + pipe +
                                                    " failed (a named pipe, not a regular file)");
    QTextBlock line = log.begin();
    while (line.isValid() && line.text() != expected) line = line.next();
    ASSERT_TRUE(line.isValid()) << log.toPlainText().toStdString();
    EXPECT_EQ(line.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
    // The settings written at the end are refused too, with a red line, and the pipe stays.
    ASSERT_EQ(TheGroup().SettingsPath(TheGroup().Name()), pipe);
    EXPECT_FALSE(TheGroup().WriteGroupSettings());
    const QString refused = QString::fromStdString("{Writing configuration (INI) file " + pipe +
                                                   " failed} (not a regular file)");
    line = log.begin();
    while (line.isValid() && line.text() != refused) line = line.next();
    ASSERT_TRUE(line.isValid()) << log.toPlainText().toStdString();
    EXPECT_EQ(line.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
    app.ExitInstance();
    struct stat kept {};
    ASSERT_EQ(lstat(pipe.c_str(), &kept), 0);
    EXPECT_TRUE(S_ISFIFO(kept.st_mode)) << "the settings written at the end replaced the pipe";
  }

  const std::string document = File("log.doc");
  ASSERT_EQ(mkfifo(document.c_str(), 0600), 0);
  watchdog.Watch(document);
  StartGroup(Folder());
  for (const std::string& argument : {document, Folder()}) {
    SCOPED_TRACE(argument);
    CZelkoApp app({QString::fromStdString(argument)});
    EXPECT_FALSE(app.InitInstance());
    StartGroup(Folder());
  }
  EXPECT_FALSE(watchdog.Fired()) << "the start waited on the pipe";
}

TEST(RecentFileList, NewestFirstWithoutDoublesAndNoLongerThanItsSize) {
  CRecentFileList list(kRegistryKey, kProfileName, 3);
  EXPECT_EQ(list.Key(), kRecentKey);
  for (const char* file : {"/a.doc", "/b.doc", "/c.doc", "/A.DOC", "/d.doc", ""}) list.Add(file);
  EXPECT_EQ(list.Files(), (std::vector<std::string>{"/d.doc", "/A.DOC", "/c.doc"}));
}

}  // namespace
