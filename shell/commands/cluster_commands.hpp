// The clustering of the main frame, which the cluster view also runs again on the genes
// it keeps.
#pragma once

#include <functional>

class ShellFrame;

// Clusters the genes of the gene list file when dialog is given (and accepted), else the
// genes of the current gene tree that carry no mark. The old "Clustering" item and view
// go first; on success the new item is shown with the significant branches under it.
// True when the clustering succeeded.
bool DoHierarchicalClustering(ShellFrame& frame, std::function<bool()> dialog);
