// Text that goes into R statements as data: string literals and data frame names, so that
// a user's name or path is never read by R as code.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The text as an R string literal in double quotes: backslashes, quotes and line breaks
// escaped, so that R reads back exactly the text.
std::string RStringLiteral(std::string_view text);

// What R's make.names gives for the text in the C locale: "X" in front unless it starts
// with a letter or with a dot not followed by a digit, every character other than a
// letter, digit, dot or underscore (bytes beyond ASCII included) turned into a dot, and a
// dot after a reserved word. The result holds only those characters, so it may be put
// into an R statement as a name.
std::string RSyntacticName(std::string_view text);

}  // namespace platform
