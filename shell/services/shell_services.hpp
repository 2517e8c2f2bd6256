// The window's side of the engine's services: questions go to the toolkit's windows,
// written files to the navigation tree, view requests to the main window's right pane.
// Installed once at start-up (and by the window tests' environment), removed at the end.
#pragma once

void InstallShellServices();
// Gives back what the last installation replaced.
void RemoveShellServices();
