// The update rules of the main-frame commands.
#include "shell/commands/command_rules.hpp"

#include "shell/resource_ids.hpp"
#include "shell/views/pane/export_image_command.hpp"

CommandState FrameCommandRule(int id, const CommandContext& c) {
  const bool idle = !c.analysisRunning;
  const bool termColumns = c.geneInfoLoaded && c.geneInfoTermColumns > 0;
  switch (id) {
    case ids::kOpenGroup:
    case ids::kGetExternalData:
    case ids::kOptions:
      return {idle, false};
    case ids::kNormalize:
      return {(c.modelled || c.groupOpen) && idle, false};
    case ids::kModelExpression:
      return {c.groupOpen && idle, false};
    case ids::kCompareSamples:
    case ids::kFilterGenes:
    case ids::kHierarchicalClustering:
    case ids::kLdaClassification:
      return {c.modelled && idle, false};
    case ids::kAnalysisOfVariance:
      return {c.modelled && (c.sampleInfoHasSamples || c.clusterViewWithGeneTree), false};
    case ids::kGenome:
      return {c.chipLoaded, false};
    case ids::kChromosome:
      return {c.snpGroup || c.modelled, false};
    case ids::kFilterSnps:
      return {c.snpGroup && c.snpInfoLoaded, false};
    case ids::kPathway:
    case ids::kPercentileFiltering:
      return {c.modelled, false};
    case ids::kStopAnalysis:
      return {c.analysisRunning, c.analysisRunning};
    case ids::kEditCopy:
      return {c.currentViewIndex == VIEW_ANALYSIS && c.logHasSelection, false};
    case ids::kNextView:
      return {c.currentViewIndex != VIEW_ANALYSIS, false};
    case ids::kAlternateTwoViews:
      return {true, c.alternateTwoViews};
    case ids::kExportImage:
      return {ShowsPicture(c.currentViewIndex), false};
    case ids::kOnlineDatabase:
    case ids::kOnlineDatabaseDirect:
      return {c.currentUnit != -1 && (c.groupOpen || c.modelled), false};
    case ids::kArrayListFile:
      return {c.arrayCount > 0, false};
    case ids::kGeneListByAnnotation:
      return {termColumns && idle, false};
    case ids::kGeneListByKeywords:
    case ids::kMoreGeneInformation:
      return {c.geneInfoLoaded, false};
    case ids::kClassifyGenes:
      return {termColumns, false};
    case ids::kExportExpression:
      return {(c.snpGroup || c.modelled) && idle, false};
    case ids::kExportProbeSet:
    case ids::kExportCel:
    case ids::kNormalizationPlot:
      return {c.groupOpen && c.loadProbeData, false};
    case ids::kAdjustBatchEffect:
      return {c.modelled && c.normalized && !c.adjusted && c.moreThanOneSampleGroup, false};
    case ids::kPathwayFilterGenes:
      return {c.pathwayFilterReady, false};
    default:
      return {true, false};
  }
}
