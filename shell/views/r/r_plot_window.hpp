// R's graphics devices on the screen: each device that windows() opened in R gets a
// top-level window of its own, not modal, showing the device's latest picture, as R's own
// graphics device would. The windows belong to the main window and close with it; one the
// user closed comes back when R draws on its device again.
#pragma once

#include <QImage>
#include <QWidget>

#include <string>

class RPlotWindow final : public QWidget {
  Q_OBJECT
 public:
  // The window of R's windows() call number `window` (from 1).
  RPlotWindow(int window, QWidget* owner);

  int Number() const { return mNumber; }
  const QImage& Picture() const { return mPicture; }
  void ShowPicture(const QImage& picture);

 protected:
  // The picture scaled into the window, keeping its shape, on white.
  void paintEvent(QPaintEvent* event) override;

 private:
  int mNumber;
  QImage mPicture;
};

// Shows R's picture of windows() call `window` in its window (made on first use) and
// brings it up; a file that does not read as an image changes nothing.
void ShowRPlot(QWidget& owner, int window, const std::string& imageFile);
