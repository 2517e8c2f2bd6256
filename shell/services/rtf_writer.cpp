// The small RTF writer of Save Log.
#include "shell/services/rtf_writer.hpp"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <cstdint>
#include <string>
#include <vector>

#include "shell/services/text_conversion.hpp"

namespace {

// Escapes RTF's special characters; anything past ASCII goes as a Unicode escape with
// '?' for readers that do not know it.
void AppendEscaped(std::string& out, const QString& text) {
  for (const QChar character : text) {
    const char16_t unit = character.unicode();
    if (unit == u'\\' || unit == u'{' || unit == u'}') {
      out += '\\';
      out += static_cast<char>(unit);
    } else if (unit == u'\t') {
      out += "\\tab ";
    } else if (unit == QChar::LineSeparator || unit == QChar::ParagraphSeparator) {
      out += "\\line ";
    } else if (unit >= 0x20 && unit < 0x80) {
      out += static_cast<char>(unit);
    } else if (unit >= 0x80) {
      out += "\\u" + std::to_string(static_cast<std::int16_t>(unit)) + "?";
    }
  }
}

COLORREF FragmentColour(const QTextFragment& fragment) {
  const QTextCharFormat format = fragment.charFormat();
  return format.hasProperty(QTextFormat::ForegroundBrush) ? ToColorRef(format.foreground().color())
                                                          : kLogBlack;
}

}  // namespace

std::string LogToRtf(const QTextDocument& document) {
  std::vector<COLORREF> colours;
  auto colourIndex = [&colours](COLORREF colour) {
    for (std::size_t i = 0; i < colours.size(); ++i)
      if (colours[i] == colour) return static_cast<int>(i) + 1;
    colours.push_back(colour);
    return static_cast<int>(colours.size());
  };

  std::string body;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      body += "\\cf" + std::to_string(colourIndex(FragmentColour(fragment))) + " ";
      const QTextCharFormat format = fragment.charFormat();
      if (format.isAnchor() && !format.anchorHref().isEmpty()) {
        body += "{\\field{\\*\\fldinst HYPERLINK \"";
        AppendEscaped(body, format.anchorHref());
        body += "\"}{\\fldrslt \\ul ";
        AppendEscaped(body, fragment.text());
        body += "\\ulnone }}";
      } else {
        AppendEscaped(body, fragment.text());
      }
    }
    if (block.next().isValid()) body += "\\par\n";
  }

  std::string rtf = "{\\rtf1\\ansi\\deff0\n{\\fonttbl{\\f0\\fswiss Arial;}}\n{\\colortbl;";
  for (COLORREF colour : colours)
    rtf += "\\red" + std::to_string(RedOf(colour)) + "\\green" + std::to_string(GreenOf(colour)) +
           "\\blue" + std::to_string(BlueOf(colour)) + ";";
  // 10.5 points (21 half-points) with half-inch margins, as the log pane shows it.
  rtf += "}\n\\margl720\\margr720\\margt720\\margb720\\f0\\fs21\n";
  rtf += body;
  rtf += "\n}\n";
  return rtf;
}
