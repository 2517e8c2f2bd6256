// The one main window the shared services reach.
#include "shell/shell_frame.hpp"

namespace {

ShellFrame* gFrame = nullptr;

}  // namespace

ShellFrame* TheFrame() {
  return gFrame;
}

void SetTheFrame(ShellFrame* frame) {
  gFrame = frame;
}
