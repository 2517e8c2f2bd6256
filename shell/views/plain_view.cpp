// The empty stand-in view.
#include "shell/views/plain_view.hpp"

CPlainView::CPlainView(int viewIndex, QWidget* parent) : QWidget(parent), mViewIndex(viewIndex) {
  setObjectName(QStringLiteral("view%1").arg(viewIndex));
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::white);
  setPalette(colours);
}
