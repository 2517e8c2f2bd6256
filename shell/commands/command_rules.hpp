// The enable and check rules of every menu command of the main frame, in one place: what
// the group's state allows, whatever runs the command.
#pragma once

#include "shell/views/pane/right_view.hpp"

// The state the rules read, gathered by the main frame before each update.
struct CommandContext {
  bool analysisRunning = false;
  bool groupOpen = false;  // opened from array data files (the group's HasProbeData)
  bool normalized = false;
  bool modelled = false;
  bool adjusted = false;
  int arrayCount = 0;
  bool loadProbeData = false;  // LOAD_PROBE_DATA
  bool snpGroup = false;       // READ_SNP_ARRAY_DATA
  bool chipLoaded = false;     // a chip description is loaded
  int currentUnit = -1;        // CUR_UNIT
  int currentViewIndex = 0;
  bool alternateTwoViews = false;  // ALTERNATE_TWO_VIEW
  bool logHasSelection = false;    // text is selected in the log pane
  // Filled by the parts that own them; false until those parts exist.
  bool geneInfoLoaded = false;
  int geneInfoTermColumns = 0;
  bool snpInfoLoaded = false;
  bool sampleInfoHasSamples = false;
  bool clusterViewWithGeneTree = false;  // the cluster view is shown and a gene tree exists
  bool moreThanOneSampleGroup = false;
  bool pathwayFilterReady = false;  // more than one pathway node and a "Pathway" item
};

// The rule of a main-frame command; commands without a rule are always enabled.
CommandState FrameCommandRule(int id, const CommandContext& context);
