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
#include "engine/services/log_channel.hpp"
#include "engine/model/model.hpp"
#include "genes/gene_info.hpp"
#include "shell/dialogs/about_dialog.hpp"
#include "shell/views/analysis_doc.hpp"
#include "shell/views/analysis_view.hpp"
#include "shell/views/left_view.hpp"
#include "shell/services/log_pane_sink.hpp"
#include "shell/commands/main_menu.hpp"
#include "shell/dialogs/online_database_dialog.hpp"
#include "shell/views/plain_view.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/views/right_view.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/views/tree_images.hpp"
#include "shell/views/view_splitter.hpp"
#include "shell/services/web_addresses.hpp"

namespace {

CMainFrame* gMainFrame = nullptr;

constexpr int kTreePaneWidth = 150;
// How often menu items and status panes follow the group's state.
constexpr int kUpdateMilliseconds = 200;

constexpr const char* kAnnotationPortalAddress = "https://annotation.example.org/probeset/";

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

CMainFrame* MainFrame() {
  return gMainFrame;
}

CMainFrame::CMainFrame(CAnalysisDoc& document) : mDocument(document) {
  gMainFrame = this;
  setObjectName(QStringLiteral("mainFrame"));
  setWindowTitle(QStringLiteral("Zelko"));
  setWindowIcon(TreeImage(tree_image::kAnalysis));

  mActions = BuildMainMenu(*menuBar(), *this);
  for (auto& [id, action] : mActions) {
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

  RegisterCommands();
  mLogSink = std::make_unique<LogPaneSink>(*this);
  mPreviousSink = SetLogSink(mLogSink.get());

  mUpdateTimer = new QTimer(this);
  connect(mUpdateTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUi);
  mUpdateTimer->start(kUpdateMilliseconds);
  UpdateCommandUi();
}

CMainFrame::~CMainFrame() {
  SetLogSink(mPreviousSink);
  if (gMainFrame == this) gMainFrame = nullptr;
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

void CMainFrame::RegisterCommands() {
  mHandlers[ids::kStopAnalysis] = [] { AnalysisRunning = 0; };
  mHandlers[ids::kEditCopy] = [this] { mAnalysisView->copy(); };
  mHandlers[ids::kSaveLog] = [this] { mAnalysisView->OnFileSaveAs(); };
  mHandlers[ids::kAppExit] = [this] { close(); };
  mHandlers[ids::kNextView] = [this] { NextView(); };
  mHandlers[ids::kAlternateTwoViews] = [] {
    int& alternate = TheGroup().Settings().ALTERNATE_TWO_VIEW;
    alternate = alternate != 0 ? 0 : 1;
  };
  mHandlers[ids::kOnlineDatabase] = [this] { GoToOnlineDatabase(true); };
  mHandlers[ids::kOnlineDatabaseDirect] = [this] {
    GoToOnlineDatabase(TheGroup().Settings().DIRECT_GO_ONLINE_DATABASE == 0);
  };
  mHandlers[ids::kHelpWebsite] = [] { OpenLink(kHomePageAddress); };
  mHandlers[ids::kHelpManual] = [] { OpenLink(kManualAddress); };
  mHandlers[ids::kHelpDiscussionGroup] = [] { OpenLink(kDiscussionGroupAddress); };
  mHandlers[ids::kHelpLatestVersion] = [] { OpenLink(kManualAddress); };
  mHandlers[ids::kAppAbout] = [this] {
    AboutDialog about(this);
    Prompts().RunDialog(about);
  };
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
  // Each view class takes the place of its plain stand-in here as it arrives.
  auto* view = new CPlainView(index, nullptr);
  view->hide();
  mSplitter->AddRightView(view);
  view->OnInitialUpdate();
  return view;
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
  for (int index = VIEW_ANALYSIS + 1; index < NUM_VIEWS; ++index) {
    if (index == VIEW_R) continue;
    delete mRightViews[static_cast<std::size_t>(index)];
    mRightViews[static_cast<std::size_t>(index)] = nullptr;
  }
  Group& group = TheGroup();
  group.ClearGroup();
  ResetModel();
  ClearGeneInformation();
  // The image region is emptied here by the part that owns it, once it exists.
  setWindowTitle(QStringLiteral("Zelko"));
  LogMessage("{Group " + group.Name() + " is closed}\n", 0, kLogBlue);
  group.HasProbeData = false;
  group.Modelled = false;
  group.Logged = false;
}

void CMainFrame::GoToOnlineDatabase(bool withDialog) {
  GroupSettings& settings = TheGroup().Settings();
  const int unit = settings.CUR_UNIT;
  // CUR_UNIT comes from a settings file; one outside the chip description names nothing.
  if (unit < 0 || unit >= Layout.unitCount || static_cast<std::size_t>(unit) >= Layout.units.size())
    return;
  const std::string name(Layout.units[static_cast<std::size_t>(unit)].Name());
  if (withDialog) {
    OnlineDatabaseDialog dialog(settings.WHICH_ONLINE_DATABASE,
                                settings.DIRECT_GO_ONLINE_DATABASE != 0, this);
    dialog.SetGeneText(name + ": No gene info file used; can not go to LocusLink or GenBank");
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
    settings.WHICH_ONLINE_DATABASE = dialog.Choice();
    settings.DIRECT_GO_ONLINE_DATABASE = dialog.DirectGo() ? 1 : 0;
  }
  switch (settings.WHICH_ONLINE_DATABASE) {
    case 1:
      OpenLink(kAnnotationPortalAddress + name);
      break;
    case 3:
      // SNP identifiers come with the SNP information, which no group holds yet.
      AfxMessageBox("Not a SNP array or genome info file is not used");
      break;
    default:
      // LocusLink and GenBank need the gene information's identifiers.
      break;
  }
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
  return context;
}

CommandState CMainFrame::CommandUi(int id) const {
  if (auto* view = dynamic_cast<RightView*>(PaneView()))
    if (const std::optional<CommandState> state = view->UpdateCommand(id)) return *state;
  // A command that nobody handles yet stays disabled.
  if (mHandlers.find(id) == mHandlers.end()) return {};
  return FrameCommandRule(id, GatherCommandContext());
}

void CMainFrame::UpdateCommandUi() {
  for (auto& [id, action] : mActions) {
    const CommandState state = CommandUi(id);
    action->setEnabled(state.enabled);
    action->setCheckable(state.checked);
    action->setChecked(state.checked);
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
  const auto handler = mHandlers.find(id);
  if (handler == mHandlers.end()) return false;
  handler->second();
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
