// The key that moves on to the next view.
#include "shell/views/pane/next_view_key.hpp"

#include <Qt>

#include "shell/shell_frame.hpp"

bool ShowNextViewOnReturn(ShellFrame& frame, int key) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  frame.NextView();
  return true;
}
