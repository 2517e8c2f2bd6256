// The window's side of the engine's services: questions go to the toolkit's windows,
// written files to the navigation tree, view requests to the main window's right pane.
// Installed once at start-up (and by the window tests' environment), removed at the end.
#pragma once

void InstallShellServices();
// Gives back what the last installation replaced.
void RemoveShellServices();

// The view that reviews a normalisation when the normalisation job asks for one (the
// plots view) offers the review here, so that these services need not know the view.
class NormalizationReview {
 public:
  virtual ~NormalizationReview() = default;
  // True when the review's plots were made.
  virtual bool PreparePlots() = 0;
};
