// The hyperlink control.
#include "shell/dialogs/common/static_link.hpp"

#include <QMouseEvent>

#include "shell/dialogs/links/open_link.hpp"
#include "shell/services/text_conversion.hpp"

CStaticLink::CStaticLink(const QString& text, std::string address, QWidget* parent)
    : QLabel(text, parent), mLink(std::move(address)) {
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  setCursor(Qt::PointingHandCursor);
  ApplyColour();
}

void CStaticLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mousePressEvent(event);
    return;
  }
  OpenLink(mLink);
  mColour = kLinkVisitedColour;
  ApplyColour();
  repaint();
}

void CStaticLink::ApplyColour() {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, ToQColor(mColour));
  setPalette(colours);
}
