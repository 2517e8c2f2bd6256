#include "genome/info/genome_info.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/base/wildcard.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/unit_name_index.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/services/job_progress.hpp"
#include "genes/info/gene_info.hpp"
#include "genome/info/analysis_flag.hpp"
#include "genome/info/genome_text.hpp"
#include "genome/info/reference_genotypes.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

GENOME_INFO genome_info;
GENOME_INFO refgene_info;

using genome_text::LeadingDouble;
using genome_text::LeadingFiniteFloat;
using genome_text::LeadingInt;
using genome_text::NextField;

namespace {

constexpr std::array<std::string_view, 6> kFlyNames = {"X", "2L", "2R", "3L", "3R", "4"};
constexpr std::array<std::string_view, 16> kYeastNames = {"I",    "II",   "III", "IV", "V",  "VI",
                                                          "VII",  "VIII", "IX",  "X",  "XI", "XII",
                                                          "XIII", "XIV",  "XV",  "XVI"};

int AutosomeCount(int species) {
  switch (species) {
    case kMouse:
      return 19;
    case kRat:
      return 20;
    default:
      return 22;
  }
}

template <std::size_t N>
int TableIndex(const std::array<std::string_view, N>& table, std::string_view name) {
  for (std::size_t i = 0; i < N; ++i)
    if (platform::EqualsNoCase(table[i], name)) return static_cast<int>(i);
  return -1;
}

// The chromosome part of a field such as "chr1" or "chr1_random": three letters skipped
// after a leading 'c', cut at the first '_'.
std::string_view ChromosomeText(std::string_view field) {
  if (!field.empty() && field.front() == 'c')
    field.remove_prefix(std::min<std::size_t>(3, field.size()));
  return field.substr(0, field.find('_'));
}

void CopyText(char (&out)[kGenomeTextSize], std::string_view text) {
  const std::size_t n = std::min<std::size_t>(text.size(), kGenomeTextSize - 1);
  std::copy_n(text.data(), n, out);
  out[n] = '\0';
}

void LogRed(std::string_view text) {
  LogMessage(text, 0, kLogRed);
}

}  // namespace

void ClampProbability(float* v, float eps) {
  if (*v < eps) *v = eps;
  if (*v > 1 - eps) *v = 1 - eps;
}

int GENOME_INFO::GetChroIndex(std::string_view name) const {
  if (name.empty()) return -1;
  const int autosomes = AutosomeCount(species);
  const char first = name.front();
  if (first >= '0' && first <= '9') return LeadingInt(name) - 1;
  if (first == 'X') return autosomes;
  if (first == 'Y') return autosomes + 1;
  return -1;
}

int GENOME_INFO::XChroIndex() const {
  switch (species) {
    case kFly:
      return TableIndex(kFlyNames, "X");
    case kYeast:
      return -1;  // its "X" is the tenth chromosome, not a sex chromosome
    default:
      return AutosomeCount(species);
  }
}

std::string GENOME_INFO::GetChroName(int index) const {
  if (species == kFly)
    return index >= 0 && index < static_cast<int>(kFlyNames.size())
               ? std::string(kFlyNames[static_cast<std::size_t>(index)])
               : std::string();
  if (species == kYeast)
    return index >= 0 && index < static_cast<int>(kYeastNames.size())
               ? std::string(kYeastNames[static_cast<std::size_t>(index)])
               : std::string();
  const int autosomes = AutosomeCount(species);
  if (index == autosomes) return "X";
  if (index == autosomes + 1) return "Y";
  return std::to_string(index + 1);
}

void GENOME_INFO::Clear() {
  std::vector<UNIT_POS>().swap(Unit);
  stretchList.clear();
  refGeneCount = 0;
  std::vector<REFGENE_ENTRY>().swap(refGenes);
  fileName.clear();
  refGeneKeyword.clear();
  for (auto& list : posList) std::vector<PositionEntry>().swap(list);
  chroLength.fill(0);
  chroCount.fill(0);
  genomeLength = 0;
  totalCount = 0;
  genomeOrder.clear();
  NumChro = 0;
  lastRefGene = -1;
  std::vector<CYTOBAND>().swap(bands);
  bandCount = 0;
  bandStart.fill(0);
  centromere.fill(0);
  cytobandFileName.clear();
  mLastHit = -1;
}

bool GENOME_INFO::ReadGenomeInfoFile(const std::string& path) {
  std::vector<UNIT_POS>().swap(Unit);
  fileName.clear();
  refGeneKeyword.clear();
  NumChro = 0;
  lastRefGene = -1;
  refGeneCount = 0;
  species = kHuman;
  if (ArrayType == 0) {
    const std::string upper = UpperCase(path);
    if (Contains(upper, kFlyChipWord))
      species = kFly;
    else if (Contains(upper, kYeastChipWord))
      species = kYeast;
    else if (Contains(upper, kMouseChipWord))
      species = kMouse;
    else if (Contains(upper, kRatChipWord))
      species = kRat;
  }

  platform::LineReader reader;
  if (!genome_text::OpenTableOrLog(reader, path, kGenomeInfoLineLength, "genome information"))
    return false;
  const std::string_view header = genome_text::HeaderLine(reader);
  if (!(Contains(header, "chromosome") || Contains(header, "Chromosome")) ||
      !Contains(path, "genome")) {
    LogRed(std::string(kNotGenomeInfoFileMessage) + std::string(header) + "'");
    return false;
  }

  try {
    Unit.assign(static_cast<std::size_t>(std::max(Layout.unitCount, 0)), UNIT_POS{});
  } catch (const std::bad_alloc&) {
    LogRed(kGenomeInfoAllocationMessage);
    return false;
  }

  const bool snpArray = ArrayType != 0;
  const bool allowUnknown = TheGroup().Settings().ALLOW_TXT_HAS_UNKNOWN != 0;
  UnitNameIndex names(Layout);
  JobProgress& progress = Progress();
  const RaisedWhenIdle raised;
  LogMessage("    Gene 0");
  int read = 0;
  int unknown = 0;
  int nonFinite = 0;
  std::string_view line;
  while (genome_text::NextTableLine(reader, line)) {
    std::string_view rest = line;
    const std::string_view name = genome_text::TrimRight(NextField(rest));
    const int unit = names.Find(name);
    if (unit < 0) {
      ++unknown;
      if (!allowUnknown && unknown > kMaxUnknownGenomeUnits) {
        LogRed(kUnknownGenomeUnitsMessage);
        break;
      }
    } else {
      UNIT_POS& u = Unit[static_cast<std::size_t>(unit)];
      u = UNIT_POS{};
      const std::string_view chroField = ChromosomeText(NextField(rest));
      int chro = -1;
      if (!chroField.empty()) {
        if (species == kFly)
          chro = TableIndex(kFlyNames, chroField);
        else if (species == kYeast)
          chro = TableIndex(kYeastNames, chroField);
        else
          chro = GetChroIndex(chroField);
      }
      if (chro >= 0) {
        NumChro = std::max(NumChro, chro + 1);
        if (NumChro >= MAX_CHRO_NUM) {
          LogRed(kTooManyChromosomesMessage + std::string(name));
          std::vector<UNIT_POS>().swap(Unit);
          NumChro = 0;
          return false;
        }
      }
      // A number that is not finite is missing: a position of it would leave the unit
      // nowhere in its chromosome's order.
      bool finite = true;
      const auto number = [&finite](std::string_view field, float& value) {
        if (!field.empty() && !LeadingFiniteFloat(field, value)) finite = false;
      };
      const std::string_view posField = NextField(rest);
      number(posField, u.pos);
      const float pos = u.pos;
      if (pos != -1.0f && chro >= 0) u.chro = static_cast<std::int16_t>(chro);
      const std::string_view secondField = NextField(rest);
      number(secondField, u.second);
      if (snpArray && secondField.empty() && pos != -1.0f) u.second = pos * 1e-6f;
      const std::string_view strandField = NextField(rest);
      u.strand = strandField.empty() ? ' ' : strandField.front();
      CopyText(u.text, NextField(rest));
      if (snpArray) {
        NextField(rest);
        for (float& rate : u.rate) {
          const std::string_view field = NextField(rest);
          if (field.empty()) continue;
          const auto share = static_cast<float>(LeadingDouble(field) * 0.01);
          if (!std::isfinite(share)) {
            finite = false;
            continue;
          }
          rate = share;
          ClampProbability(&rate, kProbabilityFloor);
        }
      }
      nonFinite += finite ? 0 : 1;
      ++read;
      if (read % kGenomeProgressStep == 0)
        progress.ShowProgress(MessageBuffer("    Gene %d", read));
    }
    progress.Pump();
    if (progress.StopRequested()) {
      LogRed(kGenomeUserStoppedMessage);
      std::vector<UNIT_POS>().swap(Unit);
      NumChro = 0;
      return false;
    }
  }

  if (species == kYeast && !GeneInfo.genes.empty()) {
    const std::size_t n = std::min(Unit.size(), GeneInfo.genes.size());
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view id = GeneInfo.genes[i].Identifier;
      char strand = ' ';
      if (id.size() >= 7 && id[6] == 'W') strand = '+';
      if (id.size() >= 7 && id[6] == 'C') strand = '-';
      Unit[i].strand = strand;
    }
  }

  if (read < Layout.unitCount / 4) {
    LogRed(kTooFewGenomeUnitsMessage);
    std::vector<UNIT_POS>().swap(Unit);
    NumChro = 0;
    return false;
  }
  if (nonFinite > 0) LogRed(MessageBuffer(kNonFiniteGenomeMessage, nonFinite));
  LogMessage(MessageBuffer("    Read genome information for %d probe sets", read));
  ComputeChroLengths();
  fileName = path;
  if (currentChro >= NumChro) currentChro = 0;
  LogMessage("");
  // A failed reference step is logged on its own; the positions are read all the same.
  ComputeReferenceStatistics(*this, TheGroup().Settings());
  return true;
}

bool GENOME_INFO::ReadFile(const std::string& path) {
  if (!fileName.empty() && path == fileName) return true;
  Clear();
  if (IsNone(path)) {
    fileName = path;
    return true;
  }
  try {
    refGenes.reserve(MAX_REFGENE_NUM);
  } catch (const std::bad_alloc&) {
    LogRed(kRefGeneAllocationMessage);
    return false;
  }
  species = kHuman;
  {
    const std::string upper = UpperCase(path);
    if (Contains(upper, std::string(kMouseChipWord) + "_")) species = kMouse;
  }

  // Whatever fails below leaves no table that a later read of the same file would take
  // as loaded.
  auto fail = [this](std::string_view message) {
    LogRed(message);
    Clear();
    return false;
  };
  platform::LineReader reader;
  if (!genome_text::OpenTableOrLog(reader, path, kRefGeneLineLength, "refGene")) {
    Clear();
    return false;
  }
  const std::string_view header = genome_text::HeaderLine(reader);
  if (!Contains(header, "refseq")) return fail(kWrongRefGeneMessage + std::string(header));
  LogMessage("    Gene 0");

  int nonFinite = 0;
  JobProgress& progress = Progress();
  std::string_view line;
  while (genome_text::NextTableLine(reader, line)) {
    std::string_view rest = line;
    NextField(rest);
    REFGENE_ENTRY entry;
    entry.name = std::string(NextField(rest));
    const std::string_view idField = NextField(rest);
    if (!idField.empty()) entry.geneId = LeadingInt(idField);
    std::string_view chroField = NextField(rest);
    chroField.remove_prefix(std::min<std::size_t>(3, chroField.size()));
    // Transcripts on unplaced contigs ("chr1_...") lie on no chromosome of the table.
    if (Contains(chroField, "_")) continue;
    const int chro = GetChroIndex(chroField);
    if (chro >= MAX_CHRO_NUM) return fail(kRefGeneChromosomeMessage + std::string(entry.name));
    NextField(rest);
    const std::string_view startField = NextField(rest);
    const std::string_view endField = NextField(rest);
    const bool finiteStart = startField.empty() || LeadingFiniteFloat(startField, entry.start);
    const bool finiteEnd = endField.empty() || LeadingFiniteFloat(endField, entry.end);
    nonFinite += finiteStart && finiteEnd ? 0 : 1;
    if (chro >= 0) {
      NumChro = std::max(NumChro, chro + 1);
      if (entry.start != -1.0f) entry.chro = static_cast<std::int16_t>(chro);
    }
    refGenes.push_back(std::move(entry));
    refGeneCount = static_cast<int>(refGenes.size());
    if (refGeneCount % kRefGeneProgressStep == 0) {
      progress.ShowProgress(MessageBuffer("    Gene %d", refGeneCount));
      progress.Pump();
    }
    if (refGeneCount == MAX_REFGENE_NUM) return fail(kRefGeneLimitMessage);
  }

  LogMessage(MessageBuffer("    Read refGene entries for %d genes\n", refGeneCount), 1);
  if (nonFinite > 0) LogRed(MessageBuffer(kNonFiniteRefGeneMessage, nonFinite));
  fileName = path;
  chroLength.fill(0);
  chroCount.fill(0);
  for (const REFGENE_ENTRY& entry : refGenes) {
    if (entry.chro < 0) continue;
    const auto c = static_cast<std::size_t>(entry.chro);
    chroLength[c] = std::max(chroLength[c], entry.start);
    ++chroCount[c];
  }
  genomeLength = 0;
  totalCount = 0;
  for (int c = 0; c < NumChro; ++c) {
    genomeLength += chroLength[static_cast<std::size_t>(c)];
    totalCount += chroCount[static_cast<std::size_t>(c)];
  }
  if (currentChro >= NumChro) currentChro = 0;
  return true;
}

bool GENOME_INFO::ReadCytobandFile(const std::string& path) {
  if (!cytobandFileName.empty() && path == cytobandFileName) return true;
  std::vector<CYTOBAND>().swap(bands);
  bandCount = 0;
  bandStart.fill(0);
  centromere.fill(0);
  cytobandFileName = path;
  if (IsNone(path)) return true;

  auto fail = [this](std::string_view message) {
    LogRed(message);
    std::vector<CYTOBAND>().swap(bands);
    bandCount = 0;
    bandStart.fill(0);
    centromere.fill(0);
    cytobandFileName.clear();
    return false;
  };
  platform::LineReader reader;
  if (!reader.Open(path, kRefGeneLineLength))
    return fail(platform::WithReadFailure("  Reading Cytoband file '" + path + "' failed\n",
                                          reader.OpenFailure()));
  LogMessage("  Reading Cytoband file '" + path + "'...\n");
  try {
    bands.reserve(kMaxCytobands);
  } catch (const std::bad_alloc&) {
    return fail(kCytobandAllocationMessage);
  }
  species = kHuman;

  std::string_view line;
  platform::LineStatus status = reader.Next(line);
  if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) line = {};
  if (!Contains(line, "chr1") || !Contains(line, "gneg"))
    return fail(kWrongCytobandMessage + std::string(line));
  int lastChro = -1;
  for (; status == platform::LineStatus::kWhole || status == platform::LineStatus::kCut;
       status = reader.Next(line)) {
    if (line.empty()) break;
    std::string_view rest = line;
    std::string_view chroField = NextField(rest);
    if (Contains(chroField, "_")) continue;  // an unplaced contig's bands
    if (!chroField.empty() && chroField.front() == 'c')
      chroField.remove_prefix(std::min<std::size_t>(3, chroField.size()));
    const int chro = chroField.empty() ? -1 : GetChroIndex(chroField);
    if (chro < 0 || chro >= MAX_CHRO_NUM) return fail(kCytobandChromosomeMessage);
    if (chro < lastChro) return fail(kCytobandOrderMessage);
    if (bandCount == kMaxCytobands) return fail(kCytobandLimitMessage);
    if (chro != lastChro) {
      // Bands of a chromosome skipped over (none listed) start where the next one does.
      for (int c = lastChro + 1; c <= chro; ++c) bandStart[static_cast<std::size_t>(c)] = bandCount;
      lastChro = chro;
    }
    CYTOBAND band;
    band.chro = chro;
    band.start = static_cast<float>(LeadingInt(NextField(rest)));
    band.end = static_cast<float>(LeadingInt(NextField(rest)));
    CopyText(band.name, GetChroName(chro) + std::string(NextField(rest)));
    const std::string_view stain = NextField(rest);
    CopyText(band.stain, stain);
    if (stain == "acen") centromere[static_cast<std::size_t>(chro)] = band.start;
    bands.push_back(band);
    ++bandCount;
  }
  for (int c = lastChro + 1; c <= MAX_CHRO_NUM; ++c)
    bandStart[static_cast<std::size_t>(c)] = bandCount;
  return true;
}

void GENOME_INFO::ComputeChroLengths() {
  chroLength.fill(0);
  chroCount.fill(0);
  for (const UNIT_POS& u : Unit) {
    if (u.chro < 0 || u.chro >= MAX_CHRO_NUM) continue;
    const auto c = static_cast<std::size_t>(u.chro);
    chroLength[c] = std::max(chroLength[c], u.pos);
    ++chroCount[c];
  }
  if (bandCount > 0) {
    for (int c = 0; c < NumChro; ++c) {
      const auto k = static_cast<std::size_t>(c);
      if (bandStart[k + 1] <= bandStart[k]) continue;
      const float e = static_cast<float>(
          static_cast<long long>(bands[static_cast<std::size_t>(bandStart[k + 1] - 1)].end));
      if (e > chroLength[k])
        chroLength[k] = e;
      else
        LogRed("    Chromosome " + GetChroName(c) +
               " length exceeds that of cytoband; are they from the same genome assembly?");
    }
  }
  genomeLength = 0;
  totalCount = 0;
  for (int c = 0; c < NumChro; ++c) {
    genomeLength += chroLength[static_cast<std::size_t>(c)];
    totalCount += chroCount[static_cast<std::size_t>(c)];
  }
}

void GENOME_INFO::KeepListedUnits() {
  for (std::size_t u = 0; u < Unit.size(); ++u)
    if (!GeneList.Listed(static_cast<int>(u))) Unit[u].chro = -1;
  ComputeChroLengths();
}

bool GENOME_INFO::GetUnitPos() {
  const bool units = !Unit.empty();
  if (!units && refGenes.empty()) {
    LogRed(kNoPositionsMessage);
    return false;
  }
  for (int c = 0; c < NumChro; ++c) {
    auto& list = posList[static_cast<std::size_t>(c)];
    std::vector<PositionEntry>().swap(list);
    try {
      list.reserve(static_cast<std::size_t>(chroCount[static_cast<std::size_t>(c)]));
    } catch (const std::bad_alloc&) {
      LogRed(kPositionAllocationMessage);
      return false;
    }
  }
  auto place = [this](int chro, float pos, int index) {
    if (chro < 0 || chro >= NumChro) return;
    posList[static_cast<std::size_t>(chro)].push_back({pos, index});
  };
  if (units) {
    for (std::size_t i = 0; i < Unit.size(); ++i)
      place(Unit[i].chro, Unit[i].pos, static_cast<int>(i));
    genomeOrder.clear();
    genomeOrder.reserve(Unit.size());
  } else {
    for (std::size_t i = 0; i < refGenes.size(); ++i)
      place(refGenes[i].chro, refGenes[i].start, static_cast<int>(i));
  }
  int k = 0;
  for (int c = 0; c < NumChro; ++c) {
    auto& list = posList[static_cast<std::size_t>(c)];
    if (static_cast<int>(list.size()) != chroCount[static_cast<std::size_t>(c)]) {
      LogRed(kInconsistentCountMessage);
      return false;
    }
    std::sort(list.begin(), list.end(),
              [](const PositionEntry& a, const PositionEntry& b) { return a.pos < b.pos; });
    if (!units) continue;
    const int first = k;
    for (const PositionEntry& entry : list) {
      genomeOrder.push_back(entry.index);
      Unit[static_cast<std::size_t>(entry.index)].order = k - first;
      ++k;
    }
  }
  if (units && bandCount > 0) {
    for (int c = 0; c < NumChro; ++c) {
      const auto& list = posList[static_cast<std::size_t>(c)];
      const int n = static_cast<int>(list.size());
      int j = 0;
      for (int b = bandStart[static_cast<std::size_t>(c)];
           b < bandStart[static_cast<std::size_t>(c) + 1]; ++b) {
        CYTOBAND& band = bands[static_cast<std::size_t>(b)];
        band.firstUnit = band.lastUnit = -1;
        band.unitCount = 0;
        while (j < n && list[static_cast<std::size_t>(j)].pos < band.start) ++j;
        if (j >= n || list[static_cast<std::size_t>(j)].pos >= band.end) continue;
        band.firstUnit = j;
        while (j < n && list[static_cast<std::size_t>(j)].pos < band.end) ++j;
        band.lastUnit = j - 1;
        band.unitCount = band.lastUnit - band.firstUnit + 1;
      }
    }
  }
  mLastHit = -1;
  return true;
}

int GENOME_INFO::FindRefGeneByKeyword() {
  if (refGeneCount == 0) return -1;
  std::string pattern = refGeneKeyword;
  if (pattern.empty() || pattern.front() != '*') pattern.insert(pattern.begin(), '*');
  if (pattern.back() != '*') pattern.push_back('*');
  pattern = UpperCase(pattern);
  for (int step = 1; step <= refGeneCount; ++step) {
    const int i = ((lastRefGene + step) % refGeneCount + refGeneCount) % refGeneCount;
    const std::string name = UpperCase(refGenes[static_cast<std::size_t>(i)].name);
    if (MatchWildcard(pattern.c_str(), name.c_str()) != 0) {
      lastRefGene = i;
      return i;
    }
  }
  return -1;
}

int GENOME_INFO::FindRefGeneById(int geneId) {
  if (refGeneCount == 0) return -1;
  for (int step = 1; step <= refGeneCount; ++step) {
    const int i = ((lastRefGene + step) % refGeneCount + refGeneCount) % refGeneCount;
    if (refGenes[static_cast<std::size_t>(i)].geneId == geneId) {
      lastRefGene = i;
      return i;
    }
  }
  return -1;
}

int GENOME_INFO::UnitAtPosition(float pos) {
  const GroupSettings& settings = TheGroup().Settings();
  int chro = currentChro;
  int offset = 0;
  if (settings.VIEW_ALL_CHROMOSOME != 0) {
    chro = -1;
    for (int c = 0; c < NumChro; ++c) {
      const float length = chroLength[static_cast<std::size_t>(c)];
      if (pos < length) {
        chro = c;
        break;
      }
      pos -= length;
      offset += chroCount[static_cast<std::size_t>(c)];
    }
    if (chro < 0) return -1;
  }
  if (chro < 0 || chro >= MAX_CHRO_NUM) return -1;
  const auto& list = posList[static_cast<std::size_t>(chro)];
  const int n = static_cast<int>(list.size());
  if (n == 0) return -1;
  const float window = static_cast<float>(settings.PIXEL_HT_PROP) * settings.PIXEL_KB * 1000.0f;
  for (int step = 1; step <= n; ++step) {
    const int i = ((mLastHit + step) % n + n) % n;
    const float p = list[static_cast<std::size_t>(i)].pos;
    if (p <= pos && pos < p + window) {
      mLastHit = i;
      return offset + i;
    }
  }
  return -1;
}

float GENOME_INFO::PositionOfColumn(int col) const {
  if (currentChro < 0 || currentChro >= MAX_CHRO_NUM ||
      posList[static_cast<std::size_t>(currentChro)].empty())
    return -1;
  if (TheGroup().Settings().VIEW_ALL_CHROMOSOME != 0) {
    float sum = 0;
    for (int c = 0; c < NumChro; ++c) {
      const auto k = static_cast<std::size_t>(c);
      if (col < chroCount[k]) {
        if (col < 0 || static_cast<std::size_t>(col) >= posList[k].size()) return -1;
        return sum + posList[k][static_cast<std::size_t>(col)].pos;
      }
      col -= chroCount[k];
      sum += chroLength[k];
    }
    return -1;
  }
  const auto& list = posList[static_cast<std::size_t>(currentChro)];
  if (list.empty() || col < 0 || static_cast<std::size_t>(col) >= list.size()) return -1;
  return list[static_cast<std::size_t>(col)].pos;
}

int GENOME_INFO::BandAtPosition(int chro, float pos) const {
  if (chro < 0 || chro >= MAX_CHRO_NUM || bandCount == 0) return -1;
  for (int b = bandStart[static_cast<std::size_t>(chro)];
       b < bandStart[static_cast<std::size_t>(chro) + 1]; ++b) {
    const CYTOBAND& band = bands[static_cast<std::size_t>(b)];
    if (band.start <= pos && pos <= band.end) return b;
  }
  return -1;
}

bool FuzzReadGenomeInfo(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz_genome.txt", [](const std::string& path) {
    GENOME_INFO table;
    return table.ReadGenomeInfoFile(path);
  });
}

bool FuzzReadRefGene(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "refgene.txt", [](const std::string& path) {
    GENOME_INFO table;
    return table.ReadFile(path);
  });
}

bool FuzzReadCytoband(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "cytoband.txt", [](const std::string& path) {
    GENOME_INFO table;
    return table.ReadCytobandFile(path);
  });
}
