// The navigation tree and its selection rules.
#include "shell/views/frame/left_view.hpp"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimerEvent>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "shell/services/open_service.hpp"
#include "shell/services/output_files.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/cluster/cluster_view.hpp"
#include "shell/views/frame/tree_images.hpp"
#include "shell/views/pane/right_view.hpp"

namespace {

constexpr int kPaneTimerMilliseconds = 100;
// An array with more outlier cells than this is drawn as an outlier array.
constexpr float kOutlierArrayFraction = 0.05f;

// Items keep their image index beside the picture, for whoever asks which image it is.
// The narrow pane cuts long labels (file paths, branch names), so the tooltip holds the
// whole text.
void SetImage(QTreeWidgetItem* item, int image) {
  item->setIcon(0, TreeImage(image));
  item->setData(0, kTreeImageRole, image);
  item->setToolTip(0, item->text(0));
}

}  // namespace

CLeftView::CLeftView(ShellFrame& frame, QWidget* parent) : QTreeWidget(parent), mFrame(frame) {
  setObjectName(QStringLiteral("leftView"));
  setHeaderHidden(true);
  setRootIsDecorated(true);
  setColumnCount(1);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(16, 16));
  viewport()->setMouseTracking(true);
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnSelectionChanged(current); });
}

CLeftView::~CLeftView() {
  OutputFiles().Clear();
}

void CLeftView::OnInitialUpdate() {
  InsertViewItem(VIEW_ANALYSIS, QStringLiteral("Analysis"), tree_image::kAnalysis);
  if (TheGroup().Settings().SHOW_R_ICON != 0)
    InsertViewItem(VIEW_R, QStringLiteral("R command"), tree_image::kRCommand);
  if (mPaneTimer == 0) mPaneTimer = startTimer(kPaneTimerMilliseconds);
}

QTreeWidgetItem* CLeftView::InsertViewItem(int index, const QString& label, int image) {
  DeleteViewItem(index);
  auto* item = new QTreeWidgetItem(QStringList{label});
  SetImage(item, image);
  addTopLevelItem(item);
  mViewItems[static_cast<std::size_t>(index)] = item;
  return item;
}

void CLeftView::DeleteViewItem(int index) {
  QTreeWidgetItem*& item = mViewItems[static_cast<std::size_t>(index)];
  if (item == nullptr) return;
  // Deleting the selected item moves the selection; that move must not switch views.
  const QSignalBlocker quiet(this);
  if (index == VIEW_CEL) mArrayItems.clear();
  if (index == VIEW_CLUSTER) mClusteringItems.clear();
  delete item;
  item = nullptr;
}

void CLeftView::SelectViewItem(int index) {
  if (QTreeWidgetItem* item = ViewItem(index)) setCurrentItem(item);
}

void CLeftView::SelectArrayItem(int array) {
  if (array >= 0 && array < static_cast<int>(mArrayItems.size()))
    setCurrentItem(mArrayItems[static_cast<std::size_t>(array)]);
}

int CLeftView::ArrayImage(int array) const {
  const Group& group = TheGroup();
  return group.Modelled && group.Array(array).arrayOutlierFraction > kOutlierArrayFraction
             ? tree_image::kOutlierArray
             : tree_image::kArray;
}

void CLeftView::AddGroupItems() {
  const Group& group = TheGroup();
  if (group.Settings().SHOW_R_ICON != 0 && ViewItem(VIEW_R) == nullptr)
    InsertViewItem(VIEW_R, QStringLiteral("R command"), tree_image::kRCommand);
  if (group.Settings().LOAD_PROBE_DATA != 0) {
    InsertViewItem(VIEW_DATA, QStringLiteral("PM/MM Data"), tree_image::kProbeData);
    QTreeWidgetItem* images =
        InsertViewItem(VIEW_CEL, QStringLiteral("CEL Image"), tree_image::kCelImage);
    for (int i = 0; i < group.NumArrays(); ++i) {
      auto* item = new QTreeWidgetItem(images, QStringList{ToQString(group.Array(i).name)});
      SetImage(item, ArrayImage(i));
      mArrayItems.push_back(item);
    }
    InsertViewItem(VIEW_PLOTS, QStringLiteral("Plots"), tree_image::kPlots);
    if (ArrayType != 0) InsertViewItem(VIEW_SNP, QStringLiteral("SNP"), tree_image::kSnp);
  }
  SelectViewItem(VIEW_ANALYSIS);
}

void CLeftView::RefreshArrayImages() {
  for (std::size_t i = 0; i < mArrayItems.size(); ++i)
    SetImage(mArrayItems[i], ArrayImage(static_cast<int>(i)));
}

void CLeftView::RemoveGroupItems() {
  // Removing items moves the selection; the moves must not switch views.
  const QSignalBlocker quiet(this);
  for (QTreeWidgetItem* item : mArrayItems) delete item;
  mArrayItems.clear();
  for (QTreeWidgetItem* item : mClusteringItems) delete item;
  mPreviousClusteringCount = static_cast<int>(mClusteringItems.size());
  mClusteringItems.clear();
  for (QTreeWidgetItem* item : OutputFiles().items) delete item;
  OutputFiles().Clear();
  for (int index = 0; index < NUM_VIEWS; ++index)
    if (index != VIEW_ANALYSIS && index != VIEW_R) DeleteViewItem(index);
}

QTreeWidgetItem* CLeftView::AddOutputFileItem(const std::string& label, int image) {
  QTreeWidgetItem* analysis = ViewItem(VIEW_ANALYSIS);
  if (analysis == nullptr) return nullptr;
  auto* item = new QTreeWidgetItem(analysis, QStringList{ToQString(label)});
  SetImage(item, image);
  analysis->setExpanded(true);
  return item;
}

QTreeWidgetItem* CLeftView::AddClusteringItem(const QString& label, int image) {
  QTreeWidgetItem* clustering = ViewItem(VIEW_CLUSTER);
  if (clustering == nullptr) return nullptr;
  auto* item = new QTreeWidgetItem(clustering, QStringList{label});
  SetImage(item, image);
  mClusteringItems.push_back(item);
  return item;
}

int CLeftView::ViewIndexOf(const QTreeWidgetItem* item) const {
  for (int index = 0; index < NUM_VIEWS; ++index)
    if (item != nullptr && mViewItems[static_cast<std::size_t>(index)] == item) return index;
  return -1;
}

void CLeftView::OnSelectionChanged(QTreeWidgetItem* current) {
  if (AnalysisRunning != 0 || current == nullptr) return;
  mFrame.SetStatusText(0, "");
  if (const int view = ViewIndexOf(current); view >= 0) {
    mFrame.ShowView(view);
    return;
  }
  for (std::size_t i = 0; i < mArrayItems.size(); ++i) {
    if (mArrayItems[i] != current) continue;
    auto* shown = dynamic_cast<RightView*>(mFrame.PaneView());
    if (mFrame.CurrentViewIndex() == VIEW_CEL && shown != nullptr &&
        shown->ShowArray(static_cast<int>(i)))
      return;
    TheGroup().Settings().CUR_ARRAY = static_cast<int>(i);
    mFrame.ShowView(VIEW_CEL);
    return;
  }
  if (const int file = OutputFiles().IndexOf(current); file >= 0) {
    OpenOutputFile(file);
    return;
  }
  // A clustering item: the cluster view shows its branch with the term or category.
  for (QTreeWidgetItem* item : mClusteringItems) {
    if (item != current) continue;
    mFrame.ShowView(VIEW_CLUSTER);
    if (auto* view = dynamic_cast<CClusterView*>(mFrame.RightViews(VIEW_CLUSTER)))
      view->ShowFunctionalCluster(item->data(0, kFunctionalClusterRole).toInt());
    return;
  }
}

void CLeftView::OpenOutputFile(int file) {
  // The selection goes back to the view on screen; the file opens outside.
  const std::string path = OutputFiles().paths[static_cast<std::size_t>(file)];
  if (QTreeWidgetItem* item = ViewItem(mFrame.CurrentViewIndex())) setCurrentItem(item);
  Opener().Open(path);
}

void CLeftView::mousePressEvent(QMouseEvent* event) {
  // The tree would select the pressed item after the selection handler has moved the
  // selection back, leaving the highlight on the file; the press is handled here instead.
  const int file = OutputFiles().IndexOf(itemAt(event->position().toPoint()));
  if (file < 0) {
    QTreeWidget::mousePressEvent(event);
    return;
  }
  event->accept();
  if (AnalysisRunning != 0 || event->button() != Qt::LeftButton) return;
  mFrame.SetStatusText(0, "");
  OpenOutputFile(file);
}

void CLeftView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) AnalysisRunning = 0;
  QTreeWidget::keyPressEvent(event);
}

void CLeftView::mouseMoveEvent(QMouseEvent* event) {
  mFrame.SetStatusText(0, "Click an icon in this window to activate the corresponding menu");
  QTreeWidget::mouseMoveEvent(event);
}

void CLeftView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != mPaneTimer) {
    QTreeWidget::timerEvent(event);
    return;
  }
  // Keyboard commands belong to the right view; the tree hands the focus back to it.
  if (AnalysisRunning != 0 || !hasFocus() || !mFrame.Window()->isActiveWindow()) return;
  if (QWidget* view = mFrame.PaneView()) view->setFocus(Qt::OtherFocusReason);
}
