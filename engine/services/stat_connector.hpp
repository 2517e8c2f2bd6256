// The R connection over a real R: one R child process, started on the first StartR and
// kept for the whole run, so that variables and results stay in R's workspace between
// calls. R's printed output goes to the attached output device. When R ends on its own
// (a statement quit it, or it was killed), every later call fails with
// platform::kRHasEndedError until StartR starts a fresh R. A statement run while an
// analysis runs (AnalysisRunning raised) pumps the window's events as it waits and is
// interrupted, failing with platform::kRInterruptedError, when the flag is cleared.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/services/r_link.hpp"
#include "platform/r_server.hpp"

class CStatConnector final : public RLink {
 public:
  CStatConnector() = default;
  // Ends R: it quits without saving.
  ~CStatConnector() override = default;
  CStatConnector(const CStatConnector&) = delete;
  CStatConnector& operator=(const CStatConnector&) = delete;

  RReply Start() override;
  RReply SetVector(std::string_view name, std::span<const double> values) override;
  RReply SetMatrix(std::string_view name, const RMatrix& matrix) override;
  RReply GetMatrix(std::string_view name, RMatrix& matrix) override;
  RReply ExecuteCommand(std::string_view command) override;

  // R's printed output from now on goes to device (as it arrives, in pieces of any size);
  // an empty function drops it.
  void AttachOutputDevice(std::function<void(std::string_view)> device);
  // The image files drawn since the last call by devices that windows() opened in R; the
  // devices are closed first, so the files are complete.
  RReply TakeDrawnImages(std::vector<std::string>& files);
  // Where R's plots are shown: after every statement, each device of windows() whose
  // drawing changed is handed over as a picture (the windows() call's number, from 1, and
  // a PNG file that is removed once the device returns). An empty function shows nothing.
  using PlotDevice = std::function<void(int window, const std::string& imageFile)>;
  void AttachPlotDevice(PlotDevice device) { mPlotDevice = std::move(device); }

  bool Started() const { return mStarted; }
  // Ends R now; the next Start starts a fresh one.
  void Stop();

 private:
  // Before the first start: not connected; after R ended: R has ended.
  RReply NotRunning() const;
  RReply Outcome(bool ok, std::string error);
  void ShowPlots();

  platform::RServer mServer;
  bool mStarted = false;
  bool mLost = false;
  PlotDevice mPlotDevice;
};

// The one real connection, RConnection() unless a test installs another link.
CStatConnector& DefaultStatConnector();
