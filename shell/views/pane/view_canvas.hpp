// The picture widget inside a scrolled view: white behind each paint, the painting (clipped
// to the part that needs it) done by the view, and the mouse handed to the view.
#pragma once

#include <QWidget>

#include <functional>

class QMouseEvent;
class QPainter;

class ViewCanvas final : public QWidget {
 public:
  using Paint = std::function<void(QPainter&)>;
  using Mouse = std::function<void(QMouseEvent&)>;

  ViewCanvas(Paint paint, QWidget* parent);

  // What the view does with the mouse; the widget's own handling where one is not set.
  Mouse onPress;
  Mouse onMove;
  Mouse onRelease;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Paint mPaint;
};
