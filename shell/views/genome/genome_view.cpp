// The genome view's window.
#include "shell/views/genome/genome_view.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/info/gene_info.hpp"
#include "genome/info/genome_info.hpp"
#include "shell/dialogs/find/find_gene.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/pane/export_image_command.hpp"
#include "shell/views/pane/next_view_key.hpp"
#include "shell/views/pane/picture_scroll_bars.hpp"

namespace {

GroupSettings& Settings() {
  return TheGroup().Settings();
}

}  // namespace

CGenomeView::CGenomeView(ShellFrame& frame, QWidget* parent)
    : QAbstractScrollArea(parent), mFrame(frame) {
  setObjectName(QStringLiteral("view%1").arg(VIEW_GENOME));
  GroupSettings& settings = Settings();
  settings.PIC_WD = std::max(settings.PIC_WD, kGenomeMinPicture);
  settings.PIC_HT = std::max(settings.PIC_HT, kGenomeMinPicture);
  mPicWidth = settings.PIC_WD;
  mPicHeight = settings.PIC_HT;
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  setMouseTracking(true);
}

CGenomeView::~CGenomeView() = default;

void CGenomeView::OnInitialUpdate() {
  UpdateScrollRange();
  if (mBlinkTimer == 0) mBlinkTimer = startTimer(kGenomeBlinkMilliseconds);
}

GenomeLayout CGenomeView::Layout() const {
  return ComputeGenomeLayout(mPicWidth, mPicHeight);
}

QPoint CGenomeView::ScrollPosition() const {
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CGenomeView::UpdateScrollRange() {
  FitScrollBarsToPicture(*this, QSize(mPicWidth, mPicHeight));
}

void CGenomeView::ScrollToCurrent() {
  if (!mScrollPending || !isVisible()) return;
  mScrollPending = false;
  const int current = MappedUnitOrNone(Settings().CUR_UNIT);
  const std::optional<QRect> box = current >= 0 ? UnitBox(Layout(), current) : std::nullopt;
  const QSize window = viewport()->size();
  // The box's corner in the middle of the window; 0 where that is not positive or the
  // picture fits.
  auto centred = [](int at, int picture, int side) {
    const int value = at - side / 2;
    return picture <= side || value <= 0 ? 0 : value;
  };
  horizontalScrollBar()->setValue(box ? centred(box->left(), mPicWidth, window.width()) : 0);
  verticalScrollBar()->setValue(box ? centred(box->top(), mPicHeight, window.height()) : 0);
}

void CGenomeView::paintEvent(QPaintEvent* event) {
  Settings().CUR_UNIT = MappedUnitOrNone(Settings().CUR_UNIT);
  QPainter painter(viewport());
  painter.fillRect(event->rect(), Qt::white);
  painter.setClipRect(event->rect());
  painter.translate(-ScrollPosition());
  DrawGenomePicture(painter, Layout(), Settings().OUTLINE_GENE_STRETCH != 0, mOnTop);
  if (mBlinkOn && Settings().CUR_UNIT >= 0) {
    const std::optional<QRect> box = UnitBox(Layout(), Settings().CUR_UNIT);
    if (box) {
      // The cursor inverts what lies under it, so it shows on any colour.
      painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      painter.setPen(Qt::white);
      painter.setBrush(Qt::NoBrush);
      const QRect grown =
          box->adjusted(-kGenomeHitMargin, -kGenomeHitMargin, kGenomeHitMargin, kGenomeHitMargin);
      painter.drawRect(grown.adjusted(0, 0, -1, -1));
    }
  }
}

void CGenomeView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
  ScrollToCurrent();
}

void CGenomeView::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  UpdateScrollRange();
  ScrollToCurrent();
}

void CGenomeView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  mScrollPending = true;
}

void CGenomeView::Resize(bool wider, bool taller, bool grow, bool ctrl) {
  const double factor = ctrl ? kGenomeCtrlZoomFactor : kGenomeZoomFactor;
  auto next = [&](int side) {
    return grow ? static_cast<int>(side * factor)
                : std::max(kGenomeMinPicture, static_cast<int>(side / factor));
  };
  if (wider) mPicWidth = next(mPicWidth);
  if (taller) mPicHeight = next(mPicHeight);
  Settings().PIC_WD = mPicWidth;
  Settings().PIC_HT = mPicHeight;
}

void CGenomeView::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  if (ShowNextViewOnReturn(mFrame, event->key())) return;
  switch (event->key()) {
    case Qt::Key_Escape:
      Settings().CUR_UNIT = -1;
      break;
    case Qt::Key_PageUp:
      verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
      return;
    case Qt::Key_PageDown:
      verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      return;
    case Qt::Key_Home:
      verticalScrollBar()->setValue(verticalScrollBar()->minimum());
      return;
    case Qt::Key_End:
      verticalScrollBar()->setValue(verticalScrollBar()->maximum());
      return;
    case Qt::Key_Left:
      Resize(true, false, false, ctrl);
      break;
    case Qt::Key_Up:
      Resize(false, true, false, ctrl);
      break;
    case Qt::Key_Right:
      Resize(true, false, true, ctrl);
      break;
    case Qt::Key_Down:
      Resize(false, true, true, ctrl);
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  OnInitialUpdate();
  mScrollPending = true;
  ScrollToCurrent();
  viewport()->update();
}

void CGenomeView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint() + ScrollPosition();
  const int unit = HitTestUnit(at, mLastHit);
  if (unit < 0 || unit == Settings().CUR_UNIT) return;
  Settings().CUR_UNIT = unit;
  viewport()->update();
}

void CGenomeView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint() + ScrollPosition();
  mFrame.SetStatusText(0, GenomeHoverText(at, mLastHit, Settings().CUR_UNIT));
}

void CGenomeView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != mBlinkTimer) return QAbstractScrollArea::timerEvent(event);
  if (AnalysisRunning != 0 || MappedUnitOrNone(Settings().CUR_UNIT) < 0) return;
  mBlinkOn = !mBlinkOn;
  viewport()->update();
}

void CGenomeView::JumpToUnit(int unit) {
  if (unit < 0 || unit == Settings().CUR_UNIT) return;
  if (MappedUnitOrNone(unit) < 0) {
    const std::string name = static_cast<std::size_t>(unit) < ::Layout.units.size()
                                 ? ::Layout.units[static_cast<std::size_t>(unit)].name
                                 : std::string();
    std::string gene;
    if (const GENE_INFO* info = GeneInfo.Gene(unit)) gene = std::string(info->Name);
    AfxMessageBox(MessageBuffer(kGenomeNotMappedMessage, name.c_str(), gene.c_str()));
    return;
  }
  Settings().CUR_UNIT = unit;
  mScrollPending = true;
  ScrollToCurrent();
  viewport()->update();
}

std::optional<CommandState> CGenomeView::UpdateCommand(int id) const {
  switch (id) {
    case ids::kFindGene:
    case ids::kFindNext:
      return CommandState{!::Layout.units.empty(), false};
    default:
      return std::nullopt;
  }
}

bool CGenomeView::RunCommand(int id) {
  switch (id) {
    case ids::kFindGene:
    case ids::kFindNext:
      // -1: the search failed and said so.
      JumpToUnit(FindByCommand(id, this));
      return true;
    default:
      return false;
  }
}

PictureExport CGenomeView::ExportPicture() {
  PictureExport picture;
  picture.defaultName = DefaultImageName(VIEW_GENOME);
  picture.size = QSize(mPicWidth, mPicHeight);
  picture.draw = [this](QPainter& painter) {
    DrawGenomePicture(painter, Layout(), Settings().OUTLINE_GENE_STRETCH != 0, mOnTop);
  };
  return picture;
}
