// The array image view: its state, the keys and the mouse, its commands, and the
// preparation of everything a paint draws.
#include "shell/views/array/cel_view.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>

#include "engine/array/image_region.hpp"
#include "engine/array/image_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/current_array_qvf.hpp"
#include "engine/model/model.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "platform/system_error.hpp"
#include "shell/dialogs/find/find_gene.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/array/scale_cel_command.hpp"
#include "shell/views/pane/export_image_command.hpp"
#include "shell/views/pane/next_view_key.hpp"
#include "shell/views/pane/picture_scroll_bars.hpp"

namespace {

// Rows of the picture an export colours at a time.
constexpr int kExportBand = 256;

GroupSettings& Settings() {
  return TheGroup().Settings();
}

int ArrayCount() {
  return TheGroup().NumArrays();
}

// The array's plane is held and has the layout's cells.
bool HoldsImage(int array) {
  const auto cells =
      static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
  return array >= 0 && array < ArrayCount() && cells > 0 &&
         TheGroup().Array(array).intensities.size() == cells;
}

std::string CallName(int array, int unit) {
  const std::vector<char>& calls = TheGroup().Array(array).calls;
  if (unit < 0 || static_cast<std::size_t>(unit) >= calls.size()) return {};
  const char call = calls[static_cast<std::size_t>(unit)];
  if (ArrayType != 0) {
    const auto code = static_cast<unsigned char>(call);
    return code < kSnpCallNames.size() ? std::string(kSnpCallNames[code]) : std::string();
  }
  return std::string(1, call);
}

}  // namespace

CCelView::CCelView(ShellFrame& frame, QWidget* parent)
    : QAbstractScrollArea(parent), mFrame(frame) {
  setObjectName(QStringLiteral("view%1").arg(VIEW_CEL));
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  // The paint covers every pixel it is asked for.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

CCelView::~CCelView() = default;

void CCelView::OnInitialUpdate() {
  if (mBlinkTimer == 0) mBlinkTimer = startTimer(kCelBlinkMilliseconds);
  Refresh(true);
}

bool CCelView::ShowArray(int array) {
  if (array < 0 || array >= ArrayCount()) return false;
  Settings().CUR_ARRAY = array;
  Refresh(false);
  return true;
}

const ProbeTogetherMaps* CCelView::Together() const {
  return Settings().SHOW_PROBE_TOGETHER != 0 && TogetherMaps.Built() &&
                 TogetherMaps.dimension == Layout.dimension
             ? &TogetherMaps
             : nullptr;
}

CelGeometry CCelView::Geometry() const {
  return {Layout.dimension, std::max(1, Settings().CEL_PIXEL_SIZE)};
}

QPoint CCelView::ScrollPosition() const {
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CCelView::Refresh(bool scrollToCurrent) {
  mRefreshPosted = false;
  GroupSettings& settings = Settings();
  settings.CEL_PIXEL_SIZE = std::max(1, settings.CEL_PIXEL_SIZE);
  if (ArrayCount() > 0 && (settings.CUR_ARRAY < 0 || settings.CUR_ARRAY >= ArrayCount()))
    settings.CUR_ARRAY = 0;
  const int array = settings.CUR_ARRAY;
  const ProbeTogetherMaps* together = Together();
  mImage = nullptr;
  if (HoldsImage(array)) {
    mImage = mCache.Find(array);
    if (mImage == nullptr) {
      int low = 0;
      int high = 0;
      GetCelDisplayRange(array, &low, &high);
      mImage = &mCache.Build(array, TheGroup().Array(array).intensities, Layout.dimension, low,
                             high, together);
    }
  }
  mMarks.clear();
  if (settings.SHOW_OUTLIER != 0 && TheGroup().Modelled)
    mMarks = CollectOutlierMarks(array, together);
  mUnitCells = ProbeSetCells(settings.CUR_UNIT, together);
  UpdateScrollRange();
  // A hidden view has no window size yet; it scrolls when it is shown.
  scrollToCurrent = scrollToCurrent || mScrollPending;
  mScrollPending = scrollToCurrent && !isVisible();
  if (scrollToCurrent && !mScrollPending) {
    const CelCell middle = MiddlePairCell(settings.CUR_UNIT, together);
    if (middle.x >= 0) {
      const CelGeometry g = Geometry();
      horizontalScrollBar()->setValue(g.CentredScroll(middle.x, viewport()->width()));
      verticalScrollBar()->setValue(g.CentredScroll(middle.y, viewport()->height()));
    }
  }
  viewport()->update();
}

void CCelView::RebuildImages() {
  mCache.Clear();
  mImage = nullptr;
  Refresh(false);
}

void CCelView::UpdateScrollRange() {
  const int side = Geometry().Side();
  FitScrollBarsToPicture(*this, QSize(side, side));
}

void CCelView::Draw(QPainter& painter, const QRect& area, bool withBlink) {
  CelDrawState state;
  // The cached image belongs to the array of its slot; another array's shows nothing.
  state.image = mImage != nullptr && mImage->array == Settings().CUR_ARRAY ? mImage : nullptr;
  state.geometry = Geometry();
  state.marks = &mMarks;
  state.blink = withBlink ? &mUnitCells : nullptr;
  state.outline = &mOutline;
  DrawCelPicture(painter, state, area, mScratch);
}

void CCelView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPoint scroll = ScrollPosition();
  painter.translate(-scroll);
  Draw(painter, event->rect().translated(scroll), mBlinkOn);
  // The image of an array shown from elsewhere is built after this paint, not in it.
  const int array = Settings().CUR_ARRAY;
  if ((mImage == nullptr || mImage->array != array) && HoldsImage(array) && !mRefreshPosted) {
    mRefreshPosted = true;
    QTimer::singleShot(0, this, [this] { Refresh(false); });
  }
}

void CCelView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void CCelView::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  // Settings may have changed while another view was shown.
  Refresh(false);
}

void CCelView::scrollContentsBy(int dx, int dy) {
  viewport()->scroll(dx, dy);
}

PictureExport CCelView::ExportPicture() {
  PictureExport picture;
  picture.defaultName = DefaultImageName(VIEW_CEL);
  const int side = Geometry().Side();
  picture.size = QSize(side, side);
  picture.draw = [this, side](QPainter& painter) {
    // In bands, so that the colouring bitmap stays small on large zoomed pictures.
    for (int top = 0; top < side; top += kExportBand)
      Draw(painter, QRect(0, top, side, std::min(kExportBand, side - top)), false);
    mScratch = QImage();
  };
  return picture;
}

std::string CCelView::StatusText(QPoint mouse) const {
  const GroupSettings& settings = Settings();
  const int array = settings.CUR_ARRAY;
  std::string text = "[";
  if (array >= 0 && array < ArrayCount()) text += TheGroup().Array(array).name;
  text += "] ";
  const CelGeometry g = Geometry();
  const QPoint at = mouse + ScrollPosition();
  const CelCell cell = g.CellAt(at.x(), at.y());
  if (!g.Inside(cell) || !HoldsImage(array)) return text + kCelOutsideHint;
  text += MessageBuffer("[Cell %d,%d] ", cell.x, cell.y);
  int x = cell.x;
  int y = cell.y;
  if (const ProbeTogetherMaps* together = Together()) {
    const MapPosition real = together->CellAt(cell.x, cell.y);
    if (real.x < 0 || real.y < 0) return text;  // no cell is shown there
    x = real.x;
    y = real.y;
  }
  if (!Layout.HasCells()) return text;
  const CELL_RECORD& record = Layout.Cell(x, y);
  if (record.kind == kCellNoUnit || record.unit >= Layout.units.size()) {
    text += "[Quality Control] ";
  } else {
    text += MessageBuffer("[Gene %s, %s] [%s %d] ",
                          std::string(Layout.units[record.unit].Name()).c_str(),
                          CallName(array, record.unit).c_str(),
                          record.kind == kCellMismatch ? "MM" : "PM", record.pair);
  }
  const std::vector<std::uint16_t>& plane = TheGroup().Array(array).intensities;
  text += MessageBuffer("[Intensity: %d]", static_cast<int>(plane[Layout.CellIndex(x, y)]));
  return text;
}

void CCelView::UpdateStatus() {
  mFrame.SetStatusText(0, StatusText(mLastMouse));
}

QRect CCelView::BlinkArea() const {
  if (mUnitCells.empty()) return {};
  const CelGeometry g = Geometry();
  QRect box;
  for (const CelCell cell : mUnitCells)
    box |= QRect(g.CellLeft(cell.x), g.CellTop(cell.y), g.pixelSize, g.pixelSize);
  return box.translated(-ScrollPosition());
}

void CCelView::ChangeArray(int step) {
  const int count = ArrayCount();
  if (count <= 0) return;
  const int array = ((Settings().CUR_ARRAY + step) % count + count) % count;
  ShowArray(array);
  mFrame.SelectArrayItem(array);
}

void CCelView::ChangeUnit(int step) {
  const int count = static_cast<int>(Layout.units.size());
  if (count <= 0) return;
  int& unit = Settings().CUR_UNIT;
  unit = unit < 0 && step < 0 ? count - 1 : ((unit + step) % count + count) % count;
  Refresh(true);
}

void CCelView::Zoom(CelZoom zoom) {
  int& size = Settings().CEL_PIXEL_SIZE;
  const int zoomed = ZoomedPixelSize(std::max(1, size), zoom);
  if (zoomed == size) return;
  size = zoomed;
  Refresh(true);
}

void CCelView::ToggleOutliers() {
  Settings().SHOW_OUTLIER = Settings().SHOW_OUTLIER != 0 ? 0 : 1;
  Refresh(false);
}

void CCelView::ToggleProbeTogether() {
  GroupSettings& settings = Settings();
  settings.SHOW_PROBE_TOGETHER = settings.SHOW_PROBE_TOGETHER != 0 ? 0 : 1;
  // Without maps the cells keep their own places.
  if (settings.SHOW_PROBE_TOGETHER != 0 && !ProbeTogether()) settings.SHOW_PROBE_TOGETHER = 0;
  // The probe data view loads its probe set again.
  Model.ClearProbeSet();
  mCache.Clear();
  mImage = nullptr;
  Refresh(true);
}

void CCelView::keyPressEvent(QKeyEvent* event) {
  if (ShowNextViewOnReturn(mFrame, event->key())) return;
  switch (event->key()) {
    case Qt::Key_Escape:
      Settings().CUR_UNIT = -1;
      // A closed region goes; one being drawn stays.
      if (TheImageRegion().IsClosed()) TheImageRegion().Drop();
      UpdateOutline();
      Refresh(false);
      break;
    case Qt::Key_PageUp:
      ChangeArray(-1);
      break;
    case Qt::Key_PageDown:
      ChangeArray(1);
      break;
    case Qt::Key_Home:
      ChangeUnit(-1);
      break;
    case Qt::Key_End:
      ChangeUnit(1);
      break;
    case Qt::Key_Left:
      Zoom(CelZoom::kLess);
      break;
    case Qt::Key_Right:
      Zoom(CelZoom::kMore);
      break;
    case Qt::Key_Up:
      Zoom(CelZoom::kMuchLess);
      break;
    case Qt::Key_Down:
      Zoom(CelZoom::kMuchMore);
      break;
    case Qt::Key_O:
      ToggleOutliers();
      break;
    case Qt::Key_P:
      ToggleProbeTogether();
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  UpdateStatus();
}

CelCell CCelView::CellUnder(QPoint mouse) const {
  const QPoint at = mouse + ScrollPosition();
  return Geometry().CellAt(at.x(), at.y());
}

void CCelView::UpdateOutline() {
  const CelGeometry g = Geometry();
  mOutline.clear();
  for (const CellPoint& point : TheImageRegion().OutlineCells())
    if (g.Inside({point.x, point.y})) mOutline.push_back({point.x, point.y});
  viewport()->update();
}

void CCelView::mousePressEvent(QMouseEvent* event) {
  mLastMouse = event->position().toPoint();
  CelCell cell = CellUnder(mLastMouse);
  const bool inside = Geometry().Inside(cell) && HoldsImage(Settings().CUR_ARRAY);
  ImageRegion& region = TheImageRegion();
  if (event->button() == Qt::RightButton) {
    if (inside) {
      region.AddPoint(cell.x, cell.y);
      UpdateOutline();
    }
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  if (region.InProgress()) {
    region.Drop();
    UpdateOutline();
  }
  if (!inside) return;
  if (const ProbeTogetherMaps* together = Together()) {
    const MapPosition real = together->CellAt(cell.x, cell.y);
    cell = {real.x, real.y};
  }
  if (cell.x >= 0 && cell.y >= 0 && Layout.HasCells()) {
    const CELL_RECORD& record = Layout.Cell(cell.x, cell.y);
    if (record.kind != kCellNoUnit) {
      Settings().CUR_UNIT = record.unit;
      Refresh(false);
      // The chosen probe set shows at once.
      mBlinkOn = true;
      UpdateStatus();
    }
  }
}

void CCelView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    mousePressEvent(event);
    return;
  }
  mLastMouse = event->position().toPoint();
  const CelCell cell = CellUnder(mLastMouse);
  TheImageRegion().EndDrawing(cell.x, cell.y);
  UpdateOutline();
}

void CCelView::mouseMoveEvent(QMouseEvent* event) {
  mLastMouse = event->position().toPoint();
  if (TheImageRegion().InProgress()) {
    const CelCell cell = CellUnder(mLastMouse);
    TheImageRegion().TrackMouse(cell.x, cell.y);
    UpdateOutline();
  }
  UpdateStatus();
}

void CCelView::wheelEvent(QWheelEvent* event) {
  const int turn = event->angleDelta().y();
  if (turn > 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  if (turn < 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  QAbstractScrollArea::wheelEvent(event);
}

void CCelView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != mBlinkTimer) {
    QAbstractScrollArea::timerEvent(event);
    return;
  }
  if (AnalysisRunning != 0 || mUnitCells.empty()) return;
  mBlinkOn = !mBlinkOn;
  viewport()->update(BlinkArea());
}

std::optional<CommandState> CCelView::UpdateCommand(int id) const {
  const GroupSettings& settings = Settings();
  switch (id) {
    case ids::kImageArrayOutlier:
      return CommandState{TheGroup().Modelled, settings.SHOW_OUTLIER != 0};
    case ids::kImageProbeTogether:
      return CommandState{Layout.HasCells(), settings.SHOW_PROBE_TOGETHER != 0};
    case ids::kFindGene:
    case ids::kFindNext:
      return CommandState{!Layout.units.empty(), false};
    case ids::kImageGradientCorrection:
    case ids::kImageReplaceValue:
    case ids::kImageUndoLast: {
      const ImageRegion& region = TheImageRegion();
      bool enabled = !TheGroup().Normalized && !region.InProgress() && region.IsClosed();
      if (id == ids::kImageReplaceValue) enabled = enabled && ArrayCount() > 1;
      if (id == ids::kImageUndoLast) enabled = enabled && region.Undoable();
      return CommandState{enabled, false};
    }
    case ids::kImageSaveQvfFile:
      return CommandState{!TheGroup().Normalized && HoldsImage(settings.CUR_ARRAY), false};
    case ids::kImageScaleCelValue:
      return CommandState{settings.CUR_ARRAY >= 0 && settings.CUR_ARRAY < ArrayCount(), false};
    default:
      return std::nullopt;
  }
}

bool CCelView::RunCommand(int id) {
  switch (id) {
    case ids::kImageArrayOutlier:
      ToggleOutliers();
      return true;
    case ids::kImageProbeTogether:
      ToggleProbeTogether();
      return true;
    case ids::kImageGradientCorrection:
      EditRegion([] { return TheImageRegion().CorrectGradient(); });
      return true;
    case ids::kImageReplaceValue:
      EditRegion([] { return TheImageRegion().ReplaceByOtherArrays(); });
      return true;
    case ids::kImageUndoLast:
      EditRegion([] { return TheImageRegion().Undo(); });
      return true;
    case ids::kImageSaveQvfFile: {
      int error = 0;
      const bool saved = WriteCurrentArrayQvf(&error);
      AfxMessageBox(saved ? kQvfSavedMessage
                          : platform::WithSystemReason(kQvfFailedMessage, error));
      return true;
    }
    case ids::kImageScaleCelValue:
      RunScaleCelValue(mFrame, Settings().CUR_ARRAY);
      return true;
    case ids::kFindGene:
    case ids::kFindNext:
      // -1: the search failed and said so; the current probe set stays.
      if (const int unit = FindByCommand(id, this); unit >= 0) {
        Settings().CUR_UNIT = unit;
        Refresh(true);
      }
      return true;
    default:
      return false;
  }
}

void CCelView::EditRegion(bool (*edit)()) {
  edit();
  // The edited intensities show only in images built anew.
  RebuildImages();
  UpdateOutline();
}
