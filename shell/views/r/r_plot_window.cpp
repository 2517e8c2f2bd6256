// The windows of R's graphics devices.
#include "shell/views/r/r_plot_window.hpp"

#include <QPainter>

#include "shell/services/text_conversion.hpp"

namespace {

QString WindowName(int window) {
  return QStringLiteral("rPlotWindow%1").arg(window);
}

}  // namespace

RPlotWindow::RPlotWindow(int window, QWidget* owner) : QWidget(owner, Qt::Window), mNumber(window) {
  setObjectName(WindowName(window));
  setWindowTitle(QStringLiteral("R Graphics: Device %1").arg(window));
  setAttribute(Qt::WA_DeleteOnClose, false);
}

void RPlotWindow::ShowPicture(const QImage& picture) {
  // The first picture gives the window its size; later ones keep what the user chose.
  if (mPicture.isNull()) resize(picture.size());
  mPicture = picture;
  update();
}

void RPlotWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (mPicture.isNull()) return;
  const QSize size = mPicture.size().scaled(this->size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, mPicture);
}

void ShowRPlot(QWidget& owner, int window, const std::string& imageFile) {
  const QImage picture(ToQString(imageFile));
  if (picture.isNull()) return;
  auto* plot = owner.findChild<RPlotWindow*>(WindowName(window), Qt::FindDirectChildrenOnly);
  if (plot == nullptr) plot = new RPlotWindow(window, &owner);
  plot->ShowPicture(picture);
  plot->show();
  plot->raise();
}
