// The chromosome view's keys: Enter the next view, Esc deselects, Space and D step the data
// type, the page keys scroll, Home and End change chromosome (or scroll in Show All), the
// arrows size the cells, bands and threshold, and the letters run the menu's commands.
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/info/genome_info.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"
#include "shell/views/pane/next_view_key.hpp"

namespace {

// Proportional zoom: Up shows more kilobases per pixel, Down fewer.
constexpr float kZoomOut = 1.2f;
constexpr float kZoomIn = 0.8333333f;
// Kilobases per pixel stay within what a picture can hold.
constexpr float kMinPixelKb = 0.001f;
constexpr float kMaxPixelKb = 1e6f;

}  // namespace

bool CChromosomeView::ResizeByKey(int key, bool ctrl, bool shift, GroupSettings& s) {
  const bool proportional = s.PROPORTIONAL_DIST != 0 && !RegionsMode;
  switch (key) {
    case Qt::Key_Left:
      if (ctrl) {
        if (s.PIXEL_WD < s.DENDRO_WD) s.DENDRO_WD -= s.PIXEL_WD;
      } else if (shift) {
        chromosome.StepThreshold(-1);
      } else if (s.PIXEL_WD > 1) {
        --s.PIXEL_WD;
      }
      return true;
    case Qt::Key_Right:
      if (ctrl)
        s.DENDRO_WD = std::min(kMaxChromosomeBand, s.DENDRO_WD + s.PIXEL_WD);
      else if (shift)
        chromosome.StepThreshold(1);
      else
        s.PIXEL_WD = std::min(kMaxChromosomeCell, s.PIXEL_WD + 1);
      return true;
    case Qt::Key_Up:
      if (ctrl) {
        if (s.DENDRO_HT > s.PIXEL_HT_) s.DENDRO_HT -= std::max(1, static_cast<int>(s.PIXEL_HT_));
      } else if (shift) {
        if (proportional)
          s.PIXEL_HT_PROP = std::max(1, s.PIXEL_HT_PROP - 1);
        else if (s.PIXEL_HT2 > 0)
          --s.PIXEL_HT2;
      } else if (proportional) {
        s.PIXEL_KB = std::min(kMaxPixelKb, s.PIXEL_KB * kZoomOut);
      } else if (s.PIXEL_HT_ > 1) {
        s.PIXEL_HT_ -= 1;
      } else {
        s.PIXEL_HT_ /= 2;
      }
      return true;
    case Qt::Key_Down:
      if (ctrl) {
        s.DENDRO_HT =
            std::min(kMaxChromosomeBand, s.DENDRO_HT + std::max(1, static_cast<int>(s.PIXEL_HT_)));
      } else if (shift) {
        if (proportional)
          s.PIXEL_HT_PROP = std::min(kMaxChromosomeCell, s.PIXEL_HT_PROP + 1);
        else
          s.PIXEL_HT2 = std::min(kMaxChromosomeCell, s.PIXEL_HT2 + 1);
      } else if (proportional) {
        s.PIXEL_KB = std::max(kMinPixelKb, s.PIXEL_KB * kZoomIn);
      } else if (s.PIXEL_HT_ >= 0.5f) {
        s.PIXEL_HT_ = std::min(static_cast<float>(kMaxChromosomeCell), std::trunc(s.PIXEL_HT_ + 1));
      } else {
        // A row height of 0 (or less) would never grow by doubling.
        s.PIXEL_HT_ = s.PIXEL_HT_ > 0 ? s.PIXEL_HT_ * 2 : 1.0f;
      }
      return true;
    default:
      return false;
  }
}

bool CChromosomeView::HandleKey(int key, bool ctrl, bool shift) {
  GroupSettings& settings = TheGroup().Settings();
  QScrollBar* vertical = verticalScrollBar();
  if (ResizeByKey(key, ctrl, shift, settings)) {
    Relayout();
    return true;
  }
  if (ShowNextViewOnReturn(mFrame, key)) return true;
  switch (key) {
    case Qt::Key_Escape:
      Deselect();
      return true;
    case Qt::Key_Space:
    case Qt::Key_D:
      chromosome.NextDataType(key == Qt::Key_Space ? -1 : 1);
      Invalidate();
      return true;
    case Qt::Key_PageUp:
      vertical->setValue(vertical->value() - vertical->pageStep());
      return true;
    case Qt::Key_PageDown:
      vertical->setValue(vertical->value() + vertical->pageStep());
      return true;
    case Qt::Key_Home:
    case Qt::Key_End:
      if (mGeometry.in.showAll) {
        vertical->setValue(key == Qt::Key_Home ? 0 : vertical->maximum());
      } else if (!mGeometry.in.regionsMode) {
        chromosome.SetCurrentChromosome(-1, key == Qt::Key_Home ? -1 : 1);
        Relayout();
      }
      return true;
    case Qt::Key_P:
      if (!RegionsMode) RunCommand(ids::kChroProportionalDistance);
      return true;
    case Qt::Key_A:
      if (!RegionsMode) RunCommand(ids::kChroShowAll);
      return true;
    case Qt::Key_I:
      RunCommand(ids::kChroDisplayInferred);
      return true;
    case Qt::Key_F:
    case Qt::Key_N:
      if (!refgene_info.refGenes.empty())
        RunCommand(key == Qt::Key_F || refgene_info.refGeneKeyword.empty()
                       ? ids::kChroFindGene
                       : ids::kChroFindNextGene);
      return true;
    case Qt::Key_C:
      RunCommand(ids::kChroClustering);
      return true;
    default:
      return false;
  }
}

void CChromosomeView::keyPressEvent(QKeyEvent* event) {
  if (AnalysisRunning != 0) return;
  const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  if (!HandleKey(event->key(), ctrl, shift)) QAbstractScrollArea::keyPressEvent(event);
}
