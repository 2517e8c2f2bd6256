// The genome's readers and inferences run inside a command that raised AnalysisRunning;
// run on their own (a test, a fuzz entry) they raise it for their span, so a clear flag is
// not taken for a stop, while a command's flag and the user's stop stay the command's:
// none of them clears the flag when it ends.
#pragma once

#include <optional>

#include "engine/services/running_scope.hpp"

class RaisedWhenIdle {
 public:
  RaisedWhenIdle() {
    if (AnalysisRunning == 0) mRaised.emplace();
  }

 private:
  std::optional<RaisedAnalysisRunning> mRaised;
};
