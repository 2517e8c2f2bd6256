// Test support: pictures beside the build for people to look at; a dialog's is checked for
// its size and for a label drawn where the dialog has it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QWidget>

// Saves a picture under the name in the screenshot folder.
inline void SaveScreenshot(const QImage& image, const char* name) {
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  ASSERT_TRUE(image.save(QStringLiteral(ZELKO_SCREENSHOT_DIR "/") + QString::fromLatin1(name)));
}

// Saves the dialog's picture as file and checks its size, and that the control with text
// is drawn inside it (its area holds dark pixels).
inline void CheckScreenshot(QWidget& dialog, const char* file, const QString& text) {
  dialog.resize(dialog.sizeHint());
  dialog.show();
  QApplication::processEvents();
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  const QString path = QStringLiteral(ZELKO_SCREENSHOT_DIR "/") + QString::fromLatin1(file);
  ASSERT_TRUE(dialog.grab().save(path));
  const QImage picture(path);
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), dialog.size() * dialog.devicePixelRatio());
  QWidget* label = nullptr;
  for (QWidget* child : dialog.findChildren<QWidget*>()) {
    const QVariant shown = child->property("text");
    const auto* box = qobject_cast<QLabel*>(child);
    if ((box != nullptr && box->text() == text) ||
        (box == nullptr && shown.isValid() && shown.toString() == text))
      label = child;
  }
  ASSERT_NE(label, nullptr) << text.toStdString();
  ASSERT_TRUE(label->isVisible());
  const QRect area(label->mapTo(&dialog, QPoint(0, 0)), label->size());
  int dark = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      dark += qGray(picture.pixel(x, y)) < 100 ? 1 : 0;
  EXPECT_GT(dark, 20) << text.toStdString();
  dialog.hide();
}
