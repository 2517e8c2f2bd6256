// View/Export Image for the view in the right pane.
#pragma once

#include <string>

#include "shell/dialogs/image/image_export.hpp"

class ShellFrame;

// True for the views that draw a picture: probe data, array image, clustering, genome,
// sample scatter, SNP, chromosome and plots.
bool ShowsPicture(int viewIndex);

// The default export name of a view (folder and name, without extension), from the
// group's state.
std::string DefaultImageName(int viewIndex);

// What the pane's view exports: its own picture when it draws one itself, else what the
// view shows now, at its size (a scrolled view: all it scrolls over).
PictureExport PaneViewPicture(ShellFrame& frame);

// The command.
void ExportPaneViewImage(ShellFrame& frame);
