#include "installer/steps/data_line_copy.hpp"

#include <cerrno>

#include <algorithm>
#include <cstdio>

#include "installer/framework/text_functions.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/file_replacement.hpp"
#include "platform/line_reader.hpp"

namespace quellbrook {
namespace {

constexpr std::size_t kLoadFileChunk = std::size_t{1} << 20;

}  // namespace

void RemoveLoadFile(const char* loadFile) {
  (void)SetReadOnlyAttribute(loadFile, "");
  std::remove(loadFile);
}

bool CopyDataLines(const std::string& sourcePath, const char* loadFile, int fields, int& count,
                   std::string& refusal) {
  count = 0;
  refusal.clear();
  RemoveLoadFile(loadFile);
  platform::LineReader reader;
  if (!reader.Open(sourcePath, kMaxDataLineBytes)) return false;
  // The load file appears only once whole; its lines gather a megabyte at a time.
  platform::FileReplacement out;
  if (!out.Open(loadFile)) {
    errno = out.Error();
    return false;
  }
  std::string pending;
  const auto flush = [&out, &pending] {
    const bool flushed =
        out.Write({reinterpret_cast<const std::uint8_t*>(pending.data()), pending.size()});
    pending.clear();
    return flushed;
  };
  bool written = true;
  for (;;) {
    std::string_view line;
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd) break;
    if (status == platform::LineStatus::kError) {
      written = false;
      break;
    }
    const long long number = static_cast<long long>(reader.LineNumber());
    if (status == platform::LineStatus::kCut) {
      refusal = FormatText("Line %lld of %s is longer than %zu bytes.", number, sourcePath.c_str(),
                           kMaxDataLineBytes);
      written = false;
      break;
    }
    if (line.empty()) continue;
    const auto found = 1 + std::count(line.begin(), line.end(), kLoadFileSeparator);
    if (found != fields) {
      refusal = FormatText("Line %lld of %s has %d fields where %d are expected.", number,
                           sourcePath.c_str(), static_cast<int>(found), fields);
      written = false;
      break;
    }
    pending.append(line).push_back('\n');
    if (pending.size() >= kLoadFileChunk && !flush()) {
      written = false;
      break;
    }
    ++count;
  }
  if (written && flush() && out.Commit()) return true;
  if (out.Error() != 0) errno = out.Error();
  return false;
}

}  // namespace quellbrook
