// Reading probe tab files: one probe per line (name, optional serial number, x, y,
// position); the position goes to the probe's cell and to the mismatch cell below it.
#include "engine/chip/probe_tab_reader.hpp"

#include <string_view>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

namespace {

bool ParseProbeLine(std::string_view text, bool serialColumn, int& x, int& y, int& position) {
  std::string_view name;
  int serial = 0;
  if (!ScanWord(text, name)) return false;
  if (serialColumn && !ScanInt(text, serial)) return false;
  return ScanInt(text, x) && ScanInt(text, y) && ScanInt(text, position);
}

}  // namespace

std::string ProbeTabPath(const std::string& cdfPath, bool keepUnderscore) {
  std::string name = platform::FileName(cdfPath);
  const std::string folder = cdfPath.substr(0, cdfPath.size() - name.size());
  if (!keepUnderscore) {
    const std::size_t underscore = name.find('_');
    if (underscore != std::string::npos) name[underscore] = '-';
  }
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  return folder + name + "_probe_tab";
}

bool ReadProbeTabFile(const std::string& cdfPath) {
  const LayoutWriting writing;
  platform::LineReader reader;
  std::string path = ProbeTabPath(cdfPath, false);
  if (!reader.Open(path, kLineBufferLength)) {
    if (platform::FileName(cdfPath).find('_') == std::string::npos) return false;
    path = ProbeTabPath(cdfPath, true);
    if (!reader.Open(path, kLineBufferLength)) return false;
  }
  LogMessage(
      MessageBuffer("    Reading probe tabular file %s for probe positions...", path.c_str()));
  LogMessage("      Line 0");

  std::string_view line;
  if (reader.Next(line) > platform::LineStatus::kCut) return true;
  const bool serialColumn = line.find("Serial Order") != std::string_view::npos;
  const int dimension = Layout.dimension;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    const auto lineNumber = static_cast<int>(reader.LineNumber());
    if (lineNumber % 100 == 0) {
      Progress().Pump();
      if (lineNumber % 10000 == 0)
        Progress().ShowProgress(MessageBuffer("      Line %d", lineNumber));
    }
    int x = 0;
    int y = 0;
    int position = 0;
    if (!ParseProbeLine(line, serialColumn, x, y, position)) continue;
    if (x < 0 || x >= dimension || y < 0 || y >= dimension) {
      LogMessage(MessageBuffer("      Error: cell(%d, %d) not valid on line %d", x, y, lineNumber),
                 0, kLogRed);
      continue;
    }
    if (!Layout.HasCells()) continue;
    Layout.Cell(x, y).value = position;
    if (y + 1 < dimension) Layout.Cell(x, y + 1).value = position;
  }
  return true;
}

bool FuzzReadProbeTabFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz_probe_tab", [](const std::string& path) {
    const std::string folder = path.substr(0, path.size() - platform::FileName(path).size());
    return ReadProbeTabFile(folder + "fuzz.cdf");
  });
}
