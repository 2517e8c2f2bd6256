// What the view's linkage command runs. The engine works on a plain copy of one
// chromosome's markers and calls, so this file is the only one that knows where the
// group keeps them.
#include "genome/linkage/linkage_driver.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/jobs/job_timing.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/run_external_program.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/curve_file.hpp"
#include "genome/info/analysis_flag.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/snp_info.hpp"
#include "genome/linkage/merlin_interface.hpp"

LinkageAnalysis linkage_analysis;

LinkageSettings LinkageSettingsOf(const GroupSettings& s) {
  LinkageSettings out;
  out.inheritance = s.LINKAGE_INHERITANCE;
  out.diseaseFrequency = s.LINKAGE_DISEASE_FREQ;
  out.penetrance = s.LINKAGE_PENETRANCE;
  out.phenocopy = s.LINKAGE_PHENOCOPY;
  out.errorRate = static_cast<float>(s.SNP_ERROR_RATE);
  out.oneCrossover = s.ONE_CROSSOVER != 0;
  out.inheritReduction = s.INHERIT_REDUCTION != 0;
  out.skipNoninformative = s.SKIP_NONINFORMATIVE != 0;
  out.windowLength = s.HMM_LENGTH;
  out.lohThreshold = s.INFER_CALL_THRESHOLD;
  return out;
}

int PedigreeArraySample(const std::string& arrayName) {
  if (arrayName.empty()) return -1;  // a person without an array
  std::string name = arrayName;
  const int array = TheGroup().FindArrayByName(name);
  return array < 0 ? -1 : SampleGrouping.GetSampleOfArray(array);
}

SamplePairing PedigreeSamplePairing(int sample) {
  SamplePairing out;
  const int group = SampleGrouping.GetGroupOfSample(sample);
  if (group >= 0) {
    out.groupSamples = SampleGrouping.GroupSize(group);
    out.nextInGroup = sample + 1 < SampleGrouping.GroupFirstSample(group) + out.groupSamples;
  }
  const int array = SampleGrouping.GetSampleArray(sample);
  if (array >= 0 && array < kMaxChroSamples)
    out.ploidy = chromosome.ploidy[static_cast<std::size_t>(array)];
  return out;
}

LinkageChromosome GatherLinkageChromosome(const CHROMOSOME& chro, const Pedigree& pedigree,
                                          int index, bool lohMode) {
  LinkageChromosome data;
  data.chromosome = index;
  const std::vector<int> units = ChromosomeMarkers(chro, index);
  data.markers.reserve(units.size());
  for (const int unit : units) {
    const UNIT_POS& place = genome_info.Unit[static_cast<std::size_t>(unit)];
    data.markers.push_back({std::string(Layout.units[static_cast<std::size_t>(unit)].Name()),
                            place.second, place.pos * 1e-6f, GetAlleleFrequency(unit)});
  }
  const auto& persons = pedigree.Persons();
  const std::size_t markers = units.size();
  data.calls.assign(persons.size() * markers, kNoCall);
  for (std::size_t i = 0; i < persons.size(); ++i) {
    const int sample = persons[i].array;
    if (sample < 0 || sample >= chro.sampleCount || chro.calls.Empty()) continue;
    const std::uint8_t* row = chro.calls.Row(sample);
    for (std::size_t m = 0; m < markers; ++m) {
      const std::uint8_t call = row[units[m]];
      data.calls[i * markers + m] = call < kNoCall ? call : static_cast<std::uint8_t>(kNoCall);
    }
  }
  if (!lohMode) return data;
  data.secondCalls.assign(persons.size() * markers, kNoCall);
  // The LOH inference leaves in the tumour's row (the sample alone, or the pair's second)
  // the chance of retention; without that table the engine refuses the run.
  const bool inferred = !chro.lohCodes.Empty();
  if (inferred) data.loh.assign(persons.size() * markers, kMissingValueFloat);
  for (std::size_t i = 0; i < persons.size(); ++i) {
    const int sample = persons[i].secondArray;
    if (sample < 0 || sample >= chro.sampleCount || chro.calls.Empty()) continue;
    for (std::size_t m = 0; m < markers; ++m) {
      const std::uint8_t call = chro.calls.Row(sample)[units[m]];
      data.secondCalls[i * markers + m] =
          call < kNoCall ? call : static_cast<std::uint8_t>(kNoCall);
      if (!inferred) continue;
      const float retained = chro.lohCodes.Row(sample)[units[m]];
      data.loh[i * markers + m] = IsMissing(retained) ? kMissingValueFloat : 1.0f - retained;
    }
  }
  return data;
}

void StoreLinkageResult(CHROMOSOME& chro, const Pedigree& pedigree, int index,
                        const LinkageChromosome& data, const LinkageResult& result,
                        bool simulated) {
  const std::vector<int> units = ChromosomeMarkers(chro, index);
  const std::size_t markers = units.size();
  // Where the data exclude the disease model the LOD is minus infinity; the curve keeps
  // such markers missing so its range, threshold and drawing stay finite.
  for (std::size_t m = 0; m < markers && m < result.lod.size(); ++m)
    chro.markerStats[static_cast<std::size_t>(units[m])].summary[kDataCall] =
        std::isfinite(result.lod[m]) ? result.lod[m] : kMissingValueFloat;
  if (chro.haplotypes.Empty() &&
      !chro.haplotypes.Allocate(chro.sampleCount, chro.unitCount, {kNoCall, 0, 0, 0}))
    return;
  const auto& persons = pedigree.Persons();
  for (std::size_t i = 0; i < persons.size(); ++i) {
    const int sample = persons[i].array;
    if (sample < 0 || sample >= chro.sampleCount) continue;
    for (std::size_t m = 0; m < markers; ++m) {
      const int unit = units[m];
      if (i * markers + m < result.haplotypes.size()) {
        const HaplotypeRecord& r = result.haplotypes[i * markers + m];
        chro.haplotypes.Row(sample)[unit] = {r.code, r.first, r.second, r.flag};
      }
      if (simulated && !chro.calls.Empty())
        chro.calls.Row(sample)[unit] = data.calls[i * markers + m];
    }
  }
}

namespace {

bool RunOneChromosome(LinkageAnalysis& analysis, int index) {
  LinkageChromosome data = GatherLinkageChromosome(
      chromosome, analysis.pedigree, index, analysis.settings.inheritance == kLohInheritance);
  if (data.markers.empty()) {
    LogMessage(MessageBuffer(kNoMarkersMessage, index + 1), 0, kLogRed);
    return false;
  }
  LinkageResult result;
  const bool ok = analysis.RunChromosome(data, result);
  // A stopped run keeps the scores it reached.
  if (ok || !result.lod.empty())
    StoreLinkageResult(chromosome, analysis.pedigree, index, data, result, false);
  return ok;
}

}  // namespace

bool LinkageAnalysis::Run(std::int64_t seed) {
  const GroupSettings& s = TheGroup().Settings();
  settings = LinkageSettingsOf(s);
  if (!ReadPedigree(s.PEDIGREE_FILE, PedigreeArraySample)) {
    Free();
    return false;
  }
  if (settings.inheritance == kLohInheritance) pedigree.PairSamples(PedigreeSamplePairing);
  if (s.CALL_MERLIN != 0) {
    const bool ok = RunMerlin(s.CHRO_CUR_CHRO);
    Free();
    return ok;
  }
  if (!PrepareFounders()) {
    Free();
    return false;
  }
  return RunEngine(seed);
}

bool LinkageAnalysis::RunEngine(std::int64_t seed) {
  const GroupSettings& s = TheGroup().Settings();
  // The curve file is written first so that one that cannot be written stops the run
  // before any work.
  if (!CurveFile(chromosome, false)) {
    Free();
    return false;
  }
  const std::int64_t start = JobStartTime();
  const RaisedWhenIdle running;
  bool ok = true;
  if (s.VIEW_ALL_CHROMOSOME != 0) {
    // The X is left out: a father passes his only X to every daughter, which the
    // autosomal meioses do not model.
    const int x = genome_info.XChroIndex();
    for (int c = 0; c < genome_info.NumChro && ok; ++c)
      if (c != x && !ChromosomeMarkers(chromosome, c).empty()) ok = RunOneChromosome(*this, c);
  } else if (s.LINKAGE_SIMULATE != 0) {
    LinkageChromosome data = GatherLinkageChromosome(chromosome, pedigree, s.CHRO_CUR_CHRO);
    LinkageResult result;
    ok = !data.markers.empty() && Simulate(data, result, seed);
    if (ok) StoreLinkageResult(chromosome, pedigree, s.CHRO_CUR_CHRO, data, result, true);
    Free();
    return ok;
  } else {
    ok = RunOneChromosome(*this, s.CHRO_CUR_CHRO);
  }
  ok = ok && !Progress().Stopped();
  if (ok) {
    chromosome.dataType = kDataCall;
    ok = CurveFile(chromosome, false) && chromosome.FindSignificantRegions(true);
  }
  if (ok) LogJobFinished(start);
  Free();
  return ok;
}

bool LinkageAnalysis::RunMerlin(int chro) {
  const GroupSettings& s = TheGroup().Settings();
  LogMessage("\n  Generate MERLINE input files...");
  // Absolute, since the programs run in the working folder.
  std::error_code ignored;
  const std::string working = std::filesystem::absolute(s.WORKING_DIR, ignored).string();
  const MerlinFiles files = MerlinFileNames(working, TheGroup().Name());
  const std::vector<int> markers = ChromosomeMarkers(chromosome, chro);
  if (!WriteMerlinInputs(pedigree.Persons(), chromosome, chro, markers, files)) return false;
  LogMessage(MessageBuffer("\n  Run MERLIN for chromosome %d...\n", chro + 1));
  const std::string folder = std::filesystem::absolute(s.MERLIN_DIR, ignored).string();
  const std::string pedstats = MerlinProgramPath(folder, kPedstatsProgram);
  if (!RunExternalProgram(PedstatsArguments(pedstats, files), working, "")) return false;
  const std::string merlin = MerlinProgramPath(folder, kMerlinProgram);
  // The runner says nothing when it cannot open its copy of the output, so an earlier
  // run's result must not be there to be read in its place.
  std::filesystem::remove(files.result, ignored);
  if (!RunExternalProgram(MerlinArguments(merlin, files), working, files.result)) return false;
  if (!ReadMerlinResult(files.result, chromosome, markers)) return false;
  if (!CurveFile(chromosome, false)) return false;
  LogMessage("Finished}\n", 0, kLogBlue);
  return true;
}
