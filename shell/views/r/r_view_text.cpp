// The R view's command texts and expression table.
#include "shell/views/r/r_view_text.hpp"

#include <charconv>
#include <cstdint>
#include <span>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "platform/file_replacement.hpp"
#include "platform/path.hpp"
#include "platform/r_text.hpp"

namespace {

constexpr std::size_t kNone = std::string_view::npos;
// Rows gathered before they go to the file.
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;

bool IdentifierChar(char ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
         ch == '.' || ch == '_';
}

bool Blank(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\f' || ch == '\v';
}

// The length of the line break at text[i]: 2 for "\r\n", 1 for "\n", else 0.
std::size_t LineBreakAt(std::string_view text, std::size_t i) {
  if (text[i] == '\n') return 1;
  return text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 0;
}

// The end (just past its closing quote) of a raw string r"(...)" whose quote is at
// text[quote]; kNone when the quote opens no raw string. An unclosed one runs to the end.
std::size_t RawStringEnd(std::string_view text, std::size_t quote) {
  if (quote == 0 || (text[quote - 1] != 'r' && text[quote - 1] != 'R')) return kNone;
  if (quote >= 2 && IdentifierChar(text[quote - 2])) return kNone;
  std::size_t i = quote + 1;
  std::size_t dashes = 0;
  while (i < text.size() && text[i] == '-') {
    ++dashes;
    ++i;
  }
  if (i >= text.size()) return kNone;
  char close = 0;
  switch (text[i]) {
    case '(':
      close = ')';
      break;
    case '[':
      close = ']';
      break;
    case '{':
      close = '}';
      break;
    default:
      return kNone;
  }
  std::string closing(1, close);
  closing.append(dashes, '-');
  closing.push_back(text[quote]);
  const std::size_t found = text.find(closing, i + 1);
  return found == kNone ? text.size() : found + closing.size();
}

// Past the string, raw string or `name` that starts at text[i]; i itself when none does.
// An unclosed one runs to the end of the text.
std::size_t QuotedEnd(std::string_view text, std::size_t i) {
  const char quote = text[i];
  if (quote != '"' && quote != '\'' && quote != '`') return i;
  if (quote != '`') {
    const std::size_t raw = RawStringEnd(text, i);
    if (raw != kNone) return raw;
  }
  for (std::size_t j = i + 1; j < text.size(); ++j) {
    if (text[j] == '\\') {
      ++j;
      continue;
    }
    if (text[j] == quote) return j + 1;
  }
  return text.size();
}

std::string StripComments(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '#') {
      std::size_t end = text.find('\n', i);
      if (end == kNone) break;
      if (text[end - 1] == '\r' && end - 1 > i) --end;
      i = end;  // the line break stays
      continue;
    }
    const std::size_t quoted = QuotedEnd(text, i);
    if (quoted > i) {
      kept.append(text.substr(i, quoted - i));
      i = quoted;
      continue;
    }
    kept.push_back(text[i++]);
  }
  return kept;
}

char LastNonBlank(const std::string& text) {
  for (auto it = text.rbegin(); it != text.rend(); ++it)
    if (!Blank(*it)) return *it;
  return 0;
}

// Whether the first word from text[i] on, past blanks and line breaks, is "else".
bool ElseFollows(std::string_view text, std::size_t i) {
  while (i < text.size() && (Blank(text[i]) || text[i] == '\r' || text[i] == '\n')) ++i;
  if (text.substr(i, 4) != "else") return false;
  return i + 4 >= text.size() || !IdentifierChar(text[i + 4]);
}

// Joins the lines into one statement; see PrepareRCommand.
std::string JoinLines(std::string_view text) {
  static constexpr std::string_view kReadsOn = "+-*/^&|<>=!~,%";
  std::string joined;
  joined.reserve(text.size());
  std::string open;  // the brackets open at this point, innermost last
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t lineBreak = LineBreakAt(text, i);
    if (lineBreak > 0) {
      const char last = LastNonBlank(joined);
      const bool readsOn = (!open.empty() && open.back() != '{') ||
                           (last != 0 && kReadsOn.find(last) != kNone) ||
                           ElseFollows(text, i + lineBreak);
      joined.push_back(readsOn ? ' ' : ';');
      i += lineBreak;
      continue;
    }
    const std::size_t quoted = QuotedEnd(text, i);
    if (quoted > i) {
      joined.append(text.substr(i, quoted - i));
      i = quoted;
      continue;
    }
    const char ch = text[i++];
    if (ch == '(' || ch == '[' || ch == '{') open.push_back(ch);
    if ((ch == ')' || ch == ']' || ch == '}') && !open.empty()) open.pop_back();
    joined.push_back(ch);
  }
  return joined;
}

bool BareExpression(std::string_view statement) {
  for (const std::string_view mark : {"(", "{", ";", "=", "<-", "->"})
    if (statement.find(mark) != kNone) return false;
  return true;
}

bool AllBlank(std::string_view text) {
  for (const char ch : text)
    if (!Blank(ch) && ch != '\r' && ch != '\n') return false;
  return true;
}

// A name as one field of the table: tabs and line breaks would split it.
void AppendField(std::string& line, std::string_view name) {
  for (const char ch : name) line.push_back(ch == '\t' || ch == '\r' || ch == '\n' ? ' ' : ch);
}

bool WriteText(platform::FileReplacement& file, std::string& text) {
  const bool ok =
      file.Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  text.clear();
  return ok;
}

}  // namespace

RCommandText PrepareRCommand(std::string_view text) {
  RCommandText command;
  command.echo = StripComments(text);
  if (AllBlank(command.echo)) return command;
  const std::string joined = JoinLines(command.echo);
  command.statement = BareExpression(joined) ? "print(" + joined + ")" : "{" + joined + "}";
  return command;
}

std::string ConsoleStatement(std::string_view statement) {
  // The statement is a promise evaluated in the workspace, so its assignments land there.
  return "(function(v) if (v$visible) print(v$value))(withVisible(" + std::string(statement) + "))";
}

std::size_t WholeUtf8Length(std::string_view text) {
  // The last lead byte among the final four, and the length it announces.
  for (std::size_t back = 1; back <= 4 && back <= text.size(); ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? text.size() - back : text.size();
  }
  return text.size();
}

std::string SetWorkingFolderStatement(std::string_view folder) {
  return "setwd(" + platform::RStringLiteral(folder) + ")";
}

std::string RDataFrameName(std::string_view groupName) {
  const bool digitFirst = !groupName.empty() && groupName[0] >= '0' && groupName[0] <= '9';
  return platform::RSyntacticName(digitFirst ? "R" + std::string(groupName)
                                             : std::string(groupName));
}

std::string ExpressionFilePath(std::string_view folder, std::string_view groupName) {
  return platform::JoinPath(folder, std::string(groupName) + "_expression_R.txt");
}

bool WriteExpressionFile(const std::string& path, int* error) {
  platform::FileReplacement file;
  const auto failed = [&file, error] {
    if (error != nullptr) *error = file.Error();
    return false;
  };
  if (!file.Open(path)) return failed();
  const int samples = SampleGrouping.SampleCount();
  std::string text = "probe_set";
  for (int s = 0; s < samples; ++s) {
    text.push_back('\t');
    AppendField(text, SampleGrouping.SampleName(s));
  }
  text.push_back('\n');
  char number[64];
  for (std::size_t unit = 0; unit < Layout.units.size(); ++unit) {
    AppendField(text, Layout.units[unit].Name());
    for (int s = 0; s < samples; ++s) {
      double value = MISSING_VALUE;
      double se = 0.0;
      char call = 0;
      SampleGrouping.GetSampleValue(static_cast<int>(unit), s, &value, &se, &call);
      text.push_back('\t');
      if (value == MISSING_VALUE) continue;
      const auto written = std::to_chars(number, number + sizeof number, value);
      text.append(number, written.ptr);
    }
    text.push_back('\n');
    if (text.size() >= kWriteChunk && !WriteText(file, text)) return failed();
  }
  if (!WriteText(file, text) || !file.Commit()) return failed();
  return true;
}

std::vector<std::string> LoadExpressionStatements(std::string_view dataFrame,
                                                  std::string_view path) {
  const std::string name = platform::RStringLiteral(dataFrame);
  return {
      "assign(make.names(" + name + "), read.table(" + platform::RStringLiteral(path) +
          ", sep = '\\t', header = TRUE, row.names = 1, quote = \"\", comment.char = \"\"), "
          "envir = globalenv())",
      "print(dim(" + std::string(dataFrame) + ")) #dimension of the dataframe",
  };
}

std::vector<std::string> ExpressionHintLines(std::string_view dataFrame) {
  const std::string name(dataFrame);
  return {
      "# Expression data is now an R dataframe '" + name + "'; you can run R commands like these:",
      "# Column 1,2,... correspond to samples ordered in 'array list file'",
      "print(colnames(" + name + "))",
      "plot(" + name + "[,1]," + name + "[,2]);abline(0,1,col=3)",
      "pairs(" + name + ")",
      "boxplot(log(data.frame(" + name + ")))",
      "",
  };
}
