// The chromosome view's linkage command: the linkage dialog, then the linkage run over the
// chromosome data on the common road of the analysis commands.
#pragma once

class ShellFrame;

// Shows the dialog and, on OK, saves the settings and runs the analysis; true when the run
// succeeded (the caller then redraws the view with the new curve and haplotypes).
bool RunLinkageAnalysisCommand(ShellFrame& frame);
