// Writes the analysis log as rich text (RTF) that word processors open: one font, a
// colour table of the colours used, and the text in coloured runs, one paragraph per
// line. Links to embedded files become hyperlink fields.
#pragma once

#include <string>

class QTextDocument;

std::string LogToRtf(const QTextDocument& document);
