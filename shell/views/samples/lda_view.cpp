// The sample scatter view: its points, layout, painting, blink, commands and the picture
// it exports.
#include "shell/views/samples/lda_view.hpp"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/lda/lda_result.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/pane/export_image_command.hpp"
#include "shell/views/pane/view_canvas.hpp"

namespace {

// Where the next hit search starts: one past the last hit, for every scatter view.
int gHitStart = 0;

}  // namespace

LdaView::LdaView(ShellFrame& frame, QWidget* parent) : LdaView(frame, parent, false) {}

LdaView::LdaView(ShellFrame& frame, QWidget* parent, bool snpMode)
    : QScrollArea(parent), mFrame(frame), mSnpMode(snpMode), mSampleMode(!snpMode) {
  setObjectName(QStringLiteral("view%1").arg(snpMode ? VIEW_SNP : VIEW_LDA));
  setBackgroundRole(QPalette::Base);
  GroupSettings& settings = TheGroup().Settings();
  settings.PIC_WD = std::clamp(settings.PIC_WD, kMinLdaPicture, kMaxLdaPicture);
  settings.PIC_HT = std::clamp(settings.PIC_HT, kMinLdaPicture, kMaxLdaPicture);
  mLayout.width = settings.PIC_WD;
  mLayout.height = settings.PIC_HT;
  mLayout.half = kLdaStartHalfSide;
  mLayout.margin = 0;
  // The scrolled picture; it paints what is visible of it and takes the mouse.
  auto* canvas = new ViewCanvas([this](QPainter& painter) { Draw(painter, mBlinkOn); }, this);
  canvas->setMouseTracking(true);
  canvas->onPress = [this](QMouseEvent& event) {
    setFocus();
    if (event.button() == Qt::LeftButton) LeftClick(event.position().toPoint());
  };
  canvas->onMove = [this](QMouseEvent& event) { MouseMoved(event.position().toPoint()); };
  mCanvas = canvas;
  setWidget(mCanvas);
  setFocusPolicy(Qt::StrongFocus);
  // Where the window is larger than the picture the viewport, not the canvas, has the
  // mouse; its moves give the hint of the space outside the picture.
  viewport()->setMouseTracking(true);
}

LdaView::~LdaView() = default;

void LdaView::OnInitialUpdate() {
  if (mSampleMode) TakeSamplePoints();
  ScalePointsToView();
  const int scrollHeight =
      mSnpMode ? static_cast<int>(mLayout.height * kSnpScrollHeightScale) : mLayout.height;
  mCanvas->setFixedSize(mLayout.width, scrollHeight);
  horizontalScrollBar()->setSingleStep(mLayout.width / 20);
  verticalScrollBar()->setSingleStep(mLayout.height / 20);
  if (mBlinkTimer == 0) mBlinkTimer = startTimer(kLdaBlinkMilliseconds);
  mFont = ScatterLabelFont(mLayout.half);
  Refresh();
}

void LdaView::TakeSamplePoints() {
  const LDA_RESULT& result = TheLdaResult();
  mPca = result.pca;
  const int count = std::min(SampleGrouping.SampleCount(), result.resultRows);
  mPoints.assign(static_cast<std::size_t>(std::max(0, count)), ScatterPoint{});
  for (int i = 0; i < count; ++i) {
    const float* row = result.ResultRow(i);
    ScatterPoint& point = mPoints[static_cast<std::size_t>(i)];
    if (row != nullptr) {
      point.x = row[0];
      point.y = row[1];
      // A prediction that is no class number is none.
      point.predicted = row[2] >= 1.0f && row[2] < 1.0e6f ? static_cast<int>(row[2]) : 0;
      point.probability = row[3];
    }
    point.classIndex = result.ClassOf(i);
    point.name = SampleGrouping.SampleName(i);
  }
}

void LdaView::ScalePointsToView() {
  mBoxes = ScaleScatterPoints(mPoints, mLayout);
}

int LdaView::HitTestPoint(QPoint at) {
  const int hit = FindScatterBox(mBoxes, gHitStart, at.x(), at.y());
  if (hit >= 0) gHitStart = hit + 1;
  return hit;
}

int LdaView::CurrentPoint() const {
  const int current =
      mSampleMode ? SampleGrouping.CurrentSample() : TheGroup().Settings().CUR_ARRAY;
  return current >= 0 && current < PointCount() ? current : -1;
}

void LdaView::SetCurrentPoint(int point) {
  if (mSampleMode)
    SampleGrouping.SetCurrentSample(point);
  else
    TheGroup().Settings().CUR_ARRAY = point >= 0 && point < PointCount() ? point : -1;
  mBlinkOn = true;
}

void LdaView::Draw(QPainter& painter, bool highlight) {
  painter.setFont(mFont);
  DrawScatterFrame(painter, mLayout);
  for (int i = 0; i < PointCount(); ++i) DrawPoint(painter, i);
  const int current = CurrentPoint();
  if (!highlight || current < 0) return;
  DrawPoint(painter, current);
  DrawScatterHighlight(painter, mBoxes[static_cast<std::size_t>(current)]);
}

void LdaView::DrawPoint(QPainter& painter, int index) {
  if (index < 0 || index >= PointCount()) return;
  const ScatterPoint& point = mPoints[static_cast<std::size_t>(index)];
  const ScatterBox& box = mBoxes[static_cast<std::size_t>(index)];
  FillScatterBox(painter, box, SamplePointFill(point.classIndex, point.predicted, mPca),
                 mLayout.half);
  DrawScatterLabel(painter, box, point.name, mLayout);
}

void LdaView::MouseMoved(QPoint at) {
  if (at.x() < 0 || at.y() < 0 || at.x() >= mLayout.width || at.y() >= mLayout.height) {
    mFrame.SetStatusText(0, kLdaSizeHelpText);
    return;
  }
  // The box a click would take, without moving the search on.
  int shown = FindScatterBox(mBoxes, gHitStart, at.x(), at.y());
  if (shown < 0 || shown >= PointCount()) shown = CurrentPoint();
  if (shown < 0) {
    mFrame.SetStatusText(0, "");
    return;
  }
  mFrame.SetStatusText(0, "[" + mPoints[static_cast<std::size_t>(shown)].name + "]");
}

void LdaView::mouseMoveEvent(QMouseEvent* event) {
  MouseMoved(mCanvas->mapFrom(viewport(), event->position().toPoint()));
}

void LdaView::Refresh() {
  mCanvas->update();
  MouseMoved(QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()));
}

void LdaView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != mBlinkTimer) {
    QScrollArea::timerEvent(event);
    return;
  }
  const int current = CurrentPoint();
  if (AnalysisRunning != 0 || current < 0) return;
  mBlinkOn = !mBlinkOn;
  const ScatterBox& box = mBoxes[static_cast<std::size_t>(current)];
  mCanvas->update(
      QRect(box.left - 1, box.top - 1, box.right - box.left + 2, box.bottom - box.top + 2));
}

PictureExport LdaView::ExportPicture() {
  PictureExport picture;
  picture.defaultName = DefaultImageName(mSnpMode ? VIEW_SNP : VIEW_LDA);
  picture.size = QSize(mLayout.width, mLayout.height + mLayout.height / 4);
  picture.draw = [this](QPainter& painter) { Draw(painter, false); };
  return picture;
}

std::optional<CommandState> LdaView::UpdateCommand(int id) const {
  switch (id) {
    case ids::kDeleteSamplePoint:
      return CommandState{
          mSampleMode && AnalysisRunning == 0 && SampleGrouping.CurrentSample() >= 0, false};
    case ids::kExportImage:
      return CommandState{true, false};
    default:
      return std::nullopt;
  }
}

bool LdaView::RunCommand(int id) {
  switch (id) {
    case ids::kDeleteSamplePoint:
      DeleteSamplePoint();
      return true;
    case ids::kExportImage:
      ExportImage();
      return true;
    default:
      return false;
  }
}

void LdaView::DeleteSamplePoint() {
  const int sample = SampleGrouping.CurrentSample();
  if (sample < 0 || sample >= SampleGrouping.SampleCount()) return;
  LogMessage(MessageBuffer(kDeleteSamplePointLog, SampleGrouping.SampleName(sample).c_str()), 0,
             kLogBlue);
  bool done = false;
  {
    const RaisedAnalysisRunning running;
    done = RemoveSampleAndRerun();
  }
  // A failed run has dropped the result: the view no longer shows the old one.
  OnInitialUpdate();
  if (!done) {
    LogMessage(kLdaNotCompletedLog, 0, kLogRed);
    return;
  }
  mFrame.SelectViewItem(VIEW_LDA);
}

void LdaView::ExportImage() {
  // A cancelled dialog says nothing; a failure has said why.
  if (ExportViewImage(ExportPicture(), mFrame.Window())) AfxMessageBox(kLdaImageExportedMessage);
}
