// Lines and fields of the genome's tab-delimited files: the opening of a table, its header
// and body lines, the next field of a line, and numbers read from the front of a field as the C
// library's atof and atoi read them (0 when no number begins there).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/line_reader.hpp"

namespace genome_text {

// Opens the table at path for lines of at most maxLength bytes and logs that the file of
// this kind is being read ("  Reading <kind> file '<path>'..."); when it cannot be opened,
// logs "  Reading <kind> file '<path>' failed" in red with the reason and returns false.
[[nodiscard]] bool OpenTableOrLog(platform::LineReader& reader, const std::string& path,
                                  std::size_t maxLength, std::string_view kind);

// The first line of a table, which names its columns; empty when the file has no line.
std::string_view HeaderLine(platform::LineReader& reader);
// The next line of a table's body into line (a line cut at the reader's bound included);
// false at the end of the file, on a read fault and at an empty line, where a table ends.
bool NextTableLine(platform::LineReader& reader, std::string_view& line);

// The field before the next tab (the rest of the line when there is none); line then
// holds what follows that tab. An exhausted line gives empty fields.
std::string_view NextField(std::string_view& line);

// The number at the front of text after leading white space; 0 when none.
double LeadingDouble(std::string_view text);
int LeadingInt(std::string_view text);
// LeadingDouble as a float; false (value untouched) when that is not a finite number:
// "nan", "inf", or beyond the range of a float or even of a double.
bool LeadingFiniteFloat(std::string_view text, float& value);

// text without trailing blanks, tabs and line ends.
std::string_view TrimRight(std::string_view text);

}  // namespace genome_text
