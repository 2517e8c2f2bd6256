// Reads rich text (RTF) of the kind Save Log writes back into a document: the text in its
// colours (the colour table and \cf), paragraphs, line breaks and tabs, escaped and
// Unicode characters, and hyperlink fields as links. Fonts, pictures and the other
// destinations are skipped, so a saved log given to the program shows as it was written.
#pragma once

#include <string_view>

class QTextDocument;

// Groups nested deeper than this are skipped with everything in them.
inline constexpr int kMaxRtfGroupDepth = 64;

// Whether the bytes begin as RTF does ("{\rtf").
bool IsRtf(std::string_view bytes);

// Replaces the document's text with the RTF's. False, with the document left alone, when
// the bytes are not RTF. Damage past the start is read as far as it makes sense: an
// unclosed group ends with the bytes, anything after the outermost group is ignored.
[[nodiscard]] bool ReadRtf(std::string_view rtf, QTextDocument& document);
