// Lines and fields of the genome's tab-delimited files: the header and body lines of a
// table, the next field of a line, and numbers read from the front of a field as the C
// library's atof and atoi read them (0 when no number begins there).
#pragma once

#include <string_view>

#include "platform/line_reader.hpp"

namespace genome_text {

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
