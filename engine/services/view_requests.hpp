// Requests from jobs to the window's right pane: show one of its eleven views, or the
// review of one array's normalisation in the plots view. The shell carries them out
// through its frame; without a window they do nothing.
#pragma once

// The right-pane views by index.
enum class RightPaneView {
  kAnalysisLog = 0,
  kProbeData = 1,
  kArrayImage = 2,
  kClustering = 3,
  kGenome = 4,
  kLdaPca = 5,
  kRCommand = 6,
  kSnp = 7,
  kChromosome = 8,
  kPathway = 9,
  kPlots = 10,
};
inline constexpr int kRightPaneViewCount = 11;

class ViewRequests {
 public:
  virtual ~ViewRequests() = default;
  // Shows the view in the right pane, creating it on first use.
  virtual void ShowView(RightPaneView view) = 0;
  // Shows the plots view reviewing the group's current array (CUR_ARRAY) against the
  // plot's baseline, reading and normalising the array for it; false when the plots
  // could not be prepared.
  [[nodiscard]] virtual bool ShowNormalizationReview() = 0;
};

// The requests in use.
ViewRequests& Views();
// nullptr restores the default, which shows nothing and prepares no review. Returns the
// previous one (nullptr when that was the default).
ViewRequests* SetViewRequests(ViewRequests* requests);
