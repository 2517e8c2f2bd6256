// The cluster view's commands of the Clustering menu and Find Gene / Find Next of the
// View menu, with their enable rules.
#include <QPainter>
#include <QScrollBar>

#include <cerrno>
#include <utility>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/output_file_registry.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_selection.hpp"
#include "genes/cluster/cluster_tree_file.hpp"
#include "genes/cluster/functional_clusters.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/info/term_table.hpp"
#include "platform/system_error.hpp"
#include "shell/dialogs/find/find_gene.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/cluster/cluster_drawing.hpp"
#include "shell/views/cluster/cluster_view.hpp"

namespace {

// Installed by the clustering command.
std::function<bool(ShellFrame&)> gClusterAgain;

// Legend squares and their spacing, from the window's top left corner.
constexpr int kLegendSquare = 25;
constexpr int kLegendTop = 25;
constexpr int kLegendNameTop = 55;
constexpr int kLegendNameInset = 5;

bool HasCurrentNode(const CLUSTER* tree) {
  return tree != nullptr && tree->ValidNode(tree->currentNode);
}

}  // namespace

std::optional<CommandState> CClusterView::UpdateCommand(int id) const {
  const bool idle = AnalysisRunning == 0;
  const CLUSTER* genes = GeneTree();
  const bool treeShown = mShowUnperturbed && HasGeneDendrogram() && idle;
  const bool branchShown = treeShown && HasCurrentNode(genes);
  switch (id) {
    case ids::kClusterResampleOnce:
      return CommandState{CanResample(), false};
    case ids::kClusterGoToOriginal:
      return CommandState{!mShowUnperturbed, false};
    case ids::kClusterExportBranchData:
      return CommandState{(mShowUnperturbed && idle && HasCurrentNode(genes)) ||
                              (genes != nullptr && genes->coloredCount > 0),
                          false};
    case ids::kClusterSaveTreeData:
    case ids::kClusterSelectAllGene:
      return CommandState{treeShown, false};
    case ids::kClusterDeleteSelectedGene:
    case ids::kClusterExportBranchImage:
      return CommandState{branchShown, false};
    case ids::kClusterSampleCorrelation:
      return CommandState{true, false};
    case ids::kClusterColorLegend:
      return CommandState{GeneInfo.Loaded() && GeneInfo.numColumns > 0, false};
    case ids::kClusterExportSameGene:
      return CommandState{branchShown && GeneInfo.Loaded(), false};
    case ids::kFindGene:
      return CommandState{true, false};
    case ids::kFindNext:
      return CommandState{GeneInfo.Loaded() && !GeneInfo.lastKeyword.empty(), false};
    default:
      return std::nullopt;
  }
}

bool CClusterView::RunCommand(int id) {
  switch (id) {
    case ids::kClusterResampleOnce:
      ResampleOnce();
      return true;
    case ids::kClusterGoToOriginal:
      GoToOriginal();
      return true;
    case ids::kClusterSaveTreeData:
      SaveTreeData();
      return true;
    case ids::kClusterSelectAllGene:
      SelectAllGene();
      return true;
    case ids::kClusterDeleteSelectedGene:
      // The clustering replaces this view: nothing of it may be touched afterwards.
      DeleteSelectedGene();
      return true;
    case ids::kClusterExportBranchData:
      ExportBranchData();
      return true;
    case ids::kClusterExportBranchImage:
      ExportImage(true);
      return true;
    case ids::kClusterSampleCorrelation:
      SampleCorrelation();
      return true;
    case ids::kClusterColorLegend:
      mShowLegend = true;
      mCanvas->update();
      return true;
    case ids::kClusterExportSameGene:
      ExportSameGene();
      return true;
    case ids::kFindGene:
    case ids::kFindNext:
      // The current probe set is the answer of a search that changed nothing.
      if (const int unit = FindByCommand(id, this);
          unit >= 0 && unit != TheGroup().Settings().CUR_UNIT)
        ShowUnit(unit);
      return true;
    default:
      return false;
  }
}

void SetClusterAgainRoutine(std::function<bool(ShellFrame&)> routine) {
  gClusterAgain = std::move(routine);
}

void CClusterView::SelectAllGene() {
  CLUSTER* genes = GeneTree();
  if (genes == nullptr) return;
  genes->currentNode = genes->Root();
  mCanvas->update();
}

void CClusterView::DeleteSelectedGene() {
  // The genes go by their marks, which the picture sets; they are set here as it would, so
  // that what is deleted never depends on a paint having happened.
  if (CLUSTER* genes = GeneTree()) MarkClusterBranches(*genes);
  if (gClusterAgain) gClusterAgain(mFrame);
}

void CClusterView::ExportImage(bool branchOnly) {
  PictureExport picture = ExportPicture();
  if (branchOnly) {
    const CLUSTER* genes = GeneTree();
    if (!HasCurrentNode(genes)) return;
    int first = 0;
    int last = 0;
    genes->BranchEnds(genes->currentNode, &first, &last);
    const float cell = std::max(1.0f, TheGroup().Settings().PIXEL_HT_);
    // Half a cell above the first leaf's centre to half a cell below the last's: the
    // branch's rows whole.
    const int top = ClusterRowTop(mGeometry, cell, first);
    const int bottom = ClusterRowTop(mGeometry, cell, last + 1);
    const int left = genes->Node(genes->currentNode).screenX;
    picture.crop =
        QRect(left, top, std::max(1, mGeometry.scrollWidth - left), std::max(1, bottom - top));
  }
  ExportViewImage(picture, mFrame.Window());
}

bool CClusterView::ShowUnit(int unit) {
  if (unit < 0 || unit >= static_cast<int>(Layout.units.size())) return false;
  if (FindUnitRow(unit) < 0) {
    const GENE_INFO* gene = GeneInfo.Gene(unit);
    const std::string name = gene != nullptr ? std::string(gene->Name) : std::string();
    AfxMessageBox(MessageBuffer(kGeneNotClusteredMessage,
                                Layout.units[static_cast<std::size_t>(unit)].name, name.c_str()));
    return false;
  }
  TheGroup().Settings().CUR_UNIT = unit;
  ScrollToCurrent();
  ShowCurrentGene(viewport()->size());
  RefreshStatus();
  mCanvas->update();
  return true;
}

void CClusterView::ShowSelectedNode() {
  ScrollToCurrent();
  mCanvas->update();
}

void CClusterView::PaintLegend(QPainter& painter) {
  if (!GeneInfo.Loaded() || GeneInfo.numColumns <= 0) return;
  const TERM_TABLE& table = TermTables[0];
  // Drawn over the window, wherever the picture is scrolled to.
  const QPoint corner(horizontalScrollBar()->value(), verticalScrollBar()->value());
  painter.save();
  painter.setPen(Qt::black);
  for (int i = 0; i < table.Count(); ++i) {
    const int x = corner.x() + kLegendSquare + kLegendSquare * i;
    painter.fillRect(QRect(x, corner.y() + kLegendTop, kLegendSquare, kLegendSquare),
                     ToQColor(table.Colour(i)));
    // Names run down the page, one per square's width.
    painter.save();
    painter.translate(x + kLegendNameInset, corner.y() + kLegendNameTop);
    painter.rotate(90);
    painter.drawText(QPoint(0, 0), ToQString(table.Name(i)));
    painter.restore();
  }
  painter.restore();
}
void CClusterView::SaveTreeData() {
  FileDialogRequest request;
  request.open = false;
  request.startFile = ChangeExtension(TheGroup().Settings().GENE_LIST_FILE, " cluster tree.xls");
  request.filter = kDataFileFilter;
  request.defaultExtension = "xls";
  request.promptOverwrite = true;
  const std::optional<std::string> path = Prompts().FileName(request);
  if (!path) return;
  errno = 0;
  if (!WriteTreeFile(path->c_str())) {
    AfxMessageBox(platform::WithSystemReason("Failed to write file " + *path, errno));
    return;
  }
  AfxMessageBox("Clustering tree saved in " + *path);
  RegisterOutputFile(*path, true);
}

void CClusterView::ShowFunctionalCluster(int pair) {
  if (pair < 0 || pair >= FunctionalClusters.count || pair >= kMaxFunctionalClusters) return;
  const auto k = static_cast<std::size_t>(pair);
  const int node = FunctionalClusters.node[k];
  if (FunctionalClusters.isGeneTree[k] != 0) {
    CLUSTER* genes = GeneTree();
    if (genes == nullptr || !genes->ValidNode(node)) return;
    genes->ClearMarks();
    SelectTreeRow(node);
    GeneInfo.selectedColumn = FunctionalClusters.column[k];
    GeneInfo.selectedTerm = FunctionalClusters.term[k];
  } else {
    CLUSTER* samples = SampleTree();
    if (samples == nullptr || !samples->ValidNode(node)) return;
    samples->ClearMarks();
    SelectUnitInTree(node);
    // Sample pairs name the information column in term and the category in column.
    mSelectedInfoColumn = FunctionalClusters.term[k];
    mSelectedInfoCategory = FunctionalClusters.column[k];
  }
  mRounds = 0;
  ShowSelectedNode();
}
