// The main window: panes, view switching, group closing and command dispatch.
#include "shell/main_frame.hpp"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/model/close_group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/stat_connector.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/pathway/pathway.hpp"
#include "genome/info/snp_info.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/main_menu.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/views/frame/analysis_doc.hpp"
#include "shell/views/frame/analysis_view.hpp"
#include "shell/views/frame/left_view.hpp"
#include "shell/views/frame/log_pane_sink.hpp"
#include "shell/views/frame/tree_images.hpp"
#include "shell/views/frame/view_factory.hpp"
#include "shell/views/frame/view_splitter.hpp"
#include "shell/views/pane/right_view.hpp"
#include "shell/views/r/r_plot_window.hpp"

namespace {

constexpr int kTreePaneWidth = 150;
// How often menu items and status panes follow the group's state.
constexpr int kUpdateMilliseconds = 200;

struct StatePane {
  int stringId;
  const char* text;
};
constexpr std::array<StatePane, kStatePaneCount> kStatePanes = {{
    {ids::kIndicatorNormalized, "Normalized"},
    {ids::kIndicatorModelled, "Modelled"},
    {ids::kIndicatorLogged, "Logged"},
    {ids::kIndicatorAdjusted, "Adjusted"},
}};

}  // namespace

CMainFrame::CMainFrame(CAnalysisDoc& document) : mDocument(document) {
  SetTheFrame(this);
  setObjectName(QStringLiteral("mainFrame"));
  setWindowTitle(QStringLiteral("Zelko"));
  setWindowIcon(TreeImage(tree_image::kAnalysis));

  mActions = BuildMainMenu(*menuBar(), *this);
  for (auto& [id, action] : mActions) {
    mMenuTexts[id] = action->text();
    const int command = id;
    connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
  }
  for (QMenu* menu : menuBar()->findChildren<QMenu*>())
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
  CreateStatusPanes();

  mSplitter = new CViewSplitter(this);
  mLeftView = new CLeftView(*this, mSplitter);
  mAnalysisView = new CAnalysisView(mDocument, nullptr);
  mSplitter->SetLeftPane(mLeftView, kTreePaneWidth);
  mSplitter->AddRightView(mAnalysisView);
  setCentralWidget(mSplitter);
  mRightViews[VIEW_ANALYSIS] = mAnalysisView;
  mCurrentViewIndex = VIEW_ANALYSIS;
  mAnalysisView->setFocus();

  // R's plots show in windows of their own, as R's graphics device shows them.
  DefaultStatConnector().AttachPlotDevice(
      [this](int window, const std::string& imageFile) { ShowRPlot(*this, window, imageFile); });

  RegisterMainFrameCommands(mCommands);
  mLogSink = std::make_unique<LogPaneSink>(*this);
  mPreviousSink = SetLogSink(mLogSink.get());

  mUpdateTimer = new QTimer(this);
  connect(mUpdateTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUi);
  mUpdateTimer->start(kUpdateMilliseconds);
  UpdateCommandUi();
}

CMainFrame::~CMainFrame() {
  DefaultStatConnector().AttachPlotDevice({});
  SetLogSink(mPreviousSink);
  if (TheFrame() == this) SetTheFrame(nullptr);
}

void CMainFrame::InitialUpdateFrame() {
  mLeftView->OnInitialUpdate();
  mLeftView->SelectViewItem(VIEW_ANALYSIS);
  mAnalysisView->OnInitialUpdate();
}

void CMainFrame::CreateStatusPanes() {
  mMessagePane = new QLabel;
  mMessagePane->setObjectName(QStringLiteral("pane0"));
  statusBar()->addWidget(mMessagePane, 1);
  for (std::size_t i = 0; i < kStatePanes.size(); ++i) {
    auto* pane = new QLabel;
    pane->setObjectName(ControlName(kStatePanes[i].stringId));
    pane->setAlignment(Qt::AlignCenter);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Wide enough for its text, so the bar does not jump when the flag changes.
    pane->setMinimumWidth(
        pane->fontMetrics().horizontalAdvance(QLatin1String(kStatePanes[i].text)) + 12);
    statusBar()->addPermanentWidget(pane);
    mStatePanes[i] = pane;
  }
}

QWidget* CMainFrame::RightViews(int index) const {
  if (index < 0 || index >= NUM_VIEWS) return nullptr;
  return mRightViews[static_cast<std::size_t>(index)];
}

QWidget* CMainFrame::PaneView() const {
  return mSplitter->RightPane();
}

QAction* CMainFrame::Action(int id) const {
  const auto found = mActions.find(id);
  return found == mActions.end() ? nullptr : found->second;
}

QWidget* CMainFrame::CreateRightView(int index) {
  if (index <= VIEW_ANALYSIS || index >= NUM_VIEWS) return nullptr;
  QWidget* view = MakeRightView({index, mDocument, *this});
  if (view == nullptr) return nullptr;
  view->hide();
  mSplitter->AddRightView(view);
  if (auto* rightView = dynamic_cast<RightView*>(view)) rightView->OnInitialUpdate();
  return view;
}

void CMainFrame::DestroyRightView(int index) {
  if (index <= VIEW_ANALYSIS || index >= NUM_VIEWS) return;
  QWidget*& view = mRightViews[static_cast<std::size_t>(index)];
  if (view == nullptr) return;
  // The pane never shows a destroyed view: the log takes its place.
  if (mCurrentViewIndex == index) ShowView(VIEW_ANALYSIS);
  delete view;
  view = nullptr;
}

int CMainFrame::ShowView(int index) {
  if (index < 0 || index >= NUM_VIEWS) return mCurrentViewIndex;
  QWidget*& view = mRightViews[static_cast<std::size_t>(index)];
  if (view == nullptr) view = CreateRightView(index);
  if (view == nullptr) return mCurrentViewIndex;
  mSplitter->SwapPaneView(view);
  const int old = mCurrentViewIndex;
  if (old != index && old != VIEW_ANALYSIS && old != VIEW_R && old >= 0) mPreviousViewIndex = old;
  mCurrentViewIndex = index;
  return old;
}

void CMainFrame::NextView() {
  const int current = mCurrentViewIndex;
  int target = -1;
  const bool alternate = TheGroup().Settings().ALTERNATE_TWO_VIEW != 0;
  if (alternate && mPreviousViewIndex != -1 && mPreviousViewIndex != current &&
      mLeftView->ViewItem(mPreviousViewIndex) != nullptr) {
    target = mPreviousViewIndex;
  } else {
    for (int step = 1; step < NUM_VIEWS && target < 0; ++step) {
      const int candidate = (current + step) % NUM_VIEWS;
      if (candidate == VIEW_ANALYSIS || candidate == VIEW_R) continue;
      if (mLeftView->ViewItem(candidate) != nullptr) target = candidate;
    }
  }
  if (target < 0) return;
  // The log and the R command view never become the view to go back to.
  if (current != VIEW_ANALYSIS && current != VIEW_R) mPreviousViewIndex = current;
  mCurrentViewIndex = target;
  mLeftView->SelectViewItem(target);
  // The tree ignores the selection while an analysis runs, and an item that is selected
  // already gives no selection change; the pane must still match the index.
  if (PaneView() != RightViews(target)) ShowView(target);
}

void CMainFrame::CloseGroup() {
  if (!mCloseGroupCalled) {
    mCloseGroupCalled = true;
    return;
  }
  mLeftView->SelectViewItem(VIEW_ANALYSIS);
  // A view about to go must not stay on screen (the tree ignores clicks during analyses).
  if (mCurrentViewIndex != VIEW_ANALYSIS) ShowView(VIEW_ANALYSIS);
  mLeftView->RemoveGroupItems();
  for (int index = VIEW_ANALYSIS + 1; index < NUM_VIEWS; ++index)
    if (index != VIEW_R) DestroyRightView(index);
  CloseGroupData();
  ClearGeneInformation();
  // The image region is emptied here by the part that owns it, once it exists.
  SetTitle("Zelko");
  LogMessage("{Group " + TheGroup().Name() + " is closed}\n", 0, kLogBlue);
}

void CMainFrame::AddGroupItems() {
  mLeftView->AddGroupItems();
}

void CMainFrame::RefreshArrayImages() {
  mLeftView->RefreshArrayImages();
}

void CMainFrame::OpenOptionsAtPage(int page) {
  TheGroup().Settings().OPTION_PAGE = page;
  OnCommand(ids::kOptions);
}

CommandContext CMainFrame::GatherCommandContext() const {
  CommandContext context;
  context.analysisRunning = AnalysisRunning != 0;
  context.currentViewIndex = mCurrentViewIndex;
  context.logHasSelection = mAnalysisView->textCursor().hasSelection();
  context.chipLoaded = Layout.unitCount > 0;
  context.snpGroup = ArrayType != 0;
  context.geneInfoLoaded = GeneInfo.Loaded();
  context.geneInfoTermColumns = GeneInfo.numColumns;
  if (!GroupStarted()) return context;
  const Group& group = TheGroup();
  context.groupOpen = group.HasProbeData;
  context.normalized = group.Normalized;
  context.modelled = group.Modelled;
  context.adjusted = group.Adjusted;
  context.arrayCount = group.NumArrays();
  context.loadProbeData = group.Settings().LOAD_PROBE_DATA != 0;
  context.currentUnit = group.Settings().CUR_UNIT;
  context.alternateTwoViews = group.Settings().ALTERNATE_TWO_VIEW != 0;
  context.snpInfoLoaded = snp_info_table.Loaded();
  context.sampleInfoHasSamples = SampleInfo.RowCount() > 0;
  context.clusterViewWithGeneTree = mCurrentViewIndex == VIEW_CLUSTER && GeneTree() != nullptr;
  context.moreThanOneSampleGroup = SampleGrouping.GroupCount() > 1;
  context.pathwayFilterReady = ThePathway().nodeCount > 1 && HasViewItem(VIEW_PATHWAY);
  return context;
}

CommandState CMainFrame::CommandUi(int id) const {
  if (auto* view = dynamic_cast<RightView*>(PaneView()))
    if (const std::optional<CommandState> state = view->UpdateCommand(id)) return *state;
  return mCommands.State(id, GatherCommandContext());
}

void CMainFrame::UpdateCommandUi() {
  for (auto& [id, action] : mActions) {
    const CommandState state = CommandUi(id);
    action->setEnabled(state.enabled);
    action->setCheckable(state.checked);
    action->setChecked(state.checked);
    action->setText(state.text != nullptr ? QString::fromLatin1(state.text) : mMenuTexts[id]);
  }
  if (!GroupStarted()) return;
  const Group& group = TheGroup();
  const std::array<bool, kStatePaneCount> flags = {group.Normalized, group.Modelled, group.Logged,
                                                   group.Adjusted};
  for (std::size_t i = 0; i < kStatePanes.size(); ++i)
    mStatePanes[i]->setText(flags[i] ? QLatin1String(kStatePanes[i].text) : QString());
}

bool CMainFrame::OnCommand(int id) {
  // As from the menu, a disabled command does nothing, also when its key is pressed.
  if (!CommandUi(id).enabled) return false;
  auto* view = dynamic_cast<RightView*>(PaneView());
  if (view != nullptr && view->UpdateCommand(id) && view->RunCommand(id)) {
    UpdateCommandUi();
    return true;
  }
  if (!mCommands.Run(id, *this)) return false;
  UpdateCommandUi();
  return true;
}

void CMainFrame::SetStatusPaneText(int pane, const QString& text) {
  QLabel* label = pane == 0 ? mMessagePane
                  : pane >= 1 && pane <= kStatePaneCount
                      ? mStatePanes[static_cast<std::size_t>(pane - 1)]
                      : nullptr;
  if (label == nullptr) return;
  label->setText(text);
  label->repaint();
}

QString CMainFrame::StatusPaneText(int pane) const {
  if (pane == 0) return mMessagePane->text();
  if (pane >= 1 && pane <= kStatePaneCount)
    return mStatePanes[static_cast<std::size_t>(pane - 1)]->text();
  return {};
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // Closing would close the group under the running job; the user stops it first.
  if (AnalysisRunning != 0 || AnalysisJobActive()) {
    SetStatusText(0, kCloseRefusedMessage);
    event->ignore();
    return;
  }
  if (!mDocument.SaveModified()) {
    event->ignore();
    return;
  }
  if (!mFinalReleased) {
    mFinalReleased = true;
    ShowView(VIEW_ANALYSIS);
    CloseGroup();
  }
  event->accept();
}

void CMainFrame::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) AnalysisRunning = 0;
  QMainWindow::keyPressEvent(event);
}

void CMainFrame::SetStatusText(int pane, std::string_view text) {
  SetStatusPaneText(pane, ToQString(text));
}

void CMainFrame::SetTitle(std::string_view title) {
  setWindowTitle(ToQString(title));
}

void CMainFrame::InsertViewItem(int index, std::string_view label, int image) {
  if (index < 0 || index >= NUM_VIEWS) return;
  mLeftView->InsertViewItem(index, ToQString(label), image);
}

void CMainFrame::DeleteViewItem(int index) {
  if (index < 0 || index >= NUM_VIEWS) return;
  mLeftView->DeleteViewItem(index);
}

void CMainFrame::SelectViewItem(int index) {
  if (index < 0 || index >= NUM_VIEWS) return;
  mLeftView->SelectViewItem(index);
}

void CMainFrame::SelectArrayItem(int array) {
  mLeftView->SelectArrayItem(array);
}

bool CMainFrame::HasViewItem(int index) const {
  return index >= 0 && index < NUM_VIEWS && mLeftView->ViewItem(index) != nullptr;
}

QTreeWidgetItem* CMainFrame::AddOutputFileItem(std::string_view label, int image) {
  return mLeftView->AddOutputFileItem(std::string(label), image);
}

QTreeWidgetItem* CMainFrame::AddClusteringItem(std::string_view label, int image) {
  return mLeftView->AddClusteringItem(ToQString(label), image);
}

void CMainFrame::ShowLog() {
  ShowView(VIEW_ANALYSIS);
  mLeftView->SelectViewItem(VIEW_ANALYSIS);
}

void CMainFrame::InsertFileIntoLog(std::string_view path) {
  mLeftView->SelectViewItem(VIEW_ANALYSIS);
  mAnalysisView->InsertFileIntoLog(path);
}
