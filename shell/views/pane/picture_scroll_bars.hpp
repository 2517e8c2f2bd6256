// The scroll bars of a view that shows a picture through its viewport: they reach over what
// the window does not show, a page is the window and a line a tenth of it.
#pragma once

class QAbstractScrollArea;
class QSize;

inline constexpr int kScrollLinesPerPage = 10;

void FitScrollBarsToPicture(QAbstractScrollArea& view, QSize picture);
