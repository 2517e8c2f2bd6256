// The sample scatter view's keys and clicks: Enter goes to the next view, Escape drops the
// current sample, the page keys step through the samples, the arrows size the picture
// (with Ctrl the boxes), Delete takes the current sample out; a click makes the sample
// under the pointer current.
#include <QKeyEvent>

#include <algorithm>

#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/pane/next_view_key.hpp"
#include "shell/views/samples/lda_view.hpp"

namespace {

int Shrink(int size, int smallest) {
  return std::max(smallest, static_cast<int>(size * (1.0 / kLdaPictureStep)));
}

int Grow(int size) {
  return std::min(kMaxLdaPicture, static_cast<int>(size * kLdaPictureStep));
}

}  // namespace

bool LdaView::ResizeByKey(int key, bool ctrl) {
  switch (key) {
    case Qt::Key_Left:
      if (ctrl)
        mLayout.half = std::max(1, mLayout.half - 1);
      else
        mLayout.width = Shrink(mLayout.width, kMinLdaPicture);
      return true;
    case Qt::Key_Right:
      if (ctrl)
        mLayout.half = std::min(kMaxLdaHalfSide, mLayout.half + 1);
      else
        mLayout.width = Grow(mLayout.width);
      return true;
    case Qt::Key_Up:
      mLayout.height = Shrink(mLayout.height, kMinLdaPicture);
      return true;
    case Qt::Key_Down:
      mLayout.height = Grow(mLayout.height);
      return true;
    default:
      return false;
  }
}

void LdaView::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  if (ResizeByKey(event->key(), ctrl)) {
    OnInitialUpdate();
    return;
  }
  const int count = PointCount();
  const int current = CurrentPoint();
  if (ShowNextViewOnReturn(mFrame, event->key())) return;
  switch (event->key()) {
    case Qt::Key_Escape:
      if (current < 0) break;
      SetCurrentPoint(-1);
      Refresh();
      return;
    case Qt::Key_PageUp:
      // From none or the first the step goes round to the last.
      if (count == 0) return;
      SetCurrentPoint(current <= 0 ? count - 1 : current - 1);
      Refresh();
      return;
    case Qt::Key_PageDown:
      if (count == 0) return;
      SetCurrentPoint((current + 1) % count);
      Refresh();
      return;
    case Qt::Key_Delete:
      if (const std::optional<CommandState> state = UpdateCommand(ids::kDeleteSamplePoint);
          state && state->enabled)
        RunCommand(ids::kDeleteSamplePoint);
      return;
    default:
      break;
  }
  QScrollArea::keyPressEvent(event);
}

void LdaView::LeftClick(QPoint at) {
  const int hit = HitTestPoint(at);
  if (hit < 0 || hit == CurrentPoint()) return;
  SetCurrentPoint(hit);
  Refresh();
}
