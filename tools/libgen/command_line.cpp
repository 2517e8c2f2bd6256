#include "tools/libgen/command_line.hpp"

#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/standard_contents.hpp"

namespace libgen {

namespace {

constexpr const char* kUsage =
    "usage: zelko-libgen skeleton|library FOLDER [--types NAME[=FOLDER],...] [--no-devices] "
    "[--no-algorithms]";

bool ParseTypes(const std::string& list, std::vector<ArrayType>& types) {
  types.clear();
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string item = list.substr(start, end - start);
    const std::size_t equals = item.find('=');
    ArrayType type{item.substr(0, equals),
                   equals == std::string::npos ? item.substr(0, equals) : item.substr(equals + 1)};
    if (type.name.empty()) return false;
    types.push_back(std::move(type));
    start = end + 1;
  }
  return true;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::string& message) {
  const auto refuse = [&message](const std::string& why) {
    message = why + "\n" + kUsage;
    return 2;
  };
  // Asked for anywhere, the usage is the whole answer: nothing is written.
  for (const std::string& argument : arguments)
    if (argument == "--help" || argument == "-h") {
      message = kUsage;
      return 0;
    }
  if (arguments.empty()) return refuse("a command is needed");
  if (arguments[0] != "skeleton" && arguments[0] != "library")
    return refuse("unknown command " + arguments[0]);
  if (arguments.size() < 2 || arguments[1].empty()) return refuse("a folder is needed");
  // An option where the folder belongs is no folder name.
  if (arguments[1].starts_with("-")) return refuse("unknown option " + arguments[1]);
  LibrarySpec spec = StandardLibrary();
  for (std::size_t at = 2; at < arguments.size(); ++at) {
    const std::string& option = arguments[at];
    if (option == "--no-devices") {
      spec.devicesFile = false;
    } else if (option == "--no-algorithms") {
      spec.algorithmFile = false;
    } else if (option == "--types") {
      if (at + 1 == arguments.size()) return refuse("--types needs a value");
      if (!ParseTypes(arguments[++at], spec.types)) {
        message = "an array type needs a name: " + arguments[at];
        return 2;
      }
    } else {
      return refuse("unknown option " + option);
    }
  }
  message.clear();
  const LibraryFolder library(arguments[1], spec);
  if (arguments[0] == "library") return WriteStandardLibrary(library, message) ? 0 : 1;
  return library.Write(message) ? 0 : 1;
}

}  // namespace libgen
