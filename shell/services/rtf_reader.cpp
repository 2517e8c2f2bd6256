// The small RTF reader of saved logs.
#include "shell/services/rtf_reader.hpp"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Destinations whose text is never shown.
constexpr std::string_view kSkippedDestinations[] = {
    "fonttbl",   "stylesheet",        "info",    "pict",      "object",   "header",
    "footer",    "headerl",           "headerr", "footerl",   "footerr",  "footnote",
    "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "themedata",
    "datastore", "latentstyles"};

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// What a group passes on to the groups inside it.
struct GroupState {
  int colour = 0;       // index into the colour table; 0 is the automatic colour
  int unicodeSkip = 1;  // characters that stand in for each \u character
  bool skipped = false;
  bool colourTable = false;
  bool fieldInstruction = false;
  QString link;  // the target of the hyperlink field whose shown text this is
};

class RtfReader {
 public:
  RtfReader(std::string_view rtf, QTextDocument& document) : mRtf(rtf), mCursor(&document) {}

  void Read() {
    mStack.push_back(GroupState{});
    while (mAt < mRtf.size() && !mDone) {
      const char c = mRtf[mAt++];
      if (c == '{') {
        OpenGroup();
      } else if (c == '}') {
        CloseGroup();
      } else if (c == '\\') {
        ControlWord();
      } else if (c != '\r' && c != '\n') {
        Character(QChar(static_cast<unsigned char>(c)));
      }
    }
    Flush();
  }

 private:
  GroupState& State() { return mStack.back(); }

  void OpenGroup() {
    if (mDeepGroups > 0 || mStack.size() >= static_cast<std::size_t>(kMaxRtfGroupDepth)) {
      ++mDeepGroups;
      return;
    }
    GroupState inner = State();
    inner.colourTable = false;
    inner.fieldInstruction = false;
    mStack.push_back(inner);
  }

  void CloseGroup() {
    if (mDeepGroups > 0) {
      --mDeepGroups;
      return;
    }
    if (State().fieldInstruction) mPendingLink = HyperlinkTarget(mInstruction);
    // The outermost group closed: the document ends here.
    if (mStack.size() == 1) {
      mDone = true;
      return;
    }
    mStack.pop_back();
  }

  void ControlWord() {
    if (mAt >= mRtf.size()) return;
    const char first = mRtf[mAt];
    if (!IsLetter(first)) {
      ++mAt;
      ControlSymbol(first);
      return;
    }
    const std::size_t start = mAt;
    while (mAt < mRtf.size() && IsLetter(mRtf[mAt])) ++mAt;
    const std::string_view word = mRtf.substr(start, mAt - start);
    bool hasNumber = false;
    bool negative = false;
    std::int64_t number = 0;
    if (mAt < mRtf.size() && mRtf[mAt] == '-') {
      negative = true;
      ++mAt;
    }
    // RTF numbers are 16 or 32 bits; longer digit runs are cut to keep the value bounded.
    for (int digits = 0; mAt < mRtf.size() && IsDigit(mRtf[mAt]); ++mAt, ++digits) {
      hasNumber = true;
      if (digits < 10) number = number * 10 + (mRtf[mAt] - '0');
    }
    if (negative) number = -number;
    if (mAt < mRtf.size() && mRtf[mAt] == ' ') ++mAt;
    Apply(word, hasNumber, number);
  }

  void ControlSymbol(char symbol) {
    switch (symbol) {
      case '\\':
      case '{':
      case '}':
        Character(QChar(static_cast<unsigned char>(symbol)));
        break;
      case '\'': {
        const int high = mAt < mRtf.size() ? HexValue(mRtf[mAt]) : -1;
        const int low = mAt + 1 < mRtf.size() ? HexValue(mRtf[mAt + 1]) : -1;
        if (high < 0 || low < 0) return;
        mAt += 2;
        Character(QChar(high * 16 + low));
        break;
      }
      case '*':
        mStarred = true;
        return;
      case '~':
        Character(QChar(QChar::Nbsp));
        break;
      case '_':
        Character(QLatin1Char('-'));
        break;
      case '\r':
      case '\n':
        Paragraph();
        break;
      default:
        break;
    }
    mStarred = false;
  }

  void Apply(std::string_view word, bool hasNumber, std::int64_t number) {
    const bool starred = mStarred;
    mStarred = false;
    GroupState& state = State();
    if (word == "fldinst") {
      state.fieldInstruction = true;
      mInstruction.clear();
      return;
    }
    if (word == "fldrslt") {
      state.link = mPendingLink;
      mPendingLink.clear();
      return;
    }
    if (word == "colortbl") {
      state.colourTable = true;
      mColours.clear();
      mColour = {};
      return;
    }
    for (std::string_view skipped : kSkippedDestinations)
      if (word == skipped) state.skipped = true;
    // An unknown destination marked \* is one a reader may skip.
    if (starred) state.skipped = true;
    if (state.colourTable) {
      const int value = static_cast<int>(std::clamp<std::int64_t>(number, 0, 255));
      if (word == "red") mColour.red = value;
      if (word == "green") mColour.green = value;
      if (word == "blue") mColour.blue = value;
      if (word == "red" || word == "green" || word == "blue") mColour.set = true;
      return;
    }
    if (word == "cf") {
      state.colour = hasNumber ? static_cast<int>(std::clamp<std::int64_t>(number, 0, 1 << 16)) : 0;
    } else if (word == "plain") {
      state.colour = 0;
    } else if (word == "par") {
      Paragraph();
    } else if (word == "line") {
      Character(QChar(QChar::LineSeparator));
    } else if (word == "tab") {
      Character(QLatin1Char('\t'));
    } else if (word == "uc") {
      state.unicodeSkip = static_cast<int>(std::clamp<std::int64_t>(number, 0, 8));
    } else if (word == "u") {
      // Negative values stand for the upper half of the 16-bit range.
      Character(QChar(static_cast<char16_t>(number < 0 ? number + 65536 : number)));
      SkipStandIns(state.unicodeSkip);
    } else if (word == "bin" && hasNumber && number > 0) {
      mAt += static_cast<std::size_t>(
          std::min<std::int64_t>(number, static_cast<std::int64_t>(mRtf.size() - mAt)));
    }
  }

  // Steps over the characters that readers without \u show instead.
  void SkipStandIns(int count) {
    for (int i = 0; i < count && mAt < mRtf.size(); ++i) {
      const char c = mRtf[mAt];
      if (c == '{' || c == '}') return;
      if (c != '\\') {
        ++mAt;
        continue;
      }
      if (mAt + 1 < mRtf.size() && mRtf[mAt + 1] == '\'') {
        mAt += 4;
      } else {
        return;  // a control word ends the stand-ins
      }
    }
    mAt = std::min(mAt, mRtf.size());
  }

  void Character(QChar character) {
    const GroupState& state = State();
    if (state.skipped || mDeepGroups > 0) return;
    if (state.colourTable) {
      if (character == QLatin1Char(';')) {
        mColours.push_back(mColour.set ? QColor(mColour.red, mColour.green, mColour.blue)
                                       : QColor());
        mColour = {};
      }
      return;
    }
    if (state.fieldInstruction) {
      mInstruction += character;
      return;
    }
    const QTextCharFormat format = FormatOf(state);
    if (format != mFormat) {
      Flush();
      mFormat = format;
    }
    mPending += character;
  }

  void Paragraph() {
    const GroupState& state = State();
    if (state.skipped || state.colourTable || state.fieldInstruction || mDeepGroups > 0) return;
    Flush();
    mCursor.insertBlock();
  }

  QTextCharFormat FormatOf(const GroupState& state) const {
    QTextCharFormat format;
    // Entry 0, and any entry the table lacks or left unset, is the automatic colour.
    if (state.colour > 0 && static_cast<std::size_t>(state.colour) < mColours.size() &&
        mColours[static_cast<std::size_t>(state.colour)].isValid())
      format.setForeground(mColours[static_cast<std::size_t>(state.colour)]);
    if (!state.link.isEmpty()) {
      format.setAnchor(true);
      format.setAnchorHref(state.link);
      format.setFontUnderline(true);
    }
    return format;
  }

  void Flush() {
    if (mPending.isEmpty()) return;
    mCursor.insertText(mPending, mFormat);
    mPending.clear();
  }

  // The quoted target of a HYPERLINK instruction; empty for other fields.
  static QString HyperlinkTarget(const QString& instruction) {
    const QString trimmed = instruction.trimmed();
    if (!trimmed.startsWith(QLatin1String("HYPERLINK"))) return {};
    const qsizetype open = trimmed.indexOf(QLatin1Char('"'));
    const qsizetype close = trimmed.indexOf(QLatin1Char('"'), open + 1);
    if (open < 0 || close < 0) return {};
    return trimmed.mid(open + 1, close - open - 1);
  }

  std::string_view mRtf;
  std::size_t mAt = 0;
  QTextCursor mCursor;
  std::vector<GroupState> mStack;
  int mDeepGroups = 0;  // groups opened beyond the depth limit, still open
  bool mStarred = false;
  bool mDone = false;
  std::vector<QColor> mColours;
  struct TableEntry {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool set = false;  // an entry without values is the automatic colour
  } mColour;           // the colour table entry being read
  QString mInstruction;
  QString mPendingLink;
  QString mPending;
  QTextCharFormat mFormat;
};

}  // namespace

bool IsRtf(std::string_view bytes) {
  return bytes.starts_with("{\\rtf");
}

bool ReadRtf(std::string_view rtf, QTextDocument& document) {
  if (!IsRtf(rtf)) return false;
  document.clear();
  // The outer group is opened here, so the reader starts inside it.
  RtfReader(rtf.substr(1), document).Read();
  // The text read is where the document starts, not an edit Undo could take back.
  document.clearUndoRedoStacks();
  return true;
}
