#include "tools/dbtools/loader_control.hpp"

#include <cctype>
#include <cstdlib>

#include "installer/framework/text_functions.hpp"
#include "tools/dbtools/sql_text.hpp"

namespace dbtools {

namespace {

struct Token {
  enum class Kind { kWord, kString, kHex, kPunctuation };
  Kind kind;
  std::string text;  // a word upper-cased as Upper gives it, a string without its quotes
  std::string original;
};

std::optional<std::vector<Token>> Tokenize(std::string_view text, std::string& error) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    const char ch = text[i];
    if (std::isspace(static_cast<unsigned char>(ch)) != 0) {
      ++i;
      continue;
    }
    if (ch == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      const std::size_t end = text.find('\n', i);
      i = end == std::string_view::npos ? text.size() : end;
      continue;
    }
    const bool hex = (ch == 'X' || ch == 'x') && i + 1 < text.size() && text[i + 1] == '\'';
    if (ch == '\'' || ch == '"' || hex) {
      const std::size_t open = hex ? i + 1 : i;
      const std::size_t close = text.find(text[open], open + 1);
      if (close == std::string_view::npos) {
        error = "control file has an unclosed quote";
        return std::nullopt;
      }
      const std::string inside(text.substr(open + 1, close - open - 1));
      tokens.push_back({hex ? Token::Kind::kHex : Token::Kind::kString, inside, inside});
      i = close + 1;
      continue;
    }
    if (ch == '(' || ch == ')' || ch == ',') {
      tokens.push_back({Token::Kind::kPunctuation, std::string(1, ch), std::string(1, ch)});
      ++i;
      continue;
    }
    const std::size_t begin = i;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) == 0 &&
           text[i] != '(' && text[i] != ')' && text[i] != ',' && text[i] != '\'' && text[i] != '"')
      ++i;
    const std::string word(text.substr(begin, i - begin));
    tokens.push_back({Token::Kind::kWord, quellbrook::UpperText(word), word});
  }
  return tokens;
}

// A field length of up to 9 digits, above 0.
std::optional<std::size_t> FieldLength(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (const char ch : text)
    if (ch < '0' || ch > '9') return std::nullopt;
  const std::size_t length = std::strtoul(text.c_str(), nullptr, 10);
  if (length == 0) return std::nullopt;
  return length;
}

std::optional<std::string> HexText(const std::string& hex) {
  if (hex.empty() || hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    if (std::isxdigit(static_cast<unsigned char>(hex[i])) == 0 ||
        std::isxdigit(static_cast<unsigned char>(hex[i + 1])) == 0)
      return std::nullopt;
    bytes.push_back(static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  return bytes;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, std::string& error)
      : mTokens(std::move(tokens)), mError(error) {}

  std::optional<LoaderControl> Parse() {
    LoaderControl control;
    if (IsWord("OPTIONS")) {
      ++mAt;
      if (!SkipParenthesised()) return Fail("OPTIONS clause is not closed");
    }
    if (!Take("LOAD")) return Fail("LOAD DATA expected");
    (void)Take("DATA");
    while (mAt < mTokens.size() && !IsWord("INTO")) {
      if (Take("INFILE") || Take("DATAFILE")) {
        if (mAt < mTokens.size() && mTokens[mAt].kind == Token::Kind::kString)
          control.dataFile = mTokens[mAt++].text;
        else if (IsWord("*"))
          ++mAt;
        else
          return Fail("file name expected after INFILE");
      } else if (!TakeMethod(control)) {
        return Fail("unknown word " + mTokens[mAt].original + " before INTO TABLE");
      }
    }
    if (!Take("INTO") || !Take("TABLE")) return Fail("INTO TABLE expected");
    if (mAt >= mTokens.size() || mTokens[mAt].kind != Token::Kind::kWord)
      return Fail("table name expected");
    control.table = mTokens[mAt++].original;
    (void)TakeMethod(control);
    if (!Take("FIELDS") || !Take("TERMINATED") || !Take("BY"))
      return Fail("FIELDS TERMINATED BY expected");
    std::optional<std::string> terminator = Characters();
    if (!terminator) return Fail("terminator expected after TERMINATED BY");
    control.terminator = *terminator;
    if (Take("OPTIONALLY") || IsWord("ENCLOSED")) {
      if (!Take("ENCLOSED") || !Take("BY")) return Fail("ENCLOSED BY expected");
      std::optional<std::string> enclosure = Characters();
      if (!enclosure) return Fail("enclosure expected after ENCLOSED BY");
      control.enclosure = *enclosure;
    }
    if (Take("TRAILING")) {
      if (!Take("NULLCOLS")) return Fail("NULLCOLS expected after TRAILING");
      control.trailingNullColumns = true;
    }
    if (!TakePunctuation("(")) return Fail("column list expected");
    while (!TakePunctuation(")")) {
      if (mAt >= mTokens.size() || mTokens[mAt].kind != Token::Kind::kWord)
        return Fail("column name expected");
      LoaderColumn column{mTokens[mAt++].original, false, kDefaultLoaderFieldLength};
      // The rest of the column's description, to the comma at this depth.
      int depth = 0;
      while (mAt < mTokens.size()) {
        const Token& token = mTokens[mAt];
        if (token.kind == Token::Kind::kPunctuation && depth == 0 &&
            (token.text == "," || token.text == ")"))
          break;
        if (token.kind == Token::Kind::kPunctuation && token.text == "(") ++depth;
        if (token.kind == Token::Kind::kPunctuation && token.text == ")") --depth;
        if (token.kind == Token::Kind::kWord && token.text == "FILLER") column.filler = true;
        if (depth == 0 && token.kind == Token::Kind::kWord && token.text == "CHAR" &&
            mAt + 3 < mTokens.size() && mTokens[mAt + 1].text == "(" &&
            mTokens[mAt + 3].text == ")") {
          const std::optional<std::size_t> length = FieldLength(mTokens[mAt + 2].text);
          if (!length) return Fail("CHAR length of column " + column.name + " can't be read");
          column.maxLength = *length;
        }
        ++mAt;
      }
      if (mAt >= mTokens.size()) return Fail("column list is not closed");
      control.columns.push_back(std::move(column));
      (void)TakePunctuation(",");
    }
    if (control.columns.empty()) return Fail("column list is empty");
    if (mAt != mTokens.size())
      return Fail("unexpected " + mTokens[mAt].original + " after the column list");
    return control;
  }

 private:
  bool IsWord(std::string_view word) const {
    return mAt < mTokens.size() && mTokens[mAt].kind == Token::Kind::kWord &&
           mTokens[mAt].text == word;
  }
  bool Take(std::string_view word) {
    if (!IsWord(word)) return false;
    ++mAt;
    return true;
  }
  bool TakePunctuation(std::string_view mark) {
    if (mAt >= mTokens.size() || mTokens[mAt].kind != Token::Kind::kPunctuation ||
        mTokens[mAt].text != mark)
      return false;
    ++mAt;
    return true;
  }
  bool TakeMethod(LoaderControl& control) {
    if (Take("INSERT"))
      control.method = LoaderControl::Method::kInsert;
    else if (Take("APPEND"))
      control.method = LoaderControl::Method::kAppend;
    else if (Take("REPLACE"))
      control.method = LoaderControl::Method::kReplace;
    else if (Take("TRUNCATE"))
      control.method = LoaderControl::Method::kTruncate;
    else
      return false;
    return true;
  }
  bool SkipParenthesised() {
    if (!TakePunctuation("(")) return false;
    for (int depth = 1; mAt < mTokens.size(); ++mAt) {
      if (mTokens[mAt].kind != Token::Kind::kPunctuation) continue;
      if (mTokens[mAt].text == "(") ++depth;
      if (mTokens[mAt].text == ")" && --depth == 0) {
        ++mAt;
        return true;
      }
    }
    return false;
  }
  std::optional<std::string> Characters() {
    if (mAt >= mTokens.size()) return std::nullopt;
    const Token& token = mTokens[mAt];
    std::optional<std::string> text;
    if (token.kind == Token::Kind::kString && !token.text.empty()) text = token.text;
    if (token.kind == Token::Kind::kHex) text = HexText(token.text);
    if (token.kind == Token::Kind::kWord && token.text == "WHITESPACE") text = " ";
    if (text) ++mAt;
    return text;
  }
  std::optional<LoaderControl> Fail(const std::string& why) {
    mError = why;
    return std::nullopt;
  }

  std::vector<Token> mTokens;
  std::size_t mAt = 0;
  std::string& mError;
};

}  // namespace

std::optional<LoaderControl> ParseLoaderControl(std::string_view text, std::string& error) {
  std::optional<std::vector<Token>> tokens = Tokenize(text, error);
  if (!tokens) return std::nullopt;
  return Parser(std::move(*tokens), error).Parse();
}

std::vector<std::string> SplitLoaderRecord(std::string_view line, const LoaderControl& control) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  const std::string& term = control.terminator;
  const std::string& enclosure = control.enclosure;
  for (;;) {
    std::string field;
    if (!enclosure.empty() && line.substr(i, enclosure.size()) == enclosure) {
      const std::size_t close = line.find(enclosure, i + enclosure.size());
      if (close != std::string_view::npos) {
        field = std::string(line.substr(i + enclosure.size(), close - i - enclosure.size()));
        i = close + enclosure.size();
        const std::size_t next = line.find(term, i);
        if (next == std::string_view::npos) {
          fields.push_back(std::move(field));
          return fields;
        }
        i = next + term.size();
        fields.push_back(std::move(field));
        continue;
      }
    }
    const std::size_t next = line.find(term, i);
    if (next == std::string_view::npos) {
      fields.emplace_back(line.substr(i));
      return fields;
    }
    fields.emplace_back(line.substr(i, next - i));
    i = next + term.size();
  }
}

}  // namespace dbtools
