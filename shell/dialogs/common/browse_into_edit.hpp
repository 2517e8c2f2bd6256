// The browse button beside a file name edit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shell/services/shell_helpers.hpp"

class QLineEdit;

// Asks for a file to open, starting at the edit's text; the chosen path goes into the
// edit and is returned, and Cancel leaves the edit as it was.
std::optional<std::string> BrowseIntoEdit(QLineEdit& edit, std::string_view defaultExtension = "",
                                          std::string_view filter = kDataFileFilter);
