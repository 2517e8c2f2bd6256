// View requests through the main window, and the installation of the window's services.
#include "shell/services/shell_services.hpp"

#include <QWidget>

#include <vector>

#include "engine/services/output_file_registry.hpp"
#include "engine/services/user_prompt.hpp"
#include "engine/services/view_requests.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/output_files.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

static_assert(static_cast<int>(RightPaneView::kAnalysisLog) == VIEW_ANALYSIS &&
              static_cast<int>(RightPaneView::kProbeData) == VIEW_DATA &&
              static_cast<int>(RightPaneView::kArrayImage) == VIEW_CEL &&
              static_cast<int>(RightPaneView::kClustering) == VIEW_CLUSTER &&
              static_cast<int>(RightPaneView::kGenome) == VIEW_GENOME &&
              static_cast<int>(RightPaneView::kLdaPca) == VIEW_LDA &&
              static_cast<int>(RightPaneView::kRCommand) == VIEW_R &&
              static_cast<int>(RightPaneView::kSnp) == VIEW_SNP &&
              static_cast<int>(RightPaneView::kChromosome) == VIEW_CHROMOSOME &&
              static_cast<int>(RightPaneView::kPathway) == VIEW_PATHWAY &&
              static_cast<int>(RightPaneView::kPlots) == VIEW_PLOTS &&
              kRightPaneViewCount == NUM_VIEWS);

namespace {

class FrameViewRequests final : public ViewRequests {
 public:
  void ShowView(RightPaneView view) override {
    if (ShellFrame* frame = TheFrame()) frame->ShowView(static_cast<int>(view));
  }

  bool ShowNormalizationReview() override {
    ShellFrame* frame = TheFrame();
    if (frame == nullptr) return false;
    frame->ShowView(VIEW_PLOTS);
    auto* plots = dynamic_cast<NormalizationReview*>(frame->RightViews(VIEW_PLOTS));
    const bool prepared = plots != nullptr && plots->PreparePlots();
    // The review's log lines brought the log forward.
    frame->ShowView(VIEW_PLOTS);
    return prepared;
  }
};

FrameViewRequests gFrameViews;

// What each installation replaced, so that removing it gives that back (the window tests
// install the services once and start the program inside that).
struct Replaced {
  UserPrompt* prompt;
  OutputFileRegistry* registry;
  ViewRequests* views;
};
std::vector<Replaced> gReplaced;

}  // namespace

void InstallShellServices() {
  // A prompt of the window's kind already in place (a test's script) keeps answering.
  gReplaced.push_back({SetUserPrompt(&Prompts()), SetOutputFileRegistry(&TreeOutputFiles()),
                       SetViewRequests(&gFrameViews)});
}

void RemoveShellServices() {
  if (gReplaced.empty()) return;
  const Replaced replaced = gReplaced.back();
  gReplaced.pop_back();
  SetViewRequests(replaced.views);
  SetOutputFileRegistry(replaced.registry);
  SetUserPrompt(replaced.prompt);
}
