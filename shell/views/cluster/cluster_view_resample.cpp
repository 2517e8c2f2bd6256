// Resample Once and Go to Original: one round of perturbed values and trees, or the
// original values and trees back.
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "shell/views/cluster/cluster_drawing.hpp"
#include "shell/views/cluster/cluster_view.hpp"

bool CClusterView::CanResample() const {
  const CLUSTER* genes = GeneTree();
  const CLUSTER* samples = SampleTree();
  const bool current = (genes != nullptr && genes->ValidNode(genes->currentNode)) ||
                       (samples != nullptr && samples->ValidNode(samples->currentNode));
  return AnalysisRunning == 0 && TheGroup().HasStdErrors && genes != nullptr && current;
}

void CClusterView::ResampleOnce() {
  if (!CanResample()) return;
  Resample(false);
}

void CClusterView::GoToOriginal() {
  if (mShowUnperturbed) return;
  Resample(true);
}

void CClusterView::Resample(bool restore) {
  CLUSTER* genes = GeneTree();
  if (genes == nullptr) return;
  // Support counts the leaves of the selection as the unperturbed picture marks them.
  if (!restore && mShowUnperturbed) {
    MarkClusterBranches(*genes);
    if (CLUSTER* samples = SampleTree()) MarkClusterBranches(*samples);
  }
  // A round clusters the genes again: its many lines stay out of the log.
  const int logWas = LogEnabled;
  LogEnabled = 0;
  const bool done = genes->Resample(restore);
  LogEnabled = logWas;
  // A failed round has put the unperturbed trees back. Restoring counts no round: the
  // support shown stays that of the rounds made.
  if (done && !restore) ++mRounds;
  mShowUnperturbed = restore || !done;
  RecomputeLayout();
  mCanvas->update();
}
