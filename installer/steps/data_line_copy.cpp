#include "installer/steps/data_line_copy.hpp"

#include <algorithm>
#include <cstdio>

#include "installer/framework/text_functions.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/line_reader.hpp"

namespace quellbrook {

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
  std::FILE* out = std::fopen(loadFile, "w");
  if (out == nullptr) return false;
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
    if (std::fwrite(line.data(), 1, line.size(), out) != line.size() ||
        std::fputc('\n', out) == EOF) {
      written = false;
      break;
    }
    ++count;
  }
  if (std::fclose(out) != 0) written = false;
  return written;
}

}  // namespace quellbrook
