// The two database updates the server's library update runs around its other steps: the
// laboratory metadata update of old data objects first, and the update of the analysis
// parameters the database holds last. Neither reads a library file; the database's own
// scripts do the work and the library log's newest row tells the outcome.
#pragma once

#include "installer/steps/install_step.hpp"

namespace quellbrook {

inline constexpr int kAnalysisUpdateFailed = 3022;

class AnalysisUpdateStep : public InstallStep {
 public:
  // Runs the metadata update script: 0, 3004 without a connected session, or 3022 when the
  // script ran and the library log says it failed. A script that can't be run gives 0.
  int UpdateLabMetadata();
  // Drops what the metadata update left, then loads and runs the update of the analysis
  // parameters: 0, 3004 without a connected session, or 3022 when a script or the procedure
  // could not run or the library log says it failed.
  int UpdateAnalysisParams();
};

}  // namespace quellbrook
