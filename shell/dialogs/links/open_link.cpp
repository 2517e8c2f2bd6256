// Opening an address, and the dialog that tells where it went.
#include "shell/dialogs/links/open_link.hpp"

#include "engine/group/group.hpp"
#include "shell/dialogs/links/online_link_dialog.hpp"
#include "shell/services/open_service.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/shell_frame.hpp"

void OpenLink(std::string_view address) {
  Opener().Open(address);
  if (!GroupStarted() || TheGroup().Settings().LINK_DIALOG == 0) return;
  CopyTextToClipboard(address);
  OnlineLinkDialog dialog(address, TheFrame() != nullptr ? TheFrame()->Window() : nullptr);
  Prompts().RunDialog(dialog);
}
