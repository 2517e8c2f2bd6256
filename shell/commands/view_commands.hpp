// Routines of the View menu that other parts also start.
#pragma once

class ShellFrame;

// View/Online Database: asks which database (unless withDialog is false, then the last
// choice holds) and opens the current probe set's page there.
void GoToOnlineDatabase(ShellFrame& frame, bool withDialog);
