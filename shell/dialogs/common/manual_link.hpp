// The link from a dialog or view to its section of the user's manual.
#pragma once

#include "shell/dialogs/common/static_link.hpp"

class QWidget;

// A link named as every help link is, opening the manual at the section's anchor; its
// text is "Help" unless said otherwise.
CStaticLink* ManualLink(const char* section, QWidget* parent, const char* text = "Help");
