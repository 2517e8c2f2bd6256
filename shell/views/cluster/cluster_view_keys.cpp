// The cluster view's keys: arrows size the cells, term bars, sample rows and dendrograms;
// Enter goes to the next view; Escape goes back to the unperturbed clustering or clears
// the selection; R resamples; the page keys scroll.
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/info/gene_info.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/cluster/cluster_view.hpp"
#include "shell/views/pane/next_view_key.hpp"

namespace {

// A dendrogram's size a step smaller: about a sixth less, at least one less, never below 1.
int ShrinkDendrogram(int size) {
  if (size <= 1) return size;
  return std::max(1, std::min(size - 1, static_cast<int>(size * 5.0 / 6.0 + 1.0)));
}

int GrowDendrogram(int size) {
  return std::min(kMaxClusterDendrogram,
                  std::max(size + 1, static_cast<int>(1.2 * std::max(0, size))));
}

int Grow(int size) {
  return std::min(kMaxClusterCell, size + 1);
}

}  // namespace

bool CClusterView::ResizeByKey(int key, bool shift, bool ctrl, GroupSettings& s) {
  switch (key) {
    case Qt::Key_Left:
      if (ctrl)
        s.DENDRO_WD = ShrinkDendrogram(s.DENDRO_WD);
      else if (shift)
        s.FUNC_BAR_WD = std::max(0, s.FUNC_BAR_WD - 1);
      else
        s.PIXEL_WD = std::max(1, s.PIXEL_WD - 1);
      return true;
    case Qt::Key_Right:
      if (ctrl)
        s.DENDRO_WD = GrowDendrogram(s.DENDRO_WD);
      else if (shift)
        s.FUNC_BAR_WD = Grow(s.FUNC_BAR_WD);
      else
        s.PIXEL_WD = Grow(s.PIXEL_WD);
      return true;
    case Qt::Key_Up:
      if (ctrl)
        s.DENDRO_HT = ShrinkDendrogram(s.DENDRO_HT);
      else if (shift)
        s.PIXEL_HT2 = std::max(0, s.PIXEL_HT2 - 1);
      else if (s.PIXEL_HT_ > 1.0f)
        s.PIXEL_HT_ = std::max(1.0f, static_cast<float>(static_cast<int>(s.PIXEL_HT_ - 1.0f)));
      return true;
    case Qt::Key_Down:
      if (ctrl)
        s.DENDRO_HT = GrowDendrogram(s.DENDRO_HT);
      else if (shift)
        s.PIXEL_HT2 = Grow(s.PIXEL_HT2);
      else
        s.PIXEL_HT_ = std::min(static_cast<float>(kMaxClusterCell),
                               static_cast<float>(static_cast<int>(s.PIXEL_HT_ + 1.0f)));
      return true;
    default:
      return false;
  }
}

void CClusterView::keyPressEvent(QKeyEvent* event) {
  if (AnalysisRunning != 0) return;
  mShowLegend = false;
  const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  QScrollBar* vertical = verticalScrollBar();
  if (ResizeByKey(event->key(), shift, ctrl, TheGroup().Settings())) {
    RecomputeLayout();
    ScrollToCurrent();
    return;
  }
  if (ShowNextViewOnReturn(mFrame, event->key())) return;
  switch (event->key()) {
    case Qt::Key_Escape:
      if (!mShowUnperturbed)
        GoToOriginal();
      else
        DeselectAll();
      return;
    case Qt::Key_R:
      if (CanResample()) ResampleOnce();
      return;
    case Qt::Key_PageUp:
      vertical->setValue(vertical->value() - vertical->pageStep());
      return;
    case Qt::Key_PageDown:
      vertical->setValue(vertical->value() + vertical->pageStep());
      return;
    case Qt::Key_Home:
      vertical->setValue(0);
      return;
    case Qt::Key_End:
      vertical->setValue(vertical->maximum());
      return;
    default:
      QScrollArea::keyPressEvent(event);
  }
}

void CClusterView::DeselectAll() {
  for (CLUSTER* tree : {GeneTree(), SampleTree()}) {
    if (tree == nullptr) continue;
    tree->ClearMarks();
    tree->coloredCount = 0;
  }
  mRounds = 0;
  GroupSettings& settings = TheGroup().Settings();
  settings.CUR_UNIT = -1;
  mCurrentRow = -1;
  mCurrentColumn = -1;
  GeneInfo.selectedColumn = -1;
  GeneInfo.selectedTerm = -1;
  mSelectedInfoColumn = -1;
  mSelectedInfoCategory = -1;
  mCanvas->update();
}
