// Renders the main window as the program starts it into a picture beside the build, and
// checks the picture: its size, and the log's blue welcome line drawn in the right pane.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>

#include "shell/tests/shell_test.hpp"
#include "shell/zelko_app.hpp"

namespace {

using ScreenshotTest = ShellTest;

// Pixels of the log's blue (0, 0, 255) text, antialiased edges included.
int BluePixels(const QImage& picture, const QRect& area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor pixel = picture.pixelColor(x, y);
      if (pixel.blue() > 180 && pixel.red() < 120 && pixel.green() < 120) ++count;
    }
  return count;
}

TEST_F(ScreenshotTest, MainWindowRendersWithTheWelcomeLine) {
  CZelkoApp app({});
  ASSERT_TRUE(app.InitInstance());
  CMainFrame& frame = *app.MainWindow();
  frame.showNormal();
  frame.resize(1024, 700);
  QApplication::processEvents();

  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  const QString path = QStringLiteral(ZELKO_SCREENSHOT_DIR "/main_window.png");
  ASSERT_TRUE(frame.grab().save(path));
  const QImage picture(path);
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), frame.size() * frame.devicePixelRatio());

  EXPECT_EQ(app.Document()->Text().firstBlock().text(), QStringLiteral("Welcome to Zelko"));
  // The first line of the log pane is the blue welcome; the tree pane holds no blue text.
  CAnalysisView& log = frame.AnalysisView();
  const QPoint logCorner = log.viewport()->mapTo(&frame, QPoint(0, 0));
  const int lineHeight = log.fontMetrics().height() + 8;
  const QRect firstLine(logCorner, QSize(log.viewport()->width(), lineHeight));
  EXPECT_GT(BluePixels(picture, firstLine), 30);
  const QRect secondLines(logCorner + QPoint(0, 2 * lineHeight),
                          QSize(log.viewport()->width(), lineHeight));
  EXPECT_EQ(BluePixels(picture, secondLines), 0) << "the greeting is black";
  app.ExitInstance();
}

}  // namespace
