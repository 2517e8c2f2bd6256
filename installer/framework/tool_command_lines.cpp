#include "installer/framework/tool_command_lines.hpp"

#include <string>

#include "installer/framework/text_functions.hpp"

namespace quellbrook {

namespace {

// Characters that end a word or start a redirection or another command on a batch line.
bool NeedsQuotes(std::string_view value) {
  return value.find_first_of(" \t<>|&^") != std::string_view::npos;
}

// Collects the line and remembers the first value that could not be written.
class LineBuilder {
 public:
  explicit LineBuilder(std::string* refused) : mRefused(refused) {}

  // Text of the format itself.
  LineBuilder& Text(std::string_view text) {
    mLine += text;
    return *this;
  }
  // A value where the format writes it bare: quoted only when it needs to be.
  LineBuilder& Value(std::string_view what, std::string_view value) {
    if (!Check(what, value)) return *this;
    if (NeedsQuotes(value)) return Quoted(what, value);
    mLine += value;
    return *this;
  }
  // A value the format writes in double quotes, or one inside quotes of the format.
  LineBuilder& Quoted(std::string_view what, std::string_view value) {
    if (!Check(what, value)) return *this;
    mLine += '"';
    mLine += value;
    mLine += '"';
    return *this;
  }
  LineBuilder& InsideQuotes(std::string_view what, std::string_view value) {
    if (Check(what, value)) mLine += value;
    return *this;
  }
  // An Oracle login, user/password@server: the tool finds the user before the first '/'
  // and the server after the last '@', so neither may hold those characters.
  LineBuilder& OracleLogin(const ToolLogin& login) {
    if (login.user.find_first_of("/@") != std::string::npos) return Refuse("user");
    if (login.server.find('@') != std::string::npos) return Refuse("server");
    return Value("user", login.user)
        .Text("/")
        .Value("password", login.password)
        .Text("@")
        .Value("server", login.server);
  }
  // The redirection that appends the tool's output to the file.
  LineBuilder& AppendTo(std::string_view outputFile) {
    return Text(" >> ").Quoted("output file", outputFile);
  }

  CommandLine Line() const {
    if (mFailed) return std::nullopt;
    return mLine;
  }

 private:
  bool Check(std::string_view what, std::string_view value) {
    if (mFailed) return false;
    if (!CannotBeQuoted(value)) return true;
    Refuse(what);
    return false;
  }
  LineBuilder& Refuse(std::string_view what) {
    if (!mFailed && mRefused != nullptr) *mRefused = what;
    mFailed = true;
    return *this;
  }

  std::string* mRefused;
  std::string mLine;
  bool mFailed = false;
};

LineBuilder& ToolInFolder(LineBuilder& line, std::string_view toolsFolder, std::string_view tool) {
  return line.Text("\"").InsideQuotes("tools folder", toolsFolder).Text("\\").Text(tool).Text("\"");
}

LineBuilder& SqlServerLogin(LineBuilder& line, const ToolLogin& login) {
  return line.Text(" -S")
      .Value("server", login.server)
      .Text(" -U")
      .Value("user", login.user)
      .Text(" -P")
      .Value("password", login.password);
}

// The SQL Server script tool, logged in and on the database, doing what task writes (a
// script to run or a query), its output 1024 wide without numbers appended to outputFile.
template <typename Task>
CommandLine SqlServerToolLine(std::string_view toolsFolder, const ToolLogin& login,
                              std::string_view database, std::string_view outputFile,
                              std::string* refused, const Task& task) {
  LineBuilder line(refused);
  ToolInFolder(line, toolsFolder, kSqlScriptTool);
  SqlServerLogin(line, login).Text(" -d").Value("database", database);
  task(line);
  line.Text(" -w1024 -n").AppendTo(outputFile);
  return line.Line();
}

}  // namespace

bool CannotBeQuoted(std::string_view value) {
  for (const char ch : value) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '"' || byte < 0x20 || byte == 0x7f) return true;
  }
  return false;
}

CommandLine SqlServerScriptCommand(std::string_view toolsFolder, const ToolLogin& login,
                                   std::string_view database, std::string_view script,
                                   std::string_view outputFile, std::string* refused) {
  return SqlServerToolLine(toolsFolder, login, database, outputFile, refused,
                           [&](LineBuilder& line) { line.Text(" -i").Quoted("script", script); });
}

CommandLine OracleScriptCommand(const ToolLogin& login, std::string_view script,
                                std::string_view outputFile, std::string* refused) {
  LineBuilder line(refused);
  line.Text(kOracleScriptTool)
      .Text(" -s ")
      .OracleLogin(login)
      .Text(" @")
      .Value("script", script)
      .AppendTo(outputFile);
  return line.Line();
}

CommandLine SqlServerProcedureCommand(std::string_view toolsFolder, const ToolLogin& login,
                                      std::string_view database, std::string_view procedure,
                                      std::string_view outputFile, std::string* refused) {
  return SqlServerToolLine(
      toolsFolder, login, database, outputFile, refused, [&](LineBuilder& line) {
        line.Text(" -Q\"EXEC ").InsideQuotes("procedure", procedure).Text("\"");
      });
}

CommandLine SqlServerBulkLoadCommand(std::string_view toolsFolder, const ToolLogin& login,
                                     std::string_view database, std::string_view table,
                                     std::string_view loadFile, std::string_view option,
                                     std::string_view outputFile, std::string* refused) {
  LineBuilder line(refused);
  ToolInFolder(line, toolsFolder, kBulkCopyTool);
  line.Text(" ")
      .Value("database", database)
      .Text("..")
      .Value("table", table)
      .Text(" in ")
      .Quoted("load file", loadFile)
      .Text(" ")
      .Text(option);
  SqlServerLogin(line, login).AppendTo(outputFile);
  return line.Line();
}

CommandLine OracleBulkLoadCommand(const ToolLogin& login, std::string_view option,
                                  std::string_view loadFile, std::string_view libraryFolder,
                                  std::string_view outputFile, std::string* refused) {
  // The folder loses trailing blanks, then trailing backslashes, before the file names
  // are joined to it.
  std::string folder = TrimRight(libraryFolder);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();

  LineBuilder line(refused);
  line.Text(kOracleLoaderTool)
      .Text(" ")
      .OracleLogin(login)
      .Text(" ")
      .Text(option)
      .Text(" data='")
      .Value("load file", loadFile)
      .Text("' log='")
      .Value("library folder", folder)
      .Text("\\")
      .Text(kOracleLoaderLog)
      .Text("' bad='")
      .Value("library folder", folder)
      .Text("\\")
      .Text(kOracleLoaderBadFile)
      .Text("' direct=true")
      .AppendTo(outputFile);
  return line.Line();
}

CommandLine OracleControlOption(std::string_view controlFile, std::string* refused) {
  LineBuilder line(refused);
  line.Text("control='").Value("control file", controlFile).Text("'");
  return line.Line();
}

}  // namespace quellbrook
