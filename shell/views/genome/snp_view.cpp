// The SNP view: loading a SNP into its blocks, its points and bars, status and keys.
#include "shell/views/genome/snp_view.hpp"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/info/snp_block_data.hpp"
#include "shell/dialogs/find/find_gene.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/genome/snp_bar_chart.hpp"

namespace {

int UnitCount() {
  return static_cast<int>(Layout.units.size());
}

int CallOf(int array, int unit) {
  if (array < 0 || array >= TheGroup().NumArrays() || unit < 0) return kSnpCallNoCall;
  const std::vector<char>& calls = TheGroup().Array(array).calls;
  return static_cast<std::size_t>(unit) < calls.size()
             ? static_cast<int>(calls[static_cast<std::size_t>(unit)])
             : static_cast<int>(kSnpCallNoCall);
}

std::string CallName(int call) {
  if (call < 0 || call >= static_cast<int>(kSnpCallNames.size())) return "NoCall";
  return std::string(kSnpCallNames[static_cast<std::size_t>(call)]);
}

}  // namespace

COLORREF SnpCallColour(int call) {
  switch (call) {
    case kSnpCallA:
      return kSnpCallAColour;
    case kSnpCallB:
      return kSnpCallBColour;
    case kSnpCallAB:
      return kSnpCallABColour;
    default:
      return kSnpNoCallColour;
  }
}

SnpView::SnpView(ShellFrame& frame, QWidget* parent) : LdaView(frame, parent, true) {
  SnpBlockData.PrepareBlocks();
}

int SnpView::ShownUnit() {
  const int unit = TheGroup().Settings().CUR_UNIT;
  return unit >= 0 && unit < UnitCount() ? unit : 0;
}

void SnpView::LoadShownUnit(bool force) {
  const int unit = ShownUnit();
  if (!force && unit == SnpBlockData.row) return;
  TheGroup().Settings().CUR_UNIT = unit;
  std::vector<ScatterPoint>& points = EditPoints();
  points.clear();
  // A refused SNP or a failed fit has said why; the view shows no points then.
  if (UnitCount() > 0 && SnpBlockData.FillBlocks(unit) && SnpBlockData.FitBlocks())
    for (int a = 0; a < static_cast<int>(SnpBlockData.Points().size()); ++a) {
      const RowEffectPair effect = SnpBlockData.Points()[static_cast<std::size_t>(a)];
      ScatterPoint point;
      point.x = effect.first;
      point.y = effect.second;
      point.name = TheGroup().Array(a).name;
      points.push_back(std::move(point));
    }
  ScalePointsToView();
}

void SnpView::OnInitialUpdate() {
  LoadShownUnit(true);
  LdaView::OnInitialUpdate();
}

void SnpView::Draw(QPainter& painter, bool highlight) {
  LoadShownUnit(false);
  LdaView::Draw(painter, highlight);
  DrawSnpBarChart(painter, mLayout.width, mLayout.height, SnpBlockData,
                  TheGroup().Settings().CUR_ARRAY);
}

void SnpView::DrawPoint(QPainter& painter, int index) {
  if (index < 0 || index >= static_cast<int>(std::min(Points().size(), Boxes().size()))) return;
  const ScatterBox& box = Boxes()[static_cast<std::size_t>(index)];
  FillScatterBox(painter, box, ScatterFill{SnpCallColour(CallOf(index, ShownUnit())), {}},
                 mLayout.half);
  DrawScatterLabel(painter, box, Points()[static_cast<std::size_t>(index)].name, mLayout);
}

std::string SnpView::StatusText(QPoint at) const {
  const int unit = ShownUnit();
  const std::string unitName =
      unit < UnitCount() ? std::string(Layout.units[static_cast<std::size_t>(unit)].Name()) : "";
  int array = FindScatterBox(Boxes(), 0, at.x(), at.y());
  if (array < 0 || array >= static_cast<int>(Points().size()))
    array = TheGroup().Settings().CUR_ARRAY;
  if (array < 0 || array >= TheGroup().NumArrays()) return "[Unit " + unitName + "]";
  return "[Unit " + unitName + "] [" + TheGroup().Array(array).name +
         "] [SNP call: " + CallName(CallOf(array, unit)) + "]";
}

void SnpView::MouseMoved(QPoint at) {
  mLastMouse = at;
  mFrame.SetStatusText(0, StatusText(at));
}

void SnpView::Repaint() {
  Canvas()->update();
  MouseMoved(mLastMouse);
}

void SnpView::keyPressEvent(QKeyEvent* event) {
  GroupSettings& settings = TheGroup().Settings();
  const int arrays = TheGroup().NumArrays();
  const int units = UnitCount();
  switch (event->key()) {
    case Qt::Key_Escape:
      settings.CUR_ARRAY = -1;
      Repaint();
      return;
    case Qt::Key_PageUp:
      if (arrays == 0) return;
      settings.CUR_ARRAY = settings.CUR_ARRAY <= 0 || settings.CUR_ARRAY >= arrays
                               ? arrays - 1
                               : settings.CUR_ARRAY - 1;
      Repaint();
      return;
    case Qt::Key_PageDown:
      if (arrays == 0) return;
      settings.CUR_ARRAY = settings.CUR_ARRAY < 0 ? 0 : (settings.CUR_ARRAY + 1) % arrays;
      Repaint();
      return;
    case Qt::Key_Home:
    case Qt::Key_End: {
      if (units == 0) return;
      const int unit = ShownUnit();
      settings.CUR_UNIT =
          event->key() == Qt::Key_Home ? (unit + units - 1) % units : (unit + 1) % units;
      OnInitialUpdate();
      return;
    }
    default:
      LdaView::keyPressEvent(event);
  }
}

std::optional<CommandState> SnpView::UpdateCommand(int id) const {
  if (id == ids::kFindGene) return CommandState{UnitCount() > 0, false};
  if (id == ids::kDeleteSamplePoint) return std::nullopt;
  return LdaView::UpdateCommand(id);
}

bool SnpView::RunCommand(int id) {
  if (id == ids::kFindGene) {
    // A search that finds nothing leaves -1, which the next paint shows as unit 0.
    TheGroup().Settings().CUR_UNIT = FindGene(this);
    Repaint();
    return true;
  }
  if (id == ids::kDeleteSamplePoint) return false;
  return LdaView::RunCommand(id);
}
