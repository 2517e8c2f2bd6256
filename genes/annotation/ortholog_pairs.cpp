#include "genes/annotation/ortholog_pairs.hpp"

#include <ostream>
#include <string>

#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "engine/services/logged_replacement.hpp"
#include "genes/annotation/annotation_import.hpp"
#include "platform/file_replacement.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"
#include "platform/replacement_stream.hpp"

bool OrthologLine::Read(std::string_view line, std::string_view chipType) {
  mLengths = {};
  int token = 0;
  bool inToken = false;
  for (const char c : line) {
    if (c == '"') continue;
    const bool separator =
        c == ',' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    if (separator) {
      if (inToken && ++token == 4) break;
      inToken = false;
      continue;
    }
    inToken = true;
    const auto t = static_cast<std::size_t>(token);
    if (mLengths[t] < kOrthologTokenLength) mTokens[t][mLengths[t]++] = c == ' ' ? '_' : c;
  }
  if (inToken && token < 4) ++token;
  return token == 4 && platform::EqualsNoCase(Token(3), chipType);
}

bool MakeCommonProbeSetFile(ANNOT_IMPORT& record) {
  platform::LineReader lines;
  if (!OpenLinesOrLog(lines, record.csvPath, kAnnotationLineLength,
                      MessageBuffer(kReadOrthologCsvFailedMessage, record.csvPath.c_str())))
    return false;
  platform::FileReplacement file;
  const auto writeFailed = [&record, &file] {
    return LogWriteFailure(MessageBuffer(kWriteInfoFileFailedMessage, record.outputPath.c_str()),
                           file.Error());
  };
  if (!file.Open(record.outputPath)) return writeFailed();
  platform::ReplacementBuffer buffer(file);
  std::ostream out(&buffer);
  out << record.chipType << '\t' << record.otherArrayType << '\n';
  record.pairCount = 0;
  std::string_view line;
  lines.Next(line);  // the header
  LogMessage("  Parsing line 0");
  OrthologLine pair;
  for (platform::LineStatus status; (status = lines.Next(line)) != platform::LineStatus::kEnd;) {
    if (status == platform::LineStatus::kError) {
      LogMessage(MessageBuffer(kReadOrthologCsvFailedMessage, record.csvPath.c_str()), 0, kLogRed);
      return false;
    }
    if (status == platform::LineStatus::kCut) {
      LogMessage(MessageBuffer(kCsvLineTooLongMessage, static_cast<long long>(lines.LineNumber()),
                               record.csvPath.c_str(), kAnnotationLineLength),
                 0, kLogRed);
      return false;
    }
    if (pair.Read(line, record.otherArrayType)) {
      out << pair.ProbeSet() << '\t' << pair.Ortholog() << '\n';
      ++record.pairCount;
    }
    if ((lines.LineNumber() - 1) % kOrthologProgressStep == 0)
      Progress().ShowProgress(
          MessageBuffer("  Parsing line %lld", static_cast<long long>(lines.LineNumber() - 1)));
  }
  if (record.pairCount == 0) {
    LogMessage(MessageBuffer(kNoOrthologPairsMessage, record.otherArrayType.c_str()), 0, kLogRed);
    return false;
  }
  if (!buffer.Flush() || !file.Commit()) return writeFailed();
  LogMessage(
      MessageBuffer(kOrthologPairsSavedMessage, record.pairCount, record.outputPath.c_str()));
  return true;
}
