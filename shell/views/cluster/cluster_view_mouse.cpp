// The cluster view's mouse: clicks select, colour and flip branches, pick terms and
// sample categories, and move the current cell; moving it fills the status line.
#include <QColorDialog>
#include <QScrollBar>

#include "engine/group/group.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_selection.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/info/term_table.hpp"
#include "shell/dialogs/links/online_database_dialog.hpp"
#include "shell/dialogs/links/open_term_link.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/cluster/cluster_drawing.hpp"
#include "shell/views/cluster/cluster_status_text.hpp"
#include "shell/views/cluster/cluster_view.hpp"

namespace {

COLORREF FromQColor(const QColor& colour) {
  return RGB(colour.red(), colour.green(), colour.blue());
}

// Clears a tree's marks and colours-in-progress but keeps its current node.
void ClearMarksKeepingCurrent(CLUSTER* tree) {
  if (tree == nullptr) return;
  const int current = tree->currentNode;
  tree->ClearMarks();
  tree->currentNode = current;
}

}  // namespace

ClusterHit CClusterView::HitTest(QPoint at) const {
  const CLUSTER* genes = GeneTree();
  const GroupSettings& settings = TheGroup().Settings();
  ClusterHitInput in;
  in.genes = genes != nullptr ? genes->n : 0;
  in.samples = genes != nullptr ? genes->m : 0;
  in.geneTree = HasGeneDendrogram();
  in.sampleTree = SampleTree() != nullptr;
  in.termColumns = GeneInfo.Loaded() && settings.FUNC_BAR_WD >= 1 ? GeneInfo.numColumns : 0;
  in.sampleInfoColumns = SampleInfo.ColumnCount();
  in.bandOffset = BandOffset();
  return HitClusterPicture(mGeometry, settings, in, at.x(), at.y());
}

void CClusterView::LeftClick(QPoint at, bool ctrl) {
  mShowLegend = false;
  if (!mShowUnperturbed || GeneTree() == nullptr) return;
  const ClusterHit hit = HitTest(at);
  switch (hit.zone) {
    case ClusterZone::kGeneTree:
    case ClusterZone::kGeneSupport:
      ClickBranch(true, at, ctrl);
      break;
    case ClusterZone::kSampleTree:
    case ClusterZone::kSampleSupport:
      ClickBranch(false, QPoint(at.x(), at.y() - BandOffset()), ctrl);
      break;
    case ClusterZone::kTermBar:
      ClickTermBar(hit, ctrl);
      break;
    case ClusterZone::kSampleInfo:
      ClickSampleInfo(hit, ctrl);
      break;
    case ClusterZone::kMatrix:
    case ClusterZone::kLabels:
      ClickCell(hit, ctrl);
      if (hit.zone == ClusterZone::kLabels) OpenOnlineDatabase(mFrame.Window(), false);
      break;
    case ClusterZone::kNone:
      return;  // nothing there to select
  }
  mCanvas->update();
}

void CClusterView::ClickBranch(bool geneTree, QPoint at, bool ctrl) {
  CLUSTER* tree = geneTree ? GeneTree() : SampleTree();
  if (tree == nullptr) return;
  const int node = tree->NearestNode(at.x(), at.y());
  if (!tree->ValidNode(node)) return;
  if (ctrl) {
    if (tree->coloredCount >= kMaxColoredBranches) {
      AfxMessageBox(kColoredBranchLimitMessage);
      return;
    }
    if (const std::optional<COLORREF> colour = ChooseBranchColour())
      tree->SetBranchColor(node, *colour);
  } else if (geneTree) {
    GeneTree()->ClearMarks();
    SelectTreeRow(node);
    ClearMarksKeepingCurrent(SampleTree());
  } else {
    SampleTree()->ClearMarks();
    SelectUnitInTree(node);
    ClearMarksKeepingCurrent(GeneTree());
  }
  mRounds = 0;
}

void CClusterView::ClickTermBar(const ClusterHit& hit, bool ctrl) {
  const int term = TermAtHit(hit);
  if (term < 0) return;
  GeneInfo.selectedColumn = hit.termColumn;
  GeneInfo.selectedTerm = term;
  if (!ctrl) return;
  TERM_TABLE& table = TermTables[static_cast<std::size_t>(hit.termColumn)];
  if (const std::optional<QColor> colour = ChooseColour(ToQColor(table.Colour(term))))
    table.SetColour(term, FromQColor(*colour));
}

void CClusterView::ClickSampleInfo(const ClusterHit& hit, bool ctrl) {
  const int category = SampleInfo.CategoryOf(CellAt(-1, hit.column).array, hit.infoRow);
  if (category < 0) return;
  mSelectedInfoColumn = hit.infoRow;
  mSelectedInfoCategory = category;
  if (!ctrl) return;
  const SampleInfoColumn& column = SampleInfo.Column(hit.infoRow);
  const QColor start = ToQColor(column.categories[static_cast<std::size_t>(category)].colour);
  if (const std::optional<QColor> colour = ChooseColour(start))
    SampleInfo.SetCategoryColour(hit.infoRow, category, FromQColor(*colour));
}

void CClusterView::ClickCell(const ClusterHit& hit, bool ctrl) {
  const ClusterCell cell = CellAt(hit.row, hit.column);
  GroupSettings& settings = TheGroup().Settings();
  mCurrentRow = hit.row;
  mCurrentColumn = hit.column;
  settings.CUR_UNIT = cell.unit;
  settings.CUR_ARRAY = cell.array;
  RefreshStatus();
  if (ctrl) mFrame.NextView();
}

void CClusterView::RightClick(QPoint at) {
  mShowLegend = false;
  if (!mShowUnperturbed || GeneTree() == nullptr) return;
  const ClusterHit hit = HitTest(at);
  if (hit.zone == ClusterZone::kTermBar) {
    const int term = TermAtHit(hit);
    if (term >= 0) OpenTermLink(hit.termColumn, term);
    return;
  }
  const bool geneTree = hit.zone == ClusterZone::kGeneTree;
  if (!geneTree && hit.zone != ClusterZone::kSampleTree) return;
  CLUSTER* tree = geneTree ? GeneTree() : SampleTree();
  const int node = tree->NearestNode(at.x(), geneTree ? at.y() : at.y() - BandOffset());
  // A leaf has no subtrees to swap.
  if (!tree->ValidNode(node) || node < tree->n) return;
  tree->FlipBranch(node);
  if (!tree->OrderLeaves()) return;
  RecomputeLayout();
}

void CClusterView::MouseMoved(QPoint at) {
  mLastMouse = at;
  RefreshStatus();
}

void CClusterView::RefreshStatus() {
  if (mLastMouse.x() < 0) return;
  const ClusterHit hit = HitTest(mLastMouse);
  const bool sampleBand =
      hit.zone == ClusterZone::kSampleTree || hit.zone == ClusterZone::kSampleSupport;
  const int y = sampleBand ? mLastMouse.y() - BandOffset() : mLastMouse.y();
  mFrame.SetStatusText(0, ClusterStatusText(hit, mLastMouse.x(), y, mRounds));
}

std::optional<QColor> CClusterView::ChooseColour(const QColor& start) {
  QColorDialog dialog(start, mFrame.Window());
  dialog.setObjectName(QString::fromLatin1(kClusterColourDialogName));
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return std::nullopt;
  const QColor chosen =
      dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor();
  return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
}

std::optional<COLORREF> CClusterView::ChooseBranchColour() {
  if (TheGroup().Settings().ADD_NEW_COLOR == 0) return kDefaultBranchColour;
  const std::optional<QColor> chosen = ChooseColour(ToQColor(kSelectedBranchMark));
  if (!chosen) return std::nullopt;
  const COLORREF colour = FromQColor(*chosen);
  // Black and white vanish in the picture; blue marks the selected branch.
  if (colour == RGB(0, 0, 0) || colour == RGB(255, 255, 255) || colour == kSelectedBranchMark) {
    AfxMessageBox(kReservedColourMessage);
    return std::nullopt;
  }
  return colour;
}
