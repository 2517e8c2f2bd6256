#include "tools/dbtools/bulk_records.hpp"

#include <cstdlib>

#include "installer/framework/text_functions.hpp"
#include "tools/dbtools/sql_text.hpp"
#include "tools/dbtools/tool_arguments.hpp"

namespace dbtools {

namespace {

// Words of a format file line; a double-quoted word keeps its backslash escapes.
std::optional<std::vector<std::string>> FormatWords(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    if (line[i] == '"') {
      std::string word = "\"";
      ++i;
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '\\' && i + 1 < line.size()) word.push_back(line[i++]);
        word.push_back(line[i++]);
      }
      if (i == line.size()) return std::nullopt;
      ++i;
      words.push_back(word);
      continue;
    }
    const std::size_t begin = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    words.emplace_back(line.substr(begin, i - begin));
  }
  return words;
}

std::optional<long> WholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (const char ch : text)
    if (ch < '0' || ch > '9') return std::nullopt;
  return std::strtol(text.c_str(), nullptr, 10);
}

}  // namespace

std::optional<std::vector<BulkField>> ParseFormatFile(std::string_view text, std::string& error) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string line = quellbrook::TrimText(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty()) lines.push_back(std::move(line));
  }
  if (lines.size() < 2) {
    error = "format file ends before its field count";
    return std::nullopt;
  }
  const std::optional<long> count = WholeNumber(lines[1]);
  if (!count || *count < 1 || static_cast<std::size_t>(*count) != lines.size() - 2) {
    error = "format file names " + lines[1] + " fields and describes " +
            std::to_string(lines.size() - 2);
    return std::nullopt;
  }
  std::vector<BulkField> fields;
  for (std::size_t i = 2; i < lines.size(); ++i) {
    const std::optional<std::vector<std::string>> words = FormatWords(lines[i]);
    const std::string where = "format file field line " + std::to_string(i - 1);
    if (!words || words->size() < 7) {
      error = where + ": 7 or 8 columns expected";
      return std::nullopt;
    }
    const std::vector<std::string>& w = *words;
    const std::optional<long> order = WholeNumber(w[0]);
    const std::optional<long> prefix = WholeNumber(w[2]);
    const std::optional<long> length = WholeNumber(w[3]);
    const std::optional<long> column = WholeNumber(w[5]);
    if (!order || *order != static_cast<long>(i - 1)) {
      error = where + ": host field order " + w[0] + " out of sequence";
      return std::nullopt;
    }
    if (quellbrook::UpperText(w[1]) != "SQLCHAR" || !prefix || *prefix != 0 || !length || !column) {
      error = where + ": only SQLCHAR fields without a prefix are taken";
      return std::nullopt;
    }
    if (w[4].size() < 1 || w[4][0] != '"') {
      error = where + ": the terminator must be quoted";
      return std::nullopt;
    }
    const std::optional<std::string> terminator = DecodeTerminator(w[4].substr(1));
    if (!terminator) {
      error = where + ": terminator " + w[4] + "\" can't be read";
      return std::nullopt;
    }
    fields.push_back({*terminator, static_cast<std::size_t>(*length), static_cast<int>(*column)});
  }
  return fields;
}

BulkRecordReader::Result BulkRecordReader::Next(std::vector<std::string>& values,
                                                std::string& error) {
  values.clear();
  if (mPosition >= mData.size()) return Result::kEnd;
  ++mRecord;
  const auto skipToLineEnd = [&] {
    const std::size_t end = mData.find('\n', mPosition);
    mPosition = end == std::string_view::npos ? mData.size() : end + 1;
  };
  for (const BulkField& field : mFields) {
    std::size_t end = std::string_view::npos;
    std::size_t length = field.terminator.size();
    if (field.terminator == "\r\n" || field.terminator == "\n") {
      end = mData.find('\n', mPosition);
      length = 1;
      if (end != std::string_view::npos && end > mPosition && mData[end - 1] == '\r') {
        --end;
        length = 2;
      }
    } else {
      end = mData.find(field.terminator, mPosition);
    }
    if (end == std::string_view::npos) {
      // The last record may lack its final line end.
      const bool lastField = &field == &mFields.back();
      if (!lastField || field.terminator.find('\n') == std::string::npos) {
        error = "record " + std::to_string(mRecord) + " ends before all its fields";
        mPosition = mData.size();
        return Result::kBad;
      }
      end = mData.size();
      length = 0;
    }
    std::string value(mData.substr(mPosition, end - mPosition));
    mPosition = end + length;
    if (field.maxLength > 0 && value.size() > field.maxLength) {
      error = "record " + std::to_string(mRecord) + ": a field is longer than " +
              std::to_string(field.maxLength) + " characters";
      if (field.terminator.find('\n') == std::string::npos) skipToLineEnd();
      return Result::kBad;
    }
    values.push_back(std::move(value));
  }
  return Result::kRecord;
}

}  // namespace dbtools
