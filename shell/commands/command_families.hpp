// The command families of the main menu. Each family registers its routines from its own
// file; a family whose engine does not exist yet registers nothing, so its menu items
// stay disabled.
#pragma once

class CommandRegistry;

// Analysis menu: Stop Analysis and the analyses whose engines exist.
void RegisterAnalysisCommands(CommandRegistry& registry);
// Analysis menu: Copy, Save Log and Exit.
void RegisterFileCommands(CommandRegistry& registry);
// View menu: Next View, Alternate Two Views and Online Database.
void RegisterViewCommands(CommandRegistry& registry);
// Help menu.
void RegisterHelpCommands(CommandRegistry& registry);
// Analysis menu: Open Group.
void RegisterOpenGroupCommands(CommandRegistry& registry);
// Analysis menu: Get External Data.
void RegisterExternalDataCommands(CommandRegistry& registry);
// Tools menu: Export Expression Value.
void RegisterExportExpressionCommands(CommandRegistry& registry);
// Image menu: Export CEL; Tools menu: Export Probe Set.
void RegisterProbeLevelExportCommands(CommandRegistry& registry);
// Analysis menu: Normalize.
void RegisterNormalizeCommands(CommandRegistry& registry);
// Analysis menu: Model-based Expression.
void RegisterExpressionCommands(CommandRegistry& registry);
// Image menu: Normalization Plot.
void RegisterNormalizationPlotCommands(CommandRegistry& registry);
// Analysis menu: Compare Samples.
void RegisterCompareCommands(CommandRegistry& registry);
// Analysis menu: Hierarchical Clustering.
void RegisterClusterCommands(CommandRegistry& registry);
// Analysis menu: Filter Genes and Analysis of Variance; Tools menu: Percentile Filtering
// and Adjust Batch Effect.
void RegisterFilterCommands(CommandRegistry& registry);
// Analysis menu: LDA Classification.
void RegisterLdaCommands(CommandRegistry& registry);
// Analysis menu: Filter SNPs.
void RegisterFilterSnpCommands(CommandRegistry& registry);
// Tools menu: Gene List by Annotation, Gene List by Keywords, Classify Genes and More
// Gene Information.
void RegisterAnnotationCommands(CommandRegistry& registry);

// Tools menu: Array List File.
void RegisterArrayListCommands(CommandRegistry& registry);

// Tools menu: Make Information File.
void RegisterInformationFileCommands(CommandRegistry& registry);
// Tools menu: Ontoroam.
void RegisterOntologyBrowserCommands(CommandRegistry& registry);

// Tools menu: Options.
void RegisterOptionsCommands(CommandRegistry& registry);

// Pathway menu: Filter Genes.
void RegisterPathwayFilterCommands(CommandRegistry& registry);
// Analysis menu: Genome.
void RegisterGenomeCommands(CommandRegistry& registry);
// Every family above.
void RegisterMainFrameCommands(CommandRegistry& registry);
