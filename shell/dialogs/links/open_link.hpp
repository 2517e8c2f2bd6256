// Opening a web page or a file from anywhere in the program.
#pragma once

#include <string_view>

// Opens a web page or a file with its associated program. With LINK_DIALOG set the
// address is also copied to the clipboard and the online link dialog tells the user so.
void OpenLink(std::string_view address);
