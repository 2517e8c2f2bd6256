// Return and Enter leave every view of the right pane for the next one.
#pragma once

class ShellFrame;

// Shows the frame's next view when key is Return or Enter, and says so: the key is used
// up, and the view that had it is no longer shown.
bool ShowNextViewOnReturn(ShellFrame& frame, int key);
