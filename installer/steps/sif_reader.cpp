#include "installer/steps/sif_reader.hpp"

#include <cstdio>
#include <string_view>

#include "installer/framework/install_log.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

namespace quellbrook {

namespace {

constexpr const char* kLibFilesFolder = "LibFiles";

std::string_view SkipBlanks(std::string_view line) {
  const std::size_t start = line.find_first_not_of(" \t");
  return start == std::string_view::npos ? std::string_view() : line.substr(start);
}

bool Safe(std::string_view value) {
  return value.find_first_of(";\r\n") == std::string_view::npos;
}

// The file's lines as the sequence file is read: lines with nothing on them are skipped.
class SifLines {
 public:
  bool Open(const std::string& path) { return mFile.Open(path, kSifLineLimit); }
  void OpenBuffer(std::string_view bytes) { mFile.OpenBuffer(bytes, kSifLineLimit); }
  // False at the end; cut tells a line longer than the read limit.
  bool Next(std::string_view& line, bool& cut) {
    for (;;) {
      const platform::LineStatus status = mFile.Next(line);
      if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError)
        return false;
      cut = status == platform::LineStatus::kCut;
      if (line.empty()) continue;
      return true;
    }
  }

 private:
  platform::LineReader mFile;
};

// Skips the header part, then writes a record per probe set, with warnings for sequences that
// can't be installed. False with the error when a name line is too long or a value holds
// the separator.
bool ReadSifLines(SifLines& file, const std::string& type, const std::string& where,
                  LoadFileOutput& output, SifReader& reader, std::string& error) {
  std::string_view line;
  bool cut = false;
  bool inBody = false;
  while (!inBody && file.Next(line, cut)) inBody = SkipBlanks(line).substr(0, 1) == ";";
  while (inBody && file.Next(line, cut)) {
    const std::string_view stripped = SkipBlanks(line);
    const std::size_t mark = stripped.find('>');
    if (mark == std::string_view::npos) continue;
    if (cut) {
      error = FormatText("A probe set name line of %s is longer than %zu characters.",
                         where.c_str(), kSifLineLimit);
      return false;
    }
    const std::string name(stripped.substr(mark + 1));
    if (!file.Next(line, cut)) break;
    const std::string sequence = TrimText(line);
    if (cut || sequence.size() > kSifMaxSequenceLength) {
      WriteLogLine(reader.logPath,
                   FormatText("Cannot install sequence for probe set %s for %s.  The sequence "
                              "length is longer than %zu.",
                              name.c_str(), type.c_str(), kSifMaxSequenceLength),
                   kLogWarning);
      reader.warningFlag = 1;
      continue;
    }
    if (sequence.empty()) {
      WriteLogLine(reader.logPath,
                   FormatText("Cannot install sequence for probe set %s for %s.  The sequence "
                              "is empty.",
                              name.c_str(), type.c_str()),
                   kLogWarning);
      reader.warningFlag = 1;
      continue;
    }
    if (!Safe(name) || !Safe(sequence)) {
      error = FormatText("The probe set '%s' of %s holds the load file's separator '%c'.",
                         name.c_str(), where.c_str(), kLoadFileSeparator);
      return false;
    }
    output.Field(type, kLoadFileSeparator);
    output.Field(name, kLoadFileSeparator);
    output.Field(sequence, '\n');
    ++reader.recordCount;
  }
  return true;
}

}  // namespace

int SifReader::RunSifRead() {
  std::remove(outputFile.c_str());
  if (ReadSifFile(typeName, typeFolder) != 0) return 0;
  return writeFailed != 0 ? kWriteIntermediateFilesFailed : kSifReadFailed;
}

int SifReader::ReadSifFile(const std::string& type, const std::string& folder) {
  recordCount = 0;
  writeFailed = 0;
  if (!IsPlainLibraryName(type) || !Safe(type) ||
      (!folder.empty() && !IsRelativeLibraryPath(folder))) {
    WriteLogLine(logPath,
                 FormatText("The array type '%s' or its folder '%s' leaves the library folder.",
                            type.c_str(), folder.c_str()),
                 kLogError);
    return 0;
  }
  const std::string path = platform::JoinPath(
      platform::JoinPath(platform::JoinPath(sourceFolder, folder), kLibFilesFolder), type + ".SIF");
  if (!platform::FileExists(path)) {
    WriteLogLine(logPath, FormatMessageText(kDevicesFileMissing, path.c_str()), kLogError);
    return 0;
  }
  sifPath = path;
  SifLines file;
  if (!file.Open(path)) {
    WriteLogLine(logPath, FormatMessageText(kSifReadFailed, path.c_str()), kLogError);
    return 0;
  }
  bool unwritten = false;
  const int read = WriteLoadFile(
      outputFile, logPath, recordCount,
      [&](LoadFileOutput& output, std::string& error) {
        return ReadSifLines(file, type, path, output, *this, error);
      },
      &unwritten);
  writeFailed = unwritten ? 1 : 0;
  return read;
}

std::size_t FuzzReadSif(const std::uint8_t* data, std::size_t size) {
  SifReader reader;
  LoadFileOutput output;
  if (!output.Open(kSifDiscardFile)) return 0;
  SifLines file;
  file.OpenBuffer(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string error;
  ReadSifLines(file, "Chip", "the input", output, reader, error);
  output.Close();
  return static_cast<std::size_t>(reader.recordCount);
}

}  // namespace quellbrook
