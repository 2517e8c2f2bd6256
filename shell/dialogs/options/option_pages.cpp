// The Options button of the analysis dialogs.
#include "shell/dialogs/options/option_pages.hpp"

#include "shell/shell_frame.hpp"

std::function<void()> OptionsOpener(ShellFrame& frame, int page) {
  return [&frame, page] { frame.OpenOptionsAtPage(page); };
}
