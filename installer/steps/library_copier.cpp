#include "installer/steps/library_copier.hpp"

#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "installer/framework/copied_files.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/progress_window.hpp"
#include "installer/framework/text_functions.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

namespace fs = std::filesystem;

// A damaged INI could ask for billions of entries; no shipped list comes near this.
constexpr int kMaxListedCount = 9999;

class CopyReport {
 public:
  explicit CopyReport(const std::string& log) : mLog(log) {}

  void Fail(const std::string& detail) {
    WriteLogLine(mLog, std::string(MessageText(kCopyFilesFailed)) + " " + detail, kLogError);
    mFailed = true;
  }
  void RefuseName(std::string_view name, std::string_view where) {
    Fail(FormatText("The name '%.*s' in %.*s would leave the library folder.",
                    static_cast<int>(name.size()), name.data(), static_cast<int>(where.size()),
                    where.data()));
  }
  int Result() const { return mFailed ? kThereAreErrors : kCopyDone; }

 private:
  const std::string& mLog;
  bool mFailed = false;
};

// One copy call's window and report; finishing closes the window and keeps what it showed.
struct CopyRun {
  CopyRun(const std::string& log, const std::string& progressText)
      : window(FindTopLevelWindow(ParentWindowName()), "", 1), report(log) {
    window.SetText("%s", progressText.c_str());
  }
  int Finish(std::vector<std::string>& events) {
    window.DestroyWindow();
    events = window.Events();
    return report.Result();
  }

  ProgressWindow window;
  CopyReport report;
};

// A link on either side would carry the copy outside the library: a source link is copied
// as whatever it points at, and a link at the destination is written through. Both are
// refused. An earlier copy is removed rather than written into, so a read-only copy of an
// earlier run is replaced and a file it shares its data with (a hard link) is left as it is.
bool CopyOne(const std::string& from, const std::string& to, CopyReport& report) {
  std::error_code error;
  const fs::file_status source = fs::symlink_status(from, error);
  if (fs::is_symlink(source)) {
    report.Fail(FormatText("%s is a link; links are not copied.", from.c_str()));
    return false;
  }
  if (!fs::is_regular_file(source)) {
    report.Fail(FormatText("%s was not found.", from.c_str()));
    return false;
  }
  const fs::file_status target = fs::symlink_status(to, error);
  if (fs::is_symlink(target)) {
    report.Fail(FormatText("%s is a link; it is not written through.", to.c_str()));
    return false;
  }
  if (fs::exists(target) && (!fs::is_regular_file(target) || !fs::remove(to, error))) {
    report.Fail(FormatText("%s could not be replaced: %s.", to.c_str(),
                           error ? error.message().c_str() : "not a file"));
    return false;
  }
  // Without overwriting, the copy makes a new file and fails on anything that appeared there.
  if (!fs::copy_file(from, to, fs::copy_options::none, error)) {
    report.Fail(FormatText("%s could not be copied to %s: %s.", from.c_str(), to.c_str(),
                           error.message().c_str()));
    return false;
  }
  NoteCopiedFile(to);
  return true;
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0)
    text.remove_prefix(1);
  return text;
}

// True when the first line of the mask file that holds more than blanks names the type.
bool MaskNamesType(const std::string& path, std::string_view arrayType) {
  platform::LineReader reader;
  if (!reader.Open(path, kMaskLineLength)) return false;
  std::string_view line;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError)
      return false;
    line = TrimLeft(line);
    if (line.empty()) continue;
    return status == platform::LineStatus::kWhole && platform::EqualsNoCase(line, arrayType);
  }
}

// "<type>.*" as the file system matches it: the bare name, or the name and an extension.
bool MatchesTypePattern(std::string_view name, std::string_view arrayType) {
  if (name.size() < arrayType.size()) return false;
  if (!platform::EqualsNoCase(name.substr(0, arrayType.size()), arrayType)) return false;
  return name.size() == arrayType.size() || name[arrayType.size()] == '.';
}

// The INI must lie inside the source folder, on a path that climbs nowhere.
bool InsideFolder(const std::string& folder, const std::string& path) {
  if (folder.empty() || path.size() <= folder.size() + 1) return false;
  if (path.compare(0, folder.size(), folder) != 0) return false;
  const char separator = path[folder.size()];
  if (separator != '/' && separator != '\\') return false;
  return IsRelativeLibraryPath(std::string_view(path).substr(folder.size() + 1));
}

// The first folder below base on the way to base/relative that is a link; empty when none is.
std::string LinkedFolder(const std::string& base, const std::string& relative) {
  std::string path = base;
  for (std::size_t start = 0; start < relative.size();) {
    std::size_t end = relative.find_first_of("/\\", start);
    if (end == std::string::npos) end = relative.size();
    if (end > start) {
      path = platform::JoinPath(path, relative.substr(start, end - start));
      std::error_code error;
      if (fs::is_symlink(fs::symlink_status(path, error))) return path;
    }
    start = end + 1;
  }
  return {};
}

}  // namespace

int LibFileCopier::CopyListedFiles(std::string subFolder, std::string iniPath,
                                   std::string progressText) {
  CopyRun run(logPath, progressText);
  ProgressWindow& window = run.window;
  CopyReport& report = run.report;
  auto finish = [&] { return run.Finish(mProgressEvents); };
  if (!IsRelativeLibraryPath(subFolder)) {
    report.RefuseName(subFolder, iniPath);
    return finish();
  }
  if (!InsideFolder(sourceFolder, iniPath)) {
    report.RefuseName(iniPath, sourceFolder);
    return finish();
  }

  const platform::ProfileText ini = platform::ProfileText::Read(iniPath);
  const int groups = ini.Int(kProtocolsSection, "NumProtocols", 0);
  if (groups > kMaxListedCount) {
    report.Fail(FormatText("%s lists %d protocols; at most %d are read.", iniPath.c_str(), groups,
                           kMaxListedCount));
    return finish();
  }
  const auto filesKey = [](int group) { return FormatText("Protocol%dNumFiles", group); };
  // Each protocol's count held to what the file can hold, a file that could list more
  // files than kMaxIniEntries in all is refused before anything is copied.
  int listed = 0;
  for (int group = 1; group <= groups; ++group) {
    if (ini.Int(kProtocolsSection, filesKey(group), 0) > kMaxListedCount) continue;
    listed += ini.Count(kProtocolsSection, filesKey(group), 0);
    if (listed > kMaxIniEntries) {
      report.Fail(TooManyIniEntries("files", iniPath));
      return finish();
    }
  }
  if (groups > 0) WriteLogLine(logPath, progressText, kLogInfo);
  const std::string fromFolder =
      platform::JoinPath(platform::JoinPath(sourceFolder, subFolder), kLibFilesFolder);
  if (const std::string link =
          LinkedFolder(sourceFolder, platform::JoinPath(subFolder, kLibFilesFolder));
      !link.empty()) {
    report.Fail(FormatText("%s is a link; links are not copied.", link.c_str()));
    return finish();
  }
  std::string attribute = "RW";
  for (int group = 1; group <= groups; ++group) {
    const int claimed = ini.Int(kProtocolsSection, filesKey(group), 0);
    if (claimed > kMaxListedCount) {
      report.Fail(FormatText("%s lists %d files in protocol %d; at most %d are read.",
                             iniPath.c_str(), claimed, group, kMaxListedCount));
      continue;
    }
    const int files = ini.Count(kProtocolsSection, filesKey(group), 0);
    window.SetRange(0, groups * files, 1);
    window.Show();
    for (int file = 1; file <= files; ++file) {
      window.StepIt();
      const std::string name = ini.String(
          kProtocolsSection, FormatText("Protocol%dFile%d", group, file), "", kListedFileNameSize);
      if (name.empty()) continue;
      // An entry without its own attribute takes the one read before it in this call.
      attribute = ini.String(kProtocolsSection, FormatText("Protocol%dAttr%d", group, file),
                             attribute, kListedFileNameSize);
      if (!IsPlainLibraryName(name)) {
        report.RefuseName(name, iniPath);
        continue;
      }
      const std::string to = platform::JoinPath(destFolder, name);
      if (CopyOne(platform::JoinPath(fromFolder, name), to, report))
        SetReadOnlyAttribute(to, attribute);
    }
  }
  return finish();
}

int LibFileCopier::CopyTypeFiles(std::string fromFolder, std::string toFolder,
                                 std::string arrayType, std::string progressText) {
  mProgressEvents.clear();
  if (platform::EqualsNoCase(fromFolder, toFolder)) return kCopyDone;
  CopyRun run(logPath, progressText);
  ProgressWindow& window = run.window;
  CopyReport& report = run.report;
  auto finish = [&] { return run.Finish(mProgressEvents); };
  if (!IsPlainLibraryName(arrayType)) {
    report.RefuseName(arrayType, fromFolder);
    return finish();
  }
  if (!platform::FolderExists(fromFolder)) {
    report.Fail(FormatText("The folder %s was not found.", fromFolder.c_str()));
    return finish();
  }

  const std::vector<std::string> listed = platform::ListFolderSorted(fromFolder);
  std::vector<std::string> names;
  for (const std::string& name : listed)
    if (MatchesTypePattern(name, arrayType)) names.push_back(TrimText(name));
  for (const std::string& name : listed)
    if (platform::EqualsNoCase(platform::Extension(name), kMaskPattern) &&
        MaskNamesType(platform::JoinPath(fromFolder, name), arrayType))
      names.push_back(name);

  window.SetRange(0, static_cast<int>(names.size()), 1);
  window.Show();
  for (const std::string& name : names) {
    const std::string from = platform::JoinPath(fromFolder, name);
    const std::string to = platform::JoinPath(toFolder, name);
    std::error_code error;
    const fs::perms permissions = fs::status(from, error).permissions();
    if (CopyOne(from, to, report)) {
      fs::permissions(to, permissions, fs::perm_options::replace, error);
      if (error)
        report.Fail(FormatText("The attributes of %s could not be set: %s.", to.c_str(),
                               error.message().c_str()));
    }
    window.StepIt();
  }
  return finish();
}

}  // namespace quellbrook
