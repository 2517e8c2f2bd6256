// Keeps AnalysisRunning raised for the span of one call (the fuzz entries of readers
// that stop when it is clear) and restores it afterwards.
#pragma once

#include <cstdint>

#include "engine/services/log_channel.hpp"

class RaisedAnalysisRunning {
 public:
  RaisedAnalysisRunning() : mSaved(AnalysisRunning) { AnalysisRunning = 1; }
  ~RaisedAnalysisRunning() { AnalysisRunning = mSaved; }
  RaisedAnalysisRunning(const RaisedAnalysisRunning&) = delete;
  RaisedAnalysisRunning& operator=(const RaisedAnalysisRunning&) = delete;

 private:
  std::uint8_t mSaved;
};
