// The families that make up the main menu's routines.
#include "shell/commands/command_families.hpp"

void RegisterMainFrameCommands(CommandRegistry& registry) {
  RegisterAnalysisCommands(registry);
  RegisterFileCommands(registry);
  RegisterViewCommands(registry);
  RegisterHelpCommands(registry);
  RegisterOpenGroupCommands(registry);
  RegisterExternalDataCommands(registry);
  RegisterExportExpressionCommands(registry);
  RegisterProbeLevelExportCommands(registry);
  RegisterNormalizeCommands(registry);
  RegisterExpressionCommands(registry);
  RegisterNormalizationPlotCommands(registry);
  RegisterClusterCommands(registry);
  RegisterOptionsCommands(registry);
  RegisterCompareCommands(registry);
  RegisterFilterCommands(registry);
  RegisterFilterSnpCommands(registry);
  RegisterArrayListCommands(registry);
  RegisterAnnotationCommands(registry);
  RegisterInformationFileCommands(registry);
  RegisterOntologyBrowserCommands(registry);
  RegisterPathwayFilterCommands(registry);
  RegisterGenomeCommands(registry);
  RegisterLdaCommands(registry);
}
