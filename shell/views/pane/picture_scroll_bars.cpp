#include "shell/views/pane/picture_scroll_bars.hpp"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QSize>

#include <algorithm>

void FitScrollBarsToPicture(QAbstractScrollArea& view, QSize picture) {
  const QSize window = view.viewport()->size();
  QScrollBar& across = *view.horizontalScrollBar();
  QScrollBar& down = *view.verticalScrollBar();
  across.setRange(0, std::max(0, picture.width() - window.width()));
  down.setRange(0, std::max(0, picture.height() - window.height()));
  across.setPageStep(window.width());
  down.setPageStep(window.height());
  across.setSingleStep(std::max(1, window.width() / kScrollLinesPerPage));
  down.setSingleStep(std::max(1, window.height() / kScrollLinesPerPage));
}
