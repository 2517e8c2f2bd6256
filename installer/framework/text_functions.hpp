// The small text routines the installer's drivers and steps share: trimming, case,
// quoting, list splitting, reading data lines, a failure's text handed to the caller, and a
// file's read-only attribute.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quellbrook {

// printf-style formatting into a text of whatever length the arguments need.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, std::va_list args)
    __attribute__((format(printf, 1, 0)));

// Blanks are the C locale's white space.
bool IsBlank(char c);
// The text without blanks at either end, as a view into it.
std::string_view TrimmedView(std::string_view text);
std::string TrimText(std::string_view text);
std::string TrimRight(std::string_view text);
std::string UpperText(std::string_view text);
std::string LowerText(std::string_view text);
// The text with every quote character doubled, as it stands between two of them.
std::string DoubledQuotes(std::string_view text, char quote);
// The same between the two quotes.
std::string EnclosedInQuotes(std::string_view text, char quote);

// Hands text to error when the caller asked for it (error not null); false, for a routine
// that fails to return.
bool FailWith(std::string* error, const std::string& text);

// Cuts text at every separator into trimmed pieces stored from index 0 of out, which is
// first emptied and sized to initialSize (so it holds at least that many entries). Empty
// pieces between separators are kept; the empty rest after a final separator is not. A
// text that is blank leaves out untouched.
void SplitList(std::string_view text, std::vector<std::string>& out, char separator,
               int initialSize);

// The next line of file that is not a lone "\n", at most size - 1 bytes, with its last
// byte removed when it is not printable (normally the line feed). Null at the end of the
// file, on a read error, or for a buffer under 2 bytes.
char* ReadDataLine(char* buffer, int size, std::FILE* file);

// Makes the file read-only when flag is "R" (any case), writable by its owner otherwise.
// False when its permissions can't be changed.
bool SetReadOnlyAttribute(const std::string& path, std::string_view flag);

}  // namespace quellbrook
