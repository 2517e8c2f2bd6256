// Choosing a file into a file name edit.
#include "shell/dialogs/common/browse_into_edit.hpp"

#include <QLineEdit>

#include "shell/services/prompt_service.hpp"
#include "shell/services/text_conversion.hpp"

std::optional<std::string> BrowseIntoEdit(QLineEdit& edit, std::string_view defaultExtension,
                                          std::string_view filter) {
  FileDialogRequest request;
  request.startFile = FromQString(edit.text());
  request.defaultExtension = defaultExtension;
  request.filter = filter;
  std::optional<std::string> chosen = Prompts().FileName(request);
  if (chosen) edit.setText(ToQString(*chosen));
  return chosen;
}
