// Test support for the cluster view: a generated group of planted gene clusters with its
// gene list, clustered on demand, and the view shown in the main frame.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

#include "engine/chip/cdf_layout.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/cluster/cluster_view.hpp"
#include "tools/synth/planted_clusters.hpp"

class ClusterViewTest : public ShellTest {
 protected:
  // The trees and the planted probe sets are the process's: gone for the next test.
  void TearDown() override {
    ShellTest::TearDown();
    FreeClusterTrees();
    Layout = CDF_LAYOUT{};
  }

  // A group of planted gene clusters with their gene list, set to cluster both genes and
  // samples on standardised rows by correlation.
  synth::PlantedClusterTruth PlantClusters(int clusters, int genesPerCluster, int samples,
                                           std::uint64_t seed) {
    synth::PlantedClusterOptions options;
    options.clusters = clusters;
    options.genesPerCluster = genesPerCluster;
    options.samples = samples;
    options.seed = seed;
    const synth::PlantedClusterTruth truth = synth::MakePlantedClusters(options);
    synth::InstallPlantedClusterGroup(truth);
    GroupSettings& settings = TheGroup().Settings();
    settings.GENE_LIST_FILE = File("planted.txt");
    std::ofstream(settings.GENE_LIST_FILE) << synth::PlantedGeneListText(truth);
    settings.CLUSTER_GENE = settings.CLUSTER_SAMPLE = settings.STANDARDIZE_ROW = 1;
    settings.DIST_MEASURE = 0;
    return truth;
  }

  // The clustering of the planted group shown in the cluster view of a fresh frame.
  CClusterView& ShowClusterView() {
    CMainFrame& frame = OpenFrame();
    frame.ShowView(VIEW_CLUSTER);
    auto* view = dynamic_cast<CClusterView*>(frame.RightViews(VIEW_CLUSTER));
    EXPECT_NE(view, nullptr);
    return *view;
  }
};
