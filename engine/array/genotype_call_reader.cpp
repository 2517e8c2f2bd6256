// The genotype-call text file beside a SNP array's data file: one call per SNP, as
// allele pairs on arrays of kind 1 and as call words or codes on the other kinds.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "engine/array/chip_data.hpp"
#include "engine/array/chip_data_internal.hpp"
#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/line_reader.hpp"

namespace {

constexpr int kHeaderSearchLines = 21;
constexpr std::size_t kCallLineLength = 1 << 16;
constexpr int kProgressStep = 300;

const char* CallName(char call) {
  const auto code = static_cast<unsigned char>(call);
  // The names are literals, so each view ends in a null.
  return code < kSnpCallNames.size() ? kSnpCallNames[code].data() : "?";
}

bool IsHeaderLine(std::string_view line) {
  if (line.starts_with("#") || Contains(line, "GEO Accession viewer")) return false;
  return Contains(line, "Experiment\tLabel\tCall\tCall") ||
         (Contains(line, "Genotype") && !Contains(line, "Genotypes")) || Contains(line, "SNP ID") ||
         Contains(line, "SNPID") || Contains(line, "ID_REF");
}

// The name and call columns of the header (from 1); the name column 1 when none is
// marked, the call column 0 when none is.
void FindColumns(std::string_view header, int& nameColumn, int& callColumn) {
  nameColumn = 0;
  callColumn = 0;
  int column = 1;
  for (std::string_view rest = header;; ++column) {
    std::string_view field = rest;
    const bool more = CutAtTab(field, &rest);
    if (Contains(field, "Call") || Contains(field, "Genotype") || Contains(field, "VALUE")) {
      callColumn = column;
      break;
    }
    if (Contains(field, "SNP ID") || Contains(field, "VOSKID") || Contains(field, "SNPID") ||
        Contains(field, "ID_REF"))
      nameColumn = column;
    if (!more) break;
  }
  if (nameColumn == 0) nameColumn = 1;
}

// The call of an allele pair on arrays of kind 1; false for a first allele A followed by
// something other than A or B.
bool AllelePairCall(std::string_view first, std::string_view second, char& call) {
  if (first == "A") {
    if (second == "A") {
      call = kSnpCallA;
      return true;
    }
    if (second == "B") {
      call = kSnpCallAB;
      return true;
    }
    return false;
  }
  call = first == "B" ? kSnpCallB : kSnpCallNoCall;
  return true;
}

char CallOfWord(std::string_view word) {
  if (word == "AA" || word.starts_with("0")) return kSnpCallA;
  if (word == "AB" || word.starts_with("1")) return kSnpCallAB;
  if (word == "BB" || word.starts_with("2")) return kSnpCallB;
  return kSnpCallNoCall;
}

}  // namespace

bool CHIP_DATA::ReadGenotypeCallFile(const char* path) {
  if (calls.size() != static_cast<std::size_t>(Layout.unitCount) || triples.size() != calls.size())
    AllocateUnitTables();
  std::fill(calls.begin(), calls.end(), static_cast<char>(kSnpCallNoCall));
  const std::string dataFile = path;
  const std::size_t dot = dataFile.rfind('.');
  if (dot == std::string::npos) {
    LogMessage("    Error: TXT file name doesn't contain '.'", 0, kLogRed);
    return false;
  }
  // The two halves of a kind-1 array, named with a one-letter suffix, share one file.
  std::string stem = dataFile.substr(0, dot);
  if (ArrayType == 1 && !stem.empty()) stem.pop_back();
  const std::string textPath = stem + ".txt";

  platform::LineReader reader;
  if (!reader.Open(textPath, kCallLineLength)) {
    LogMessage(
        platform::WithReadFailure(
            MessageBuffer("    Kandorvale SNP call file '%s' not found; you may rename *.rpt "
                          "files to *.txt",
                          textPath.c_str()),
            reader.OpenFailure()),
        0, kLogRed);
    return false;
  }
  std::string_view line;
  bool found = false;
  std::string lastLine;
  for (int i = 0; i < kHeaderSearchLines; ++i) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    lastLine = line;
    if (IsHeaderLine(line)) {
      found = true;
      break;
    }
  }
  if (!found) {
    LogMessage(MessageBuffer("    '%s' does not seem to be a Kandorvale SNP call file (last read "
                             "line: '%s')",
                             textPath.c_str(), lastLine.c_str()),
               0, kLogRed);
    return false;
  }

  int nameColumn = 1;
  int callColumn = 0;
  if (ArrayType != 1) {
    FindColumns(line, nameColumn, callColumn);
    if (nameColumn < 1 || nameColumn >= callColumn) {
      LogMessage(MessageBuffer("    Cannot find SNP name or call column in header line of '%s'",
                               textPath.c_str()),
                 0, kLogRed);
      return false;
    }
  }

  LogMessage(MessageBuffer("    Found Kandorvale SNP call file '%s'", textPath.c_str()));
  LogMessage("      Unit 0");
  const bool allowUnknown = ArraySettings().ALLOW_TXT_HAS_UNKNOWN != 0;
  int counted = 0;
  int noCalls = 0;
  std::string shownName;
  char shownCall = kSnpCallNoCall;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (line.size() < 2) break;
    std::string_view name;
    char call = kSnpCallNoCall;
    int unit = -1;
    if (ArrayType == 1) {
      std::string_view rest = SkipPast(line, '\t');
      std::string_view first;
      std::string_view second;
      if (ScanWord(rest, name)) unit = FindUnit(name, true);
      if (unit < 0) {
        LogMessage(MessageBuffer("      Unit '%s' not found", std::string(name).c_str()), 0,
                   kLogRed);
        return false;
      }
      if (!ScanWord(rest, first)) first = {};
      if (!ScanWord(rest, second)) second = {};
      if (!AllelePairCall(first, second, call)) {
        LogMessage(MessageBuffer("      unknown SNP call: %s", std::string(line).c_str()), 0,
                   kLogRed);
        return false;
      }
    } else {
      std::string_view callField;
      // An empty name would match every probe set as a prefix.
      if (TabField(line, nameColumn, name) && !name.empty()) unit = FindUnit(name, false);
      if (unit < 0) {
        if (allowUnknown) continue;
        LogMessage(MessageBuffer("      Unit '%s' not found; Wrong TXT file, or check 'Open "
                                 "group/Options/Analysis/Allow TXT file has unknown probe sets'\n",
                                 std::string(name).c_str()),
                   0, kLogRed);
        return false;
      }
      call = TabField(line, callColumn, callField) ? CallOfWord(callField)
                                                   : static_cast<char>(kSnpCallNoCall);
    }
    calls[static_cast<std::size_t>(unit)] = call;
    ++counted;
    if (call == kSnpCallNoCall) ++noCalls;
    shownName = name;
    shownCall = call;
    if (counted % kProgressStep == 0)
      Progress().ShowProgress(
          MessageBuffer("      Unit %s: %s", shownName.c_str(), CallName(call)));
  }
  if (counted > 0)
    Progress().ShowProgress(
        MessageBuffer("      Unit %s: %s", shownName.c_str(), CallName(shownCall)));
  callPercent =
      counted > 0 ? 1.0f - static_cast<float>(noCalls) / static_cast<float>(counted) : 0.0f;
  return true;
}

bool FuzzReadGenotypeCallFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "array.txt", [](const std::string& path) {
    CHIP_DATA chip;
    chip.AllocateUnitTables();
    // Kind-1 arrays drop the letter before the extension.
    const std::string dataFile = ChangeExtension(path, ArrayType == 1 ? "B.CEL" : ".CEL");
    return chip.ReadGenotypeCallFile(dataFile.c_str());
  });
}
