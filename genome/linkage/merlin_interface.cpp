// Files are built whole in memory (a chromosome's ped file is persons x markers x 4 bytes)
// and each replaces the old one only when complete.
#include "genome/linkage/merlin_interface.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/chip/cdf_layout.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "engine/services/logged_replacement.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_files.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/linkage/inheritance_likelihood.hpp"
#include "platform/line_reader.hpp"

namespace {

constexpr std::array<const char*, 4> kMerlinGenotypes = {"1/1", "2/2", "1/2", "0/0"};

bool WriteWhole(const std::string& path, const std::string& text, const char* what) {
  if (!ReplaceFileTextOrLog(
          path, std::string("    Writing ") + what + " file '" + path + "' failed", text))
    return false;
  LogMessage(std::string("    Write ") + what + " file '" + path + "'");
  return true;
}

std::string UnitName(int unit) {
  return std::string(Layout.units[static_cast<std::size_t>(unit)].Name());
}

}  // namespace

MerlinFiles MerlinFileNames(const std::string& folder, const std::string& group) {
  const std::string stem = folder + "/" + group + "_merlin_";
  return {stem + "ped.txt", stem + "dat.txt", stem + "map.txt", stem + "result.txt"};
}

std::vector<int> ChromosomeMarkers(const CHROMOSOME& chro, int index) {
  std::vector<int> units;
  if (index < 0 || index >= MAX_CHRO_NUM) return units;
  for (const PositionEntry& entry : genome_info.posList[static_cast<std::size_t>(index)])
    if (entry.index >= 0 && entry.index < chro.unitCount &&
        static_cast<std::size_t>(entry.index) < Layout.units.size())
      units.push_back(entry.index);
  return units;
}

bool IsColumnSafeName(const std::string& name) {
  return !name.empty() && name.find_first_of(" \t\r\n") == std::string::npos;
}

bool WriteMerlinInputs(const std::vector<PedigreePerson>& persons, const CHROMOSOME& chro,
                       int index, const std::vector<int>& markers, const MerlinFiles& files) {
  for (const int unit : markers)
    if (!IsColumnSafeName(UnitName(unit))) {
      LogMessage(MessageBuffer(kUnsafeNameMessage, UnitName(unit).c_str()), 0, kLogRed);
      return false;
    }
  if (genome_info.Unit.empty()) {
    LogMessage("    Error: !genome_info.Unit", 0, kLogRed);
    return false;
  }

  std::string ped;
  ped.reserve(persons.size() * (32 + 4 * markers.size()));
  for (const PedigreePerson& p : persons) {
    for (const int v : {p.family, p.person, p.father, p.mother, p.sex, p.affection})
      ped.append(std::to_string(v)).append("\t");
    const bool typed = p.array >= 0 && p.array < chro.sampleCount && !chro.calls.Empty();
    for (const int unit : markers) {
      const int call = typed ? chro.calls.Row(p.array)[unit] : kNoCall;
      ped.append(kMerlinGenotypes[static_cast<std::size_t>(call >= 0 && call < 4 ? call : kNoCall)])
          .append("\t");
    }
    ped += '\n';
  }
  if (!WriteWhole(files.ped, ped, "ped")) return false;

  std::string dat = "A disease\n";
  for (const int unit : markers) dat.append("M ").append(UnitName(unit)).append("\n");
  if (!WriteWhole(files.dat, dat, "dat")) return false;

  std::string map = std::string(kMerlinMapHeader) + "\n";
  for (const int unit : markers) {
    map.append(std::to_string(index + 1)).append("\t").append(UnitName(unit)).append("\t");
    AppendExactFloat(map, genome_info.Unit[static_cast<std::size_t>(unit)].second);
    map += '\n';
  }
  return WriteWhole(files.map, map, "map");
}

std::string MerlinProgramPath(const std::string& folder, const std::string& program) {
  const std::string plain = folder + "/" + program;
  std::error_code ignored;
  if (std::filesystem::is_regular_file(plain, ignored)) return plain;
  const std::string windows = plain + ".exe";
  return std::filesystem::is_regular_file(windows, ignored) ? windows : plain;
}

std::vector<std::string> PedstatsArguments(const std::string& program, const MerlinFiles& files) {
  return {program, "-d", files.dat, "-p", files.ped};
}

std::vector<std::string> MerlinArguments(const std::string& program, const MerlinFiles& files) {
  return {program, "-d",      files.dat,       "-p",    files.ped,
          "-m",    files.map, "--markerNames", "--npl", "--quiet"};
}

bool ReadMerlinResult(const std::string& path, CHROMOSOME& chro, const std::vector<int>& markers) {
  platform::LineReader reader;
  if (!OpenLinesOrLog(reader, path, kResultLineLength,
                      "    Reading MERLIN result file '" + path + "' failed"))
    return false;
  std::string_view line;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError ||
        line.empty()) {
      LogMessage(kNoLinkageMessage, 0, kLogRed);
      return false;
    }
    if (line.find(kResultPhenotypeMark) != std::string_view::npos) break;
  }
  for (int k = 0; k < kResultSkippedLines; ++k)
    if (reader.Next(line) == platform::LineStatus::kEnd) break;
  LogMessage("    Obtained Merlin Kong and Cox Zmean score for visualization");

  // The scores are read aside and taken only from a table that holds every marker asked for
  // and does not end inside a marker's line: an output cut short (a full disk, a killed
  // run) must not pass for a whole one with its last markers missing.
  std::vector<char> asked(static_cast<std::size_t>(std::max(chro.unitCount, 0)), 0);
  std::size_t askedCount = 0;
  for (const int unit : markers) {
    askedCount += asked[static_cast<std::size_t>(unit)] == 0;
    asked[static_cast<std::size_t>(unit)] = 1;
  }
  std::vector<std::pair<int, float>> scores;
  int noNumberLines = 0;
  std::size_t named = 0;
  bool lastLineCut = false;
  std::string lastName;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    const std::string text(line);
    std::array<char, kResultLineLength + 1> name{};
    float zmean = 0, other1 = 0, other2 = 0, other3 = 0;
    const int fields =
        std::sscanf(text.c_str(), "%1000s%f%f%f%f", name.data(), &zmean, &other1, &other2, &other3);
    const int unit = fields >= 1 ? FindUnit(name.data(), true) : -1;
    const bool marker = unit >= 0 && unit < chro.unitCount;
    if (marker && asked[static_cast<std::size_t>(unit)] == 1) {
      asked[static_cast<std::size_t>(unit)] = 2;
      ++named;
    }
    // A marker's line without its five columns, unless its scores are "na".
    lastLineCut = marker && fields != 5 && text.find(" na") == std::string::npos;
    lastName = name.data();
    // A line the numbers do not follow (a table's footer, "na" scores) names no score;
    // taking the line before's numbers for it would give its marker another's score.
    if (fields != 5 || !marker) continue;
    // nan, inf and 1e999 (read as inf) would make the curve's range and threshold
    // nothing a picture can scale to: the marker's score stays missing.
    if (!std::isfinite(zmean)) {
      ++noNumberLines;
      continue;
    }
    if (IsMissing(zmean)) continue;
    scores.emplace_back(unit, zmean);
  }
  if (lastLineCut) {
    LogMessage(MessageBuffer(kResultCutMessage, path.c_str(), lastName.c_str()), 0, kLogRed);
    return false;
  }
  if (named < askedCount) {
    const auto missing = std::find_if(markers.begin(), markers.end(), [&](int unit) {
      return asked[static_cast<std::size_t>(unit)] == 1;
    });
    LogMessage(MessageBuffer(kResultMarkersMissingMessage, path.c_str(), askedCount - named,
                             askedCount, UnitName(*missing).c_str()),
               0, kLogRed);
    return false;
  }
  for (const int unit : markers)
    chro.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall] = kMissingValueFloat;
  float& low = chro.Min[kDataCall];
  float& high = chro.Max[kDataCall];
  for (const auto& [unit, zmean] : scores) {
    chro.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall] = zmean;
    low = std::min(low, zmean);
    high = std::max(high, zmean);
  }
  if (noNumberLines > 0)
    LogMessage(MessageBuffer(kNoNumberZmeanMessage, noNumberLines, path.c_str()), 0, kLogRed);
  chro.Threshold[kDataCall] = (low + high) / 2;
  chro.dataType = kDataCall;
  return true;
}
