// The clustering choices of the group settings, read once at the start of a run.
#include "genes/cluster/cluster_settings.hpp"

#include <algorithm>

#include "engine/base/missing_value.hpp"
#include "engine/group/group_settings.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/numerics/numerics.hpp"

namespace {

int gStandardizeReference = 0;

}  // namespace

int StandardizeReference() {
  return gStandardizeReference;
}

void SetStandardizeReference(int reference) {
  gStandardizeReference = reference < 0 ? 0 : reference;
}

ClusterOptions ClusterOptionsFromSettings(const GroupSettings& settings) {
  ClusterOptions options;
  options.distance = settings.DIST_MEASURE;
  options.linkage = settings.LINKAGE_METHOD;
  options.ordering = settings.GENE_ORDERING;
  options.storeDistance = settings.STORE_DISTANCE != 0;
  options.standardizeRows = settings.STANDARDIZE_ROW != 0;
  options.standardizeColumns = settings.STANDARDIZE_COL != 0;
  options.clusterGenes = settings.CLUSTER_GENE != 0;
  options.clusterSamples = settings.CLUSTER_SAMPLE != 0;
  options.geneSignificance = settings.SIG_GENE_PVALUE;
  options.sampleSignificance = settings.SIG_SAMPLE_PVALUE;
  options.referenceSample = gStandardizeReference - 1;
  if (settings.USE_STD_SEP != 0 && SampleGrouping.GroupCount() >= 2) {
    for (int group = 0; group < SampleGrouping.GroupCount(); ++group)
      options.blockStarts.push_back(SampleGrouping.GroupFirstSample(group));
    // A reference sample cannot centre blocks it is not part of.
    options.referenceSample = -1;
  }
  return options;
}

void StandardizeGeneRow(double* x, int m, const std::vector<int>& blockStarts,
                        int referenceSample) {
  if (blockStarts.size() >= 2) {
    for (std::size_t b = 0; b < blockStarts.size(); ++b) {
      const int first = std::clamp(blockStarts[b], 0, m);
      const int end = b + 1 < blockStarts.size() ? std::clamp(blockStarts[b + 1], first, m) : m;
      StandardizeMissing(x + first, end - first, true, false, MISSING_VALUE);
    }
    return;
  }
  const double centre =
      referenceSample >= 0 && referenceSample < m ? x[referenceSample] : MISSING_VALUE;
  StandardizeMissing(x, m, true, false, centre);
}
