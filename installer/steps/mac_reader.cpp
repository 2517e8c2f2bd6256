#include "installer/steps/mac_reader.hpp"

#include <cstdio>
#include <string_view>

#include "installer/framework/install_log.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/steps/load_file_output.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

namespace quellbrook {

namespace {

constexpr std::string_view kVariablePrefix = "VAR:";

// The second comma-separated piece, trimmed; empty when the line has no comma.
std::string VariableValue(std::string_view line) {
  const std::size_t first = line.find(',');
  if (first == std::string_view::npos) return {};
  const std::string_view rest = line.substr(first + 1);
  return TrimText(rest.substr(0, rest.find(',')));
}

bool Safe(std::string_view value) {
  return value.find_first_of(";\r\n") == std::string_view::npos;
}

// Appends a record per variable line: false with the error when a line is too long or
// can't be read, or a value holds the separator.
bool ReadMacLines(platform::LineReader& file, const std::string& protocol, const std::string& where,
                  LoadFileOutput& output, int& count, std::string& error) {
  std::string_view line;
  for (platform::LineStatus status; (status = file.Next(line)) != platform::LineStatus::kEnd;) {
    if (status != platform::LineStatus::kWhole) {
      error =
          status == platform::LineStatus::kCut
              ? FormatText("Line %lld of %s is longer than %zu characters.",
                           static_cast<long long>(file.LineNumber()), where.c_str(), kMacLineLimit)
              : std::string(MessageText(kMacReadFailed));
      return false;
    }
    if (line.substr(0, kVariablePrefix.size()) != kVariablePrefix) continue;
    const std::string value = VariableValue(line);
    if (!Safe(value)) {
      error = FormatText("The value '%s' of %s holds the load file's separator '%c'.",
                         value.c_str(), where.c_str(), kLoadFileSeparator);
      return false;
    }
    output.Field(protocol, kLoadFileSeparator);
    output.Field(value, '\n');
    ++count;
  }
  return true;
}

}  // namespace

int MacReader::RunMacRead() {
  std::remove(outputFile.c_str());
  if (ReadMacFile(protocolName) != 0) return 0;
  return writeFailed != 0 ? kWriteIntermediateFilesFailed : kMacReadFailed;
}

int MacReader::ReadMacFile(const std::string& protocol) {
  recordCount = 0;
  writeFailed = 0;
  if (!platform::FileExists(macPath)) {
    WriteLogLine(logPath, FormatMessageText(kDevicesFileMissing, macPath.c_str()), kLogError);
    return 0;
  }
  if (!Safe(protocol)) {
    WriteLogLine(logPath,
                 FormatText("The protocol name '%s' holds the load file's separator '%c'.",
                            protocol.c_str(), kLoadFileSeparator),
                 kLogError);
    return 0;
  }
  bool unwritten = false;
  const int read = WriteLoadFile(
      outputFile, logPath, recordCount,
      [&](LoadFileOutput& output, std::string& error) {
        platform::LineReader file;
        if (!file.Open(macPath, kMacLineLimit)) {
          error = MessageText(kMacReadFailed);
          return false;
        }
        return ReadMacLines(file, protocol, macPath, output, recordCount, error);
      },
      &unwritten);
  writeFailed = unwritten ? 1 : 0;
  return read;
}

std::size_t FuzzReadMac(const std::uint8_t* data, std::size_t size) {
  LoadFileOutput output;
  if (!output.Open(kMacDiscardFile)) return 0;
  platform::LineReader file;
  file.OpenBuffer(std::string_view(reinterpret_cast<const char*>(data), size), kMacLineLimit);
  int count = 0;
  std::string error;
  ReadMacLines(file, "Protocol", "the input", output, count, error);
  output.Close();
  return static_cast<std::size_t>(count);
}

}  // namespace quellbrook
