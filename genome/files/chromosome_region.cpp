#include "genome/files/chromosome_region.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <string_view>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "engine/services/logged_replacement.hpp"
#include "genome/files/chromosome_files.hpp"
#include "genome/files/region_summary.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/genome_text.hpp"
#include "platform/line_reader.hpp"

CHRO_REGION chro_region;

using genome_text::LeadingInt;
using genome_text::NextField;

namespace {

bool IsCytobandLine(std::string_view line) {
  return Contains(line, "chr1") && Contains(line, "gneg");
}

}  // namespace

void CHRO_REGION::Clear() {
  std::vector<CHRO_REGION_ITEM>().swap(items);
  count = 0;
  totalMarkers = 0;
}

bool CHRO_REGION::ReadRegionFile(const std::string& path) {
  Clear();
  if (IsNone(path)) return false;
  platform::LineReader reader;
  if (!OpenLinesOrLog(reader, path, kRegionLineLength,
                      "  Reading chromosome region file '" + path + "' failed"))
    return false;
  LogMessage("  Reading chromosome region file '" + path + "'...");
  try {
    items.reserve(kMaxRegionItems);
  } catch (const std::bad_alloc&) {
    LogMessage(kRegionFileAllocationMessage, 0, kLogRed);
    return false;
  }
  const int groups = std::max(SampleGrouping.GroupCount(), 0);

  std::string_view line;
  platform::LineStatus status = reader.Next(line);
  if (!IsTextLine(status)) line = {};
  if (IsCytobandLine(line)) {
    // A cytoband table: its first line is already a region.
  } else if (line.starts_with(kRegionFileHeader)) {
    status = reader.Next(line);
  } else {
    LogMessage(kNotRegionFileMessage + std::string(line), 0, kLogRed);
    return false;
  }
  JobProgress& progress = Progress();
  for (; IsTextLine(status); status = reader.Next(line)) {
    if (line.empty()) break;
    if (count == kMaxRegionItems) {
      LogMessage(MessageBuffer(kRegionFileLimitMessage, static_cast<int>(reader.LineNumber()) - 1),
                 0, kLogRed);
      break;
    }
    std::string_view rest = line;
    std::string_view chroField = NextField(rest);
    if (line.front() == 'c') chroField.remove_prefix(std::min<std::size_t>(3, chroField.size()));
    const int chro = chroField.empty() ? -1 : genome_info.GetChroIndex(chroField);
    if (chro < 0 || chro >= MAX_CHRO_NUM) {
      LogMessage(kRegionFileChromosomeMessage, 0, kLogRed);
      return false;
    }
    CHRO_REGION_ITEM region;
    region.chromosomeIndex = chro;
    region.begin = static_cast<float>(LeadingInt(NextField(rest)));
    region.end = static_cast<float>(LeadingInt(NextField(rest)));
    region.name = genome_info.GetChroName(chro);
    const std::string_view label = genome_text::TrimRight(NextField(rest));
    if (!label.empty()) region.name.append(":").append(label);
    if (region.name.size() > kRegionNameLength) region.name.resize(kRegionNameLength);
    try {
      region.groupMeans.assign(static_cast<std::size_t>(groups), 0.0f);
      items.push_back(std::move(region));
    } catch (const std::bad_alloc&) {
      LogMessage(kRegionFileAllocationMessage, 0, kLogRed);
      Clear();
      return false;
    }
    ++count;
    if (count % 100 == 0) progress.Pump();
  }
  return AssignRegionMarkers();
}

bool CHRO_REGION::AssignRegionMarkers() {
  totalMarkers = 0;
  for (CHRO_REGION_ITEM& region : items) {
    region.first = region.last = -1;
    region.markerCount = 0;
    if (region.chromosomeIndex < 0 || region.chromosomeIndex >= MAX_CHRO_NUM) continue;
    const auto& list = genome_info.posList[static_cast<std::size_t>(region.chromosomeIndex)];
    for (std::size_t k = 0; k < list.size(); ++k) {
      const float pos = list[k].pos;
      if (pos > region.end) break;
      if (region.first < 0) {
        if (pos < region.begin) continue;
        region.first = static_cast<int>(k);
      }
      region.last = static_cast<int>(k);
      ++region.markerCount;
    }
  }
  std::erase_if(items, [](const CHRO_REGION_ITEM& region) { return region.markerCount == 0; });
  count = static_cast<int>(items.size());
  for (const CHRO_REGION_ITEM& region : items) totalMarkers += region.markerCount;
  LogMessage(MessageBuffer(kRegionFileFoundMessage, count, totalMarkers));
  LogMessage("");
  return count > 0;
}

std::string RegionFileText(const std::vector<CHRO_REGION_ITEM>& regions) {
  std::string text = std::string(kRegionFileHeader) + "\n";
  for (const CHRO_REGION_ITEM& region : regions) {
    std::string label = region.name;
    std::replace_if(
        label.begin(), label.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; },
        ' ');
    text += genome_info.GetChroName(region.chromosomeIndex);
    text += MessageBuffer("\t%.0f\t%.0f\t", std::floor(static_cast<double>(region.begin)),
                          std::ceil(static_cast<double>(region.end)));
    text += label;
    text += '\n';
  }
  return text;
}

bool WriteRegionFile(const std::string& path, const std::vector<CHRO_REGION_ITEM>& regions) {
  return ReplaceFileTextOrLog(path, MessageBuffer(kRegionSummaryFailedMessage, path.c_str()),
                              RegionFileText(regions));
}

bool FuzzReadRegionFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "regions.txt", [](const std::string& path) {
    CHRO_REGION regions;
    return regions.ReadRegionFile(path);
  });
}
