#include "tools/dbtools/tool_arguments.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "installer/framework/batch_line.hpp"
#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/text_bytes.hpp"

namespace dbtools {

GluedOptions ParseGluedOptions(const std::vector<std::string>& words) {
  GluedOptions options;
  for (const std::string& word : words) {
    if (word.size() >= 2 && word[0] == '-')
      options.values[word[1]] = word.substr(2);
    else
      options.positional.push_back(word);
  }
  return options;
}

std::string UnknownGluedOption(const GluedOptions& options, std::string_view known) {
  for (const auto& [letter, value] : options.values)
    if (known.find(letter) == std::string_view::npos) return std::string("-") + letter;
  return {};
}

bool GluedOptionsKnown(const GluedOptions& options, std::string_view tool, std::string_view known) {
  const std::string unknown = UnknownGluedOption(options, known);
  if (unknown.empty()) return true;
  std::printf("%.*s: unknown option %s\n", static_cast<int>(tool.size()), tool.data(),
              unknown.c_str());
  return false;
}

std::string UnknownKeywordWord(const std::vector<std::string>& words,
                               std::initializer_list<std::string_view> known) {
  bool positional = false;
  for (const std::string& word : words) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos) {
      if (positional || word.starts_with("-")) return word;
      positional = true;
      continue;
    }
    const std::string_view key = std::string_view(word).substr(0, equals);
    const auto same = [key](std::string_view name) { return platform::EqualsNoCase(key, name); };
    if (std::none_of(known.begin(), known.end(), same)) return word;
  }
  return {};
}

std::optional<OracleLogin> ParseOracleLogin(std::string_view word) {
  const std::size_t slash = word.find('/');
  const std::size_t at = word.rfind('@');
  if (slash == std::string_view::npos || at == std::string_view::npos || at < slash || slash == 0)
    return std::nullopt;
  return OracleLogin{std::string(word.substr(0, slash)),
                     std::string(word.substr(slash + 1, at - slash - 1)),
                     std::string(word.substr(at + 1))};
}

std::optional<std::string> KeywordValue(const std::vector<std::string>& words,
                                        std::string_view key) {
  for (const std::string& word : words) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos || !platform::EqualsNoCase(word.substr(0, equals), key))
      continue;
    std::string value = word.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return std::nullopt;
}

std::optional<std::string> DecodeTerminator(std::string_view written) {
  std::string decoded;
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (written[i] != '\\') {
      decoded.push_back(written[i]);
      continue;
    }
    if (++i == written.size()) return std::nullopt;
    switch (written[i]) {
      case 't':
        decoded.push_back('\t');
        break;
      case 'n':
        decoded.push_back('\n');
        break;
      case 'r':
        decoded.push_back('\r');
        break;
      case '0':
        decoded.push_back('\0');
        break;
      case '\\':
        decoded.push_back('\\');
        break;
      case '"':
        decoded.push_back('"');
        break;
      default:
        return std::nullopt;
    }
  }
  if (decoded.empty()) return std::nullopt;
  return decoded;
}

bool ReadToolFile(std::string_view path, std::size_t limit, std::string& text, std::string& error) {
  const std::string file = quellbrook::ToolPath(path);
  if (!platform::FileExists(file)) {
    error = "cannot open file " + std::string(path);
    return false;
  }
  const std::optional<platform::ByteBuffer> bytes = platform::ReadWholeFile(file, limit);
  if (!bytes) {
    error = "cannot read file " + std::string(path) + " (unreadable or larger than " +
            std::to_string(limit) + " bytes)";
    return false;
  }
  text.assign(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  return true;
}

int WriteToolFile(std::string_view path, std::string_view text) {
  int error = 0;
  if (platform::WriteWholeFile(quellbrook::ToolPath(path), platform::TextBytes(text), &error))
    return 0;
  return error != 0 ? error : EIO;
}

std::vector<std::string> ArgumentWords(int argc, char** argv) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  return words;
}

}  // namespace dbtools
