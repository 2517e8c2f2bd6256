// Small text routines shared by every reader of the engine: unset file settings, file
// extensions, fields after '=' or a tab, and the scanning of numbers and words out of a
// line without copying it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/ascii_case.hpp"

// Longest line the chip description and settings readers take in one piece (the shared
// input line); longer lines are cut there.
inline constexpr std::size_t kLineBufferLength = 1000;

// True when the text is empty or begins with "None" in any letter case: an unset file
// setting.
bool IsNone(std::string_view text);

// True when a file setting names no file: it is empty or is "None" in any letter case.
// Unlike IsNone, a path that merely begins with those letters ("none_arrays.txt",
// "nonexistent/x") names a file.
bool IsUnsetPath(std::string_view text);

// The path up to its last '.' (the whole path when it has none), followed by suffix.
std::string ChangeExtension(std::string_view path, std::string_view suffix);

// The text just after the first ch; empty when ch does not occur.
std::string_view SkipPast(std::string_view text, char ch);

// Ends text at its first tab and puts what follows the tab into rest. False, with text
// left whole and rest empty, when there is no tab.
bool CutAtTab(std::string_view& text, std::string_view* rest = nullptr);

// The integer after the first '=' of the line, read as "%d" would; 0 when there is none.
int ReadIntAfterEquals(std::string_view line);

// The white space the scans below pass over: space, tab, the line ends, vertical tab and
// form feed, as in the C locale.
inline bool IsScanWhite(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

// Scanning in the manner of sscanf: each call consumes what it read from the front of
// text and returns false (text then unspecified) when the field is not there.
// An optionally signed decimal integer after leading white space; values beyond the
// int range fail.
bool ScanInt(std::string_view& text, int& value);
// A run of non-white characters after leading white space ("%s").
bool ScanWord(std::string_view& text, std::string_view& word);
// The next character, white space included ("%c").
bool ScanChar(std::string_view& text, char& ch);
// Drops leading white space (a blank in a scanf format).
void SkipWhiteSpace(std::string_view& text);

// The text with its ASCII letters upper-cased; platform holds it, where the installer can
// reach it too.
using platform::UpperCase;

// ASCII case-insensitive "begins with".
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// The UTF-8 byte-order mark that spreadsheet and text editors write before a file's first
// character.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
// The text without a leading UTF-8 byte-order mark (the text itself when it has none).
inline std::string_view WithoutByteOrderMark(std::string_view text) {
  return text.starts_with(kUtf8ByteOrderMark) ? text.substr(kUtf8ByteOrderMark.size()) : text;
}

// Whether part occurs anywhere in text (letter case counts).
inline bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}
