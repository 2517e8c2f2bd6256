// The probe data view: its state, loading, keys, animation, status line and commands.
#include "shell/views/array/data_view.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/group_settings.hpp"
#include "engine/model/model.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/info/gene_info.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/find/find_gene.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/array/data_drawing.hpp"
#include "shell/views/pane/next_view_key.hpp"

namespace {

constexpr int kModelMethods = 3;  // Next Model cycles through the first three methods
constexpr const char* kAnimateText = "&Animate\tCtrl+A";
constexpr const char* kPauseText = "&Pause\tCtrl+A";
constexpr const char* kExportSuffix = "_prob_data";

std::string UnitName(int unit) {
  if (unit < 0 || static_cast<std::size_t>(unit) >= Layout.units.size()) return {};
  return std::string(Layout.units[static_cast<std::size_t>(unit)].Name());
}

// The largest picture side the settings file keeps, so that the size keys never grow the
// picture past what the next start reads back.
int LargestSide(int GroupSettings::*side) {
  return static_cast<int>(IntSettingRange(side).high);
}

}  // namespace

// The scrolled picture: it copies the picture built beforehand and follows the mouse.
class DataCanvas final : public QWidget {
 public:
  DataCanvas(DataView& view, QWidget* parent) : QWidget(parent), mView(view) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.drawImage(event->rect().topLeft(), mView.mPicture, event->rect());
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    mView.mLastMouse = event->position().toPoint();
    mView.ShowStatus(mView.mLastMouse);
  }

 private:
  DataView& mView;
};

DataView::DataView(ShellFrame& frame, QWidget* parent)
    : QScrollArea(parent),
      mFrame(frame),
      mWidth(std::max(kDataMinPictureSize, TheGroup().Settings().PIC_WD)),
      mHeight(std::max(kDataMinPictureSize, TheGroup().Settings().PIC_HT)) {
  setObjectName(QStringLiteral("view%1").arg(VIEW_DATA));
  setBackgroundRole(QPalette::Base);
  mCanvas = new DataCanvas(*this, this);
  setWidget(mCanvas);
  setFocusPolicy(Qt::StrongFocus);
}

DataView::~DataView() = default;

void DataView::OnInitialUpdate() {
  mInitialised = true;
  RecomputeLayout();
  Redraw();
}

void DataView::RecomputeLayout() {
  GroupSettings& settings = TheGroup().Settings();
  settings.PIC_WD = mWidth;
  settings.PIC_HT = mHeight;
  mGeometry = ComputeDataGeometry(mWidth, mHeight, mShowAll, TheGroup().NumArrays());
  mCanvas->setFixedSize(mGeometry.pictureWidth, mGeometry.pictureHeight);
  RestartTimer();
}

void DataView::RestartTimer() {
  if (mTimer != 0) killTimer(mTimer);
  mTimer = startTimer(std::max(1, static_cast<int>(std::lround(mPeriod))));
}

bool DataView::LoadCurrent() {
  Group& group = TheGroup();
  GroupSettings& settings = group.Settings();
  if (group.NumArrays() < 1 || Layout.unitCount < 1 || Layout.units.empty()) return false;
  if (settings.CUR_ARRAY < 0 || settings.CUR_ARRAY >= group.NumArrays()) settings.CUR_ARRAY = 0;
  if (settings.CUR_UNIT < 0 || settings.CUR_UNIT >= Layout.unitCount ||
      static_cast<std::size_t>(settings.CUR_UNIT) >= Layout.units.size())
    settings.CUR_UNIT = 0;
  // The batch fit clears the display mode, and the ranges with it.
  if (Model.ProbeSet() != settings.CUR_UNIT || !Model.DisplayMode()) {
    Model.SetDisplayMode(true);
    if (!Model.GetData(settings.CUR_UNIT)) {
      Model.ClearProbeSet();
      return false;
    }
    Model.FindArrayInOrder(settings.CUR_ARRAY);
  }
  return true;
}

void DataView::Redraw() {
  // A running job owns the model; the picture waits for it.
  if (AnalysisRunning == 0) LoadCurrent();
  BuildPicture();
}

void DataView::Draw(QPainter& painter) const {
  const GroupSettings& settings = TheGroup().Settings();
  DataDrawState state;
  state.geometry = mGeometry;
  const bool held = Model.ProbeSet() == settings.CUR_UNIT && Model.DisplayMode();
  state.unit = held ? settings.CUR_UNIT : -1;
  state.array = settings.CUR_ARRAY;
  state.showAll = mShowAll;
  state.probePositions = mProbePositions;
  DrawDataPicture(painter, state);
}

void DataView::BuildPicture() {
  if (mPicture.size() != QSize(mGeometry.pictureWidth, mGeometry.pictureHeight))
    mPicture = QImage(mGeometry.pictureWidth, mGeometry.pictureHeight, QImage::Format_RGB32);
  {
    QPainter painter(&mPicture);
    Draw(painter);
  }
  mCanvas->update();
  if (isVisible()) ShowStatus(mLastMouse);
}

void DataView::showEvent(QShowEvent* event) {
  QScrollArea::showEvent(event);
  // Another view or the batch fit may have moved the probe set, array or model meanwhile.
  if (mInitialised) Redraw();
}

void DataView::ShowStatus(QPoint at) {
  const GroupSettings& settings = TheGroup().Settings();
  const int unit = settings.CUR_UNIT;
  const int array = settings.CUR_ARRAY;
  if (unit < 0 || array < 0 || ArrayType != 0 || Model.ProbeSet() != unit ||
      array >= Model.ArrayCount())
    return;
  std::string text = MessageBuffer("[Gene %s, %s] [%s] ", UnitName(unit).c_str(),
                                   CallText(array).c_str(), TheGroup().Array(array).name.c_str());
  if (!mShowAll) {
    const StripCell cell = HitProbeStrip(ModelProbeStrip(mGeometry), at.x(), at.y());
    if (cell.column >= 0 && cell.column < Model.ProbeCount()) {
      const bool pm = cell.row == 0;
      const double v = pm ? Model.Pm(array, cell.column) : Model.Mm(array, cell.column);
      if (v == MISSING_VALUE)
        text += "[Single outlier]";
      else
        text += MessageBuffer("[%s %d] [Intensity: %d]", pm ? "PM" : "MM", cell.column,
                              static_cast<int>(v));
    }
  }
  mFrame.SetStatusText(0, text);
}

void DataView::StepProbeSet(int step) {
  GroupSettings& settings = TheGroup().Settings();
  const int units = Layout.unitCount;
  if (units < 1) return;
  const auto next = [units](int unit, int by) { return ((unit + by) % units + units) % units; };
  int unit = next(settings.CUR_UNIT, step);
  if (mJumpToPresent && ArrayType == 0) {
    // One full cycle at most: back at the start nothing above the fraction was found.
    for (int tried = 1; tried < units; ++tried) {
      if (TheGroup().PresentCallFraction(unit, nullptr, 0) > kJumpPresentFraction) break;
      unit = next(unit, step);
    }
    if (TheGroup().PresentCallFraction(unit, nullptr, 0) <= kJumpPresentFraction)
      unit = settings.CUR_UNIT;
  }
  settings.CUR_UNIT = unit;
  Redraw();
}

void DataView::Resize(int width, int height) {
  mWidth = width;
  mHeight = height;
  RecomputeLayout();
  Redraw();
}

void DataView::keyPressEvent(QKeyEvent* event) {
  if (AnalysisRunning != 0) return;
  const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
  if (ShowNextViewOnReturn(mFrame, event->key())) return;
  switch (event->key()) {
    case Qt::Key_PageUp:
      if (!LoadCurrent()) return;
      Model.StepArrayInOrder(-1);
      BuildPicture();
      return;
    case Qt::Key_PageDown:
      if (!LoadCurrent()) return;
      if (control) {
        // One more pass of the fit on the same array.
        Model.FitModel(true);
        Model.GetDisplayRange();
        Model.FindArrayInOrder(TheGroup().Settings().CUR_ARRAY);
      } else {
        Model.StepArrayInOrder(1);
      }
      BuildPicture();
      return;
    case Qt::Key_End:
      StepProbeSet(1);
      return;
    case Qt::Key_Home:
      StepProbeSet(-1);
      return;
    case Qt::Key_Left:
      Resize(ShrinkPictureSide(mWidth), mHeight);
      return;
    case Qt::Key_Right:
      Resize(GrowPictureSide(mWidth, LargestSide(&GroupSettings::PIC_WD)), mHeight);
      return;
    case Qt::Key_Up:
      Resize(mWidth, ShrinkPictureSide(mHeight));
      return;
    case Qt::Key_Down:
      Resize(mWidth, GrowPictureSide(mHeight, LargestSide(&GroupSettings::PIC_HT)));
      return;
    case Qt::Key_A:
      RunCommand(ids::kDataAnimate);
      return;
    case Qt::Key_I:
      RunCommand(ids::kDataOutlierInRange);
      return;
    case Qt::Key_L:
      RunCommand(ids::kDataShowAllArray);
      return;
    case Qt::Key_M:
      RunCommand(ids::kDataNextModel);
      return;
    case Qt::Key_P:
      RunCommand(ids::kDataProbePosition);
      return;
    default:
      QScrollArea::keyPressEvent(event);
  }
}

void DataView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != mTimer) {
    QScrollArea::timerEvent(event);
    return;
  }
  if (AnalysisRunning != 0 || mShowAll || mPaused) return;
  if (!LoadCurrent()) return;
  Model.StepArrayInOrder(0);
  BuildPicture();
}

void DataView::focusOutEvent(QFocusEvent* event) {
  // The window's own menus take the focus only while they are open; the animation goes on
  // under them, so that Pause, Faster and Slower act on it.
  const Qt::FocusReason reason = event->reason();
  if (reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason) mPaused = true;
  QScrollArea::focusOutEvent(event);
}

bool DataView::ShowArray(int array) {
  if (array < 0 || array >= TheGroup().NumArrays()) return false;
  TheGroup().Settings().CUR_ARRAY = array;
  if (LoadCurrent()) Model.FindArrayInOrder(array);
  BuildPicture();
  return true;
}

PictureExport DataView::ExportPicture() {
  LoadCurrent();
  const GroupSettings& settings = TheGroup().Settings();
  PictureExport picture;
  picture.defaultName =
      platform::JoinPath(settings.WORKING_DIR, UnitName(settings.CUR_UNIT) + kExportSuffix);
  picture.size = QSize(mGeometry.pictureWidth, mGeometry.pictureHeight);
  picture.draw = [this](QPainter& painter) { Draw(painter); };
  return picture;
}

std::optional<CommandState> DataView::UpdateCommand(int id) const {
  const bool idle = AnalysisRunning == 0;
  const bool animating = !mPaused && !mShowAll;
  switch (id) {
    case ids::kDataAnimate:
      return CommandState{idle && !mShowAll, false, mPaused ? kAnimateText : kPauseText};
    case ids::kDataFaster:
    case ids::kDataSlower:
      return CommandState{idle && animating, false};
    case ids::kDataProbePosition:
      return CommandState{idle && ArrayType == 0, mProbePositions};
    case ids::kDataJumpToPresent:
      return CommandState{idle, mJumpToPresent};
    case ids::kDataNextModel:
      return CommandState{idle, false};
    case ids::kDataOutlierInRange:
      return CommandState{idle, TheGroup().Settings().OUTLIER_IN_RANGE != 0};
    case ids::kDataShowAllArray:
      return CommandState{idle, mShowAll};
    case ids::kFindGene:
      return CommandState{idle && Layout.unitCount > 0, false};
    case ids::kFindNext:
      return CommandState{idle && Layout.unitCount > 0 && !GeneInfo.lastKeyword.empty(), false};
    default:
      return std::nullopt;
  }
}

bool DataView::RunCommand(int id) {
  GroupSettings& settings = TheGroup().Settings();
  switch (id) {
    case ids::kDataAnimate:
      if (!mShowAll) mPaused = !mPaused;
      return true;
    case ids::kDataFaster:
      mPeriod /= kDataAnimationStep;
      RestartTimer();
      return true;
    case ids::kDataSlower:
      mPeriod *= kDataAnimationStep;
      RestartTimer();
      return true;
    case ids::kDataProbePosition:
      // SNP probes carry block offsets, not positions along the sequence.
      if (ArrayType != 0) return true;
      mProbePositions = !mProbePositions;
      BuildPicture();
      return true;
    case ids::kDataJumpToPresent:
      mJumpToPresent = !mJumpToPresent;
      return true;
    case ids::kDataNextModel:
      settings.MODEL_METHOD = (settings.MODEL_METHOD + 1) % kModelMethods;
      Model.ClearProbeSet();
      Redraw();
      return true;
    case ids::kDataOutlierInRange:
      settings.OUTLIER_IN_RANGE = settings.OUTLIER_IN_RANGE != 0 ? 0 : 1;
      Model.ClearProbeSet();
      Redraw();
      return true;
    case ids::kDataShowAllArray:
      mShowAll = !mShowAll;
      RecomputeLayout();
      Redraw();
      return true;
    case ids::kFindGene:
    case ids::kFindNext:
      MakeCurrent(FindByCommand(id, mFrame.Window()));
      return true;
    default:
      return false;
  }
}

void DataView::MakeCurrent(int unit) {
  // -1 is a failed search whose message was shown: the probe set stays.
  if (unit < 0 || unit >= Layout.unitCount) return;
  GroupSettings& settings = TheGroup().Settings();
  if (unit == settings.CUR_UNIT && Model.ProbeSet() == unit) return;
  settings.CUR_UNIT = unit;
  Redraw();
}
