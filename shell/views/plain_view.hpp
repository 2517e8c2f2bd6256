// The stand-in for a right-pane view whose own class is not there yet: an empty pane
// that knows its index, so creating, swapping and closing views work for every index.
#pragma once

#include <QWidget>

#include "shell/views/right_view.hpp"

class CPlainView final : public QWidget, public RightView {
  Q_OBJECT
 public:
  CPlainView(int viewIndex, QWidget* parent);
  int ViewIndex() const { return mViewIndex; }

 private:
  int mViewIndex;
};
