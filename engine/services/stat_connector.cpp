// The R connection over the R child process.
#include "engine/services/stat_connector.hpp"

#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/services/log_channel.hpp"

RReply CStatConnector::Start() {
  if (mStarted) return RReply::Success();
  std::string error;
  if (!mServer.Start(error)) return RReply::Failure(std::move(error));
  mStarted = true;
  mLost = false;
  return RReply::Success();
}

RReply CStatConnector::SetVector(std::string_view name, std::span<const double> values) {
  if (!mStarted) return NotRunning();
  std::string error;
  const bool ok = mServer.Assign(name, static_cast<int>(values.size()), 1, values, error);
  return Outcome(ok, std::move(error));
}

RReply CStatConnector::SetMatrix(std::string_view name, const RMatrix& matrix) {
  if (!mStarted) return NotRunning();
  std::string error;
  const bool ok = mServer.Assign(name, matrix.rows, matrix.cols, matrix.values, error);
  return Outcome(ok, std::move(error));
}

RReply CStatConnector::GetMatrix(std::string_view name, RMatrix& matrix) {
  if (!mStarted) return NotRunning();
  std::string error;
  std::vector<double> values;
  const bool ok = mServer.Fetch(name, matrix.rows, matrix.cols, values, error);
  if (ok) matrix.values = std::move(values);
  return Outcome(ok, std::move(error));
}

RReply CStatConnector::ExecuteCommand(std::string_view command) {
  if (!mStarted) return NotRunning();
  if (mServer.Busy()) return RReply::Failure(platform::kRBusyError);
  std::string error;
  // A statement run while an analysis runs keeps the window alive while it waits, and
  // Stop Analysis (the stop flag cleared) interrupts it.
  if (AnalysisRunning != 0)
    mServer.SetWaitHook([] {
      PumpMessages();
      return AnalysisRunning == 0;
    });
  const bool ok = mServer.Execute(command, error);
  mServer.SetWaitHook({});
  if (ok) ShowPlots();
  return Outcome(ok, std::move(error));
}

void CStatConnector::AttachOutputDevice(std::function<void(std::string_view)> device) {
  mServer.SetOutputSink(std::move(device));
}

RReply CStatConnector::TakeDrawnImages(std::vector<std::string>& files) {
  files.clear();
  if (!mStarted) return NotRunning();
  std::string error;
  const bool ok = mServer.TakeImages(files, error);
  return Outcome(ok, std::move(error));
}

void CStatConnector::ShowPlots() {
  if (!mPlotDevice) return;
  std::vector<platform::RPicture> pictures;
  std::string error;
  // A picture that cannot be made leaves the window as it was; the statement succeeded.
  if (!mServer.TakePictures(pictures, error)) return;
  for (const platform::RPicture& picture : pictures) {
    mPlotDevice(picture.window, picture.file);
    std::error_code ignored;
    std::filesystem::remove(picture.file, ignored);
  }
}

void CStatConnector::Stop() {
  mServer.Stop();
  mStarted = false;
  mLost = false;
}

RReply CStatConnector::NotRunning() const {
  return RReply::Failure(mLost ? platform::kRHasEndedError : kRNotConnectedError);
}

RReply CStatConnector::Outcome(bool ok, std::string error) {
  if (ok) return RReply::Success();
  if (!mServer.Running()) {
    mStarted = false;
    mLost = true;
  }
  return RReply::Failure(std::move(error));
}

CStatConnector& DefaultStatConnector() {
  static CStatConnector connector;
  return connector;
}
