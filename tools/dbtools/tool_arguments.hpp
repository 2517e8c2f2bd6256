// The command-line forms the database tools share: options glued to their letter (-Sserver,
// a bare -P for an empty value), Oracle's user/password@server word, key='value' words,
// terminators written with backslash escapes, and reading an input file within a limit.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbtools {

// Scripts, format and control files, and load files are refused past these sizes.
inline constexpr std::size_t kMaxScriptBytes = std::size_t{16} << 20;
inline constexpr std::size_t kMaxLoadFileBytes = std::size_t{512} << 20;

struct GluedOptions {
  std::map<char, std::string> values;   // by option letter; a later one wins
  std::vector<std::string> positional;  // words that are not options, in order

  bool Has(char letter) const { return values.count(letter) != 0; }
  // The letter's value; empty when the option is not given.
  std::string Value(char letter) const {
    const auto found = values.find(letter);
    return found == values.end() ? std::string() : found->second;
  }
};
GluedOptions ParseGluedOptions(const std::vector<std::string>& words);
// The first option whose letter is not among `known`, as written ("-Z"); empty when every
// letter is known. A tool refuses such a line with its usage, as the real tools do.
std::string UnknownGluedOption(const GluedOptions& options, std::string_view known);
// The same told on standard output ("<tool>: unknown option -Z"); true when every letter is
// known.
bool GluedOptionsKnown(const GluedOptions& options, std::string_view tool, std::string_view known);

// The first key=value word whose key (in any case) is not among `known`, or word that is
// neither such a word nor the one positional word allowed (the first); empty when none.
std::string UnknownKeywordWord(const std::vector<std::string>& words,
                               std::initializer_list<std::string_view> known);

// user/password@server: the user ends at the first '/', the server starts after the last
// '@'. Nothing when either mark is missing or the user is empty.
struct OracleLogin {
  std::string user;
  std::string password;
  std::string server;
};
std::optional<OracleLogin> ParseOracleLogin(std::string_view word);

// The value of key=value words (key in any case), with one pair of surrounding single
// quotes removed; nothing when no word has the key.
std::optional<std::string> KeywordValue(const std::vector<std::string>& words,
                                        std::string_view key);

// A terminator as written on a command line or in a format file: \t, \n, \r, \0, \\ and \"
// stand for their characters. Nothing for an empty terminator or an unknown escape.
std::optional<std::string> DecodeTerminator(std::string_view written);

// The whole file (backslashes in the path count as separators); false, with the reason in
// error, when it can't be read or is larger than limit.
[[nodiscard]] bool ReadToolFile(std::string_view path, std::size_t limit, std::string& text,
                                std::string& error);

// Writes text whole to the file a tool's command line names, replacing it; the system's
// error number when it cannot be written, else 0.
[[nodiscard]] int WriteToolFile(std::string_view path, std::string_view text);

// The tool's arguments after the program name.
std::vector<std::string> ArgumentWords(int argc, char** argv);

}  // namespace dbtools
