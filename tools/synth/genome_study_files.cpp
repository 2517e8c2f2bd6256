#include "tools/synth/genome_study_files.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "platform/path.hpp"
#include "platform/system_error.hpp"
#include "tools/synth/random.hpp"
#include "tools/synth/result_writers.hpp"

namespace synth {

namespace {

constexpr int kNoCall = 3;
// A chromosome with fewer markers gets no stretch of copies.
constexpr int kShortestPlanted = 10;

void AppendNumber(std::string& text, double value) {
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<float>(value));
  text.append(digits, result.ptr);
}

// The first marker of each chromosome, and one past the last at the end.
std::vector<int> ChromosomeStarts(const StudyMarkers& markers) {
  std::vector<int> starts = {0};
  for (const int count : markers.perChromosome) starts.push_back(starts.back() + count);
  return starts;
}

// The marker's place on the genome: chromosome name and position.
std::string Place(const GenomeTruth& genome, int unit) {
  const GenomeUnit& placed = genome.units[static_cast<std::size_t>(unit)];
  return genome.chromosomes[static_cast<std::size_t>(placed.chro)] + '\t' +
         std::to_string(placed.pos);
}

// Calls per unit of the chip, no call for units off the genome.
std::vector<char> ChipCalls(std::size_t units, const StudyMarkers& markers,
                            const std::vector<char>& calls) {
  std::vector<char> chipCalls(units, static_cast<char>(kNoCall));
  for (std::size_t m = 0; m < markers.units.size(); ++m)
    chipCalls[static_cast<std::size_t>(markers.units[m])] = calls[m];
  return chipCalls;
}

// The marker of each unit of the chip, -1 for units off the genome.
std::vector<int> MarkerOfUnit(std::size_t units, const StudyMarkers& markers) {
  std::vector<int> markerOf(units, -1);
  for (std::size_t m = 0; m < markers.units.size(); ++m)
    markerOf[static_cast<std::size_t>(markers.units[m])] = static_cast<int>(m);
  return markerOf;
}

// Kind-1 arrays keep their calls under the name without the sub-array letter.
std::string CallFileName(const std::string& array, int arrayType) {
  return (arrayType == 1 ? array.substr(0, array.size() - 1) : array) + ".txt";
}

}  // namespace

StudyMarkers OrderStudyMarkers(const GenomeTruth& genome) {
  StudyMarkers markers;
  markers.perChromosome.assign(genome.chromosomes.size(), 0);
  for (std::size_t u = 0; u < genome.units.size(); ++u) {
    const GenomeUnit& unit = genome.units[u];
    if (!unit.listed || unit.contig || unit.chro < 0 || unit.pos < 0) continue;
    markers.units.push_back(static_cast<int>(u));
    ++markers.perChromosome[static_cast<std::size_t>(unit.chro)];
  }
  std::stable_sort(markers.units.begin(), markers.units.end(), [&](int a, int b) {
    const GenomeUnit& first = genome.units[static_cast<std::size_t>(a)];
    const GenomeUnit& second = genome.units[static_cast<std::size_t>(b)];
    return first.chro != second.chro ? first.chro < second.chro : first.pos < second.pos;
  });
  return markers;
}

SnpGroupTruth MakeStudyGroup(const GenomeTruth& genome, const StudyMarkers& markers,
                             const StudyOptions& options) {
  SnpGroupPlan plan;
  plan.markersPerChro = markers.perChromosome;
  plan.withX = !genome.chromosomes.empty() && genome.chromosomes.back() == "X";
  plan.normals = options.normals;
  plan.males = options.males;
  plan.pairs = options.pairs;
  plan.singles = options.singles;
  plan.seed = options.seed + 5;

  const std::vector<int> starts = ChromosomeStarts(markers);
  std::vector<int> autosomes;
  for (std::size_t k = 0; k < markers.perChromosome.size(); ++k)
    if (!(plan.withX && k + 1 == markers.perChromosome.size()) &&
        markers.perChromosome[k] >= kShortestPlanted)
      autosomes.push_back(static_cast<int>(k));
  SynthRandom random(options.seed + 4);
  const int tumours = options.pairs + options.singles;
  for (int t = 0; t < tumours && !autosomes.empty(); ++t) {
    const auto n = autosomes.size();
    // The loss in the first half of its chromosome, the gain in the second half of the
    // next, so the two never overlap.
    for (int half = 0; half < 2; ++half) {
      const auto k = static_cast<std::size_t>(autosomes[(static_cast<std::size_t>(t) + half) % n]);
      const int count = markers.perChromosome[k];
      const int room = count / 2;
      const int length = std::max(2, room * random.Between(50, 90) / 100);
      const int first = starts[k] + half * (count - room) + random.Between(0, room - length);
      CopyStretch stretch;
      stretch.sample = options.normals + t;
      stretch.first = first;
      stretch.last = first + length - 1;
      stretch.copies = half == 0 ? 1 : random.Between(3, 4);
      plan.stretches.push_back(stretch);
    }
  }
  SnpGroupTruth group = MakeSnpGroup(plan);
  if (options.arrayType == 1)
    for (SnpGroupArray& array : group.arrays) array.name += 'B';
  return group;
}

std::vector<int> PedigreeStudyMarkers(const GenomeTruth& genome, const StudyMarkers& markers) {
  std::vector<int> studyMarkers;
  for (std::size_t m = 0; m < markers.units.size(); ++m) {
    const int chro = genome.units[static_cast<std::size_t>(markers.units[m])].chro;
    if (genome.chromosomes[static_cast<std::size_t>(chro)] != "X")
      studyMarkers.push_back(static_cast<int>(m));
  }
  return studyMarkers;
}

PedigreeTruth MakeStudyPedigree(const GenomeTruth& genome, const StudyMarkers& markers,
                                const std::vector<SnpInfoRow>& snpInfo,
                                const StudyOptions& options) {
  PedigreePlan plan = options.pedigree;
  plan.chro.clear();
  plan.cm.clear();
  plan.frequency.clear();
  std::vector<int> diseaseCandidates;
  for (const int m : PedigreeStudyMarkers(genome, markers)) {
    const int unit = markers.units[static_cast<std::size_t>(m)];
    const GenomeUnit& placed = genome.units[static_cast<std::size_t>(unit)];
    // The locus is a marker whose genetic position the genome file gives.
    if (placed.chro == options.diseaseChromosome && placed.secondCm != -1.0f)
      diseaseCandidates.push_back(static_cast<int>(plan.chro.size()));
    plan.chro.push_back(placed.chro);
    plan.cm.push_back(GeneticPositionCm(genome, placed.pos));
    const float frequency = snpInfo[static_cast<std::size_t>(unit)].frequency[kSiblingPopulation];
    // Drawn as the program reads it: unknown as one half, 0 and 1 held off the ends.
    plan.frequency.push_back(frequency == -1.0f ? 0.5f : std::clamp(frequency, 0.001f, 0.999f));
  }
  SynthRandom random(options.seed + 8);
  plan.diseaseMarker = diseaseCandidates.empty()
                           ? -1
                           : diseaseCandidates[static_cast<std::size_t>(random.Between(
                                 0, static_cast<int>(diseaseCandidates.size()) - 1))];
  plan.seed = options.seed + 9;
  PedigreeTruth truth = MakePedigree(plan);
  if (options.arrayType == 1)
    for (PedigreePerson& person : truth.persons)
      if (!person.array.empty()) person.array += 'B';
  return truth;
}

PedigreeMarkers StudyPedigreeMarkers(const GenomeTruth& genome, const StudyMarkers& markers) {
  PedigreeMarkers named;
  for (const int m : PedigreeStudyMarkers(genome, markers)) {
    const int unit = markers.units[static_cast<std::size_t>(m)];
    const GenomeUnit& placed = genome.units[static_cast<std::size_t>(unit)];
    named.names.push_back(placed.name);
    named.chromosomes.push_back(genome.chromosomes[static_cast<std::size_t>(placed.chro)]);
    named.positions.push_back(placed.pos);
  }
  return named;
}

StudySiblings MakeStudySiblings(const StudyMarkers& markers, const std::vector<SnpInfoRow>& snpInfo,
                                const StudyOptions& options) {
  StudySiblings siblings;
  SharingPlan plan;
  plan.markers = static_cast<int>(markers.units.size());
  for (const int unit : markers.units) {
    const float frequency = snpInfo[static_cast<std::size_t>(unit)].frequency[kSiblingPopulation];
    // The program takes an unknown frequency as one half.
    plan.frequency.push_back(frequency == -1.0f ? 0.5f : frequency);
  }
  const std::vector<int> starts = ChromosomeStarts(markers);
  SynthRandom random(options.seed + 6);
  for (int p = 0; p < options.siblingPairs; ++p) {
    plan.stretches.clear();
    for (std::size_t k = 0; k < markers.perChromosome.size(); ++k) {
      const int count = markers.perChromosome[k];
      if (count == 0) continue;
      // Pairs and chromosomes begin with each sharing in turn.
      plan.stretches.emplace_back(starts[k], static_cast<int>((p + k) % 3));
      const int more = count >= 20 ? random.Between(0, 2) : 0;
      std::vector<int> cuts;
      for (int c = 0; c < more; ++c) cuts.push_back(starts[k] + random.Between(1, count - 1));
      std::sort(cuts.begin(), cuts.end());
      for (const int cut : cuts) plan.stretches.emplace_back(cut, random.Between(0, 2));
    }
    plan.seed = options.seed + 7 + static_cast<std::uint64_t>(p);
    siblings.pairs.push_back(DrawSharingPair(plan));
    for (const char* member : {"a", "b"}) {
      siblings.names.push_back("Sib" + std::to_string(p + 1) + member);
      if (options.arrayType == 1) siblings.names.back() += 'B';
    }
  }
  return siblings;
}

EnuCross MakeStudyEnuCross(const GenomeTruth& genome, const StudyMarkers& markers,
                           const StudyOptions& options) {
  EnuPlan plan;
  plan.markersPerChromosome = markers.perChromosome;
  for (const int unit : markers.units)
    plan.positions.push_back(static_cast<float>(genome.units[static_cast<std::size_t>(unit)].pos));
  plan.generations.assign(static_cast<std::size_t>(options.enuOffspring), options.enuGeneration);
  for (std::size_t k = 0; k < markers.perChromosome.size(); ++k)
    if (markers.perChromosome[k] > 0) {
      plan.mutationChromosome = static_cast<int>(k);
      plan.mutationMarker = markers.perChromosome[k] / 2;
      break;
    }
  plan.seed = options.seed + 8;
  EnuCross cross = DrawEnuCross(plan);
  for (const int unit : markers.units)
    cross.markerNames.push_back(genome.units[static_cast<std::size_t>(unit)].name);
  if (options.arrayType == 1)
    for (std::string& name : cross.names) name += 'B';
  return cross;
}

std::string ReferenceTruthText(const ReferenceGenotypeTruth& truth) {
  std::string text = "SNP\tIn File\tCalls\tHet Calls\tHet Rate\n";
  for (std::size_t u = 0; u < truth.units.size(); ++u) {
    int calls = 0;
    int hets = 0;
    for (const auto& row : truth.codes) {
      calls += row[u] <= 2 ? 1 : 0;
      hets += row[u] == 2 ? 1 : 0;
    }
    text += truth.units[u] + '\t' + (truth.inFile[u] ? "1" : "0") + '\t' + std::to_string(calls) +
            '\t' + std::to_string(hets) + '\t';
    if (calls > 0) AppendNumber(text, static_cast<double>(hets) / calls);
    text += '\n';
  }
  return text;
}

std::string SnpGroupDataText(const ChipTruth& chip, const StudyMarkers& markers,
                             const SnpGroupTruth& group) {
  const std::vector<int> markerOf = MarkerOfUnit(chip.units.size(), markers);
  std::string text = "SNP";
  for (const SnpGroupArray& array : group.arrays)
    text += '\t' + array.name + '\t' + array.name + " Call\t" + array.name + " B";
  text += '\n';
  for (std::size_t u = 0; u < chip.units.size(); ++u) {
    text += chip.units[u].name;
    const int m = markerOf[u];
    for (const SnpGroupArray& array : group.arrays) {
      text += '\t';
      if (m < 0) {
        text += "\tNoCall\t";
        continue;
      }
      const auto k = static_cast<std::size_t>(m);
      AppendNumber(text, array.a[k]);
      text += '\t';
      text += GenotypeCallWord(array.calls[k]);
      text += '\t';
      AppendNumber(text, array.b[k]);
    }
    text += '\n';
  }
  return text;
}

std::string SnpGroupTruthText(const GenomeTruth& genome, const StudyMarkers& markers,
                              const SnpGroupTruth& group) {
  std::string text = "Array\tMarker\tChromosome\tPosition\tCopies\tLost\tCall\n";
  for (const SnpGroupArray& array : group.arrays) {
    for (std::size_t m = 0; m < markers.units.size(); ++m) {
      const int unit = markers.units[m];
      const GenomeUnit& placed = genome.units[static_cast<std::size_t>(unit)];
      const bool oneX =
          array.gender == 'M' && genome.chromosomes[static_cast<std::size_t>(placed.chro)] == "X";
      const int own = oneX ? 1 : 2;
      text += array.name + '\t' + placed.name + '\t' + Place(genome, unit) + '\t' +
              std::to_string(array.copies[m]) + '\t' + (array.copies[m] < own ? "1" : "0") + '\t' +
              std::string(GenotypeCallWord(array.calls[m])) + '\n';
    }
  }
  return text;
}

std::string SiblingArrayListText(const StudySiblings& siblings) {
  std::string text;
  for (std::size_t s = 0; s + 1 < siblings.names.size(); s += 2)
    text += siblings.names[s] + '\n' + siblings.names[s + 1] + "\nStandardize\n";
  return text;
}

std::string CallTableText(const ChipTruth& chip, const StudyMarkers& markers,
                          const std::vector<std::string>& names,
                          const std::vector<std::vector<char>>& calls) {
  const std::vector<int> markerOf = MarkerOfUnit(chip.units.size(), markers);
  std::string text = "SNP";
  for (const std::string& name : names) text += '\t' + name;
  text += '\n';
  for (std::size_t u = 0; u < chip.units.size(); ++u) {
    text += chip.units[u].name;
    const int m = markerOf[u];
    for (const std::vector<char>& arrayCalls : calls) {
      text += '\t';
      text += GenotypeCallWord(m < 0 ? kNoCall : arrayCalls[static_cast<std::size_t>(m)]);
    }
    text += '\n';
  }
  return text;
}

std::string SiblingTruthText(const GenomeTruth& genome, const StudyMarkers& markers,
                             const StudySiblings& siblings) {
  std::string text = "Pair\tMarker\tChromosome\tPosition\tFrequency\tShared\tFirst\tSecond\n";
  for (std::size_t p = 0; p < siblings.pairs.size(); ++p) {
    const SharingPair& pair = siblings.pairs[p];
    for (std::size_t m = 0; m < markers.units.size(); ++m) {
      const int unit = markers.units[m];
      text += std::to_string(p + 1) + '\t' + genome.units[static_cast<std::size_t>(unit)].name +
              '\t' + Place(genome, unit) + '\t';
      AppendNumber(text, pair.frequency[m]);
      text += '\t' + std::to_string(pair.shared[m]) + '\t' +
              std::string(GenotypeCallWord(pair.first[m])) + '\t' +
              std::string(GenotypeCallWord(pair.second[m])) + '\n';
    }
  }
  return text;
}

bool WriteGenomeStudy(const ChipTruth& chip, const GenomeTruth& genome,
                      const std::vector<SnpInfoRow>& snpInfo, const StudyOptions& options,
                      const std::string& folder, std::vector<std::string>& written,
                      std::string& error) {
  const auto put = [&](const std::string& name, bool done) {
    const std::string path = platform::JoinPath(folder, name);
    if (!done) {
      error = platform::WithSystemReason("cannot write '" + path + "'", errno);
      return false;
    }
    written.push_back(path);
    return true;
  };
  const auto text = [&](const std::string& name, const std::string& content) {
    return put(name, WriteText(platform::JoinPath(folder, name), content));
  };
  const StudyMarkers markers = OrderStudyMarkers(genome);
  const GenotypeForm form =
      chip.arrayType == 1 ? GenotypeForm::kAllelePairs : GenotypeForm::kCallWords;
  const auto calls = [&](const std::string& array, const std::vector<char>& markerCalls) {
    const std::string name = CallFileName(array, chip.arrayType);
    return put(name, WriteGenotypeCalls(chip, ChipCalls(chip.units.size(), markers, markerCalls),
                                        platform::JoinPath(folder, name), form));
  };
  std::vector<std::string> names;
  for (const ChipUnit& unit : chip.units) names.push_back(unit.name);

  if (options.referenceSamples > 0) {
    ReferenceGenotypeOptions reference;
    reference.samples = options.referenceSamples;
    reference.seed = options.seed + 3;
    const ReferenceGenotypeTruth truth = MakeReferenceGenotypes(names, reference);
    if (!put(kReferenceGenotypeFile,
             WriteReferenceGenotypes(truth, platform::JoinPath(folder, kReferenceGenotypeFile))) ||
        !text(kReferenceTruthFile, ReferenceTruthText(truth)))
      return false;
  }
  if (options.normals + options.singles > 0) {
    const SnpGroupTruth group = MakeStudyGroup(genome, markers, options);
    for (const SnpGroupArray& array : group.arrays)
      if (!calls(array.name, array.calls)) return false;
    const std::string stem = kSnpGroupStem;
    if (!text(stem + ".arrays.txt", SnpGroupArrayListText(group)) ||
        !text(stem + ".samples.txt", SnpGroupSampleInfoText(group)) ||
        !text(stem + ".data.txt", SnpGroupDataText(chip, markers, group)) ||
        !text(stem + ".truth.txt", SnpGroupTruthText(genome, markers, group)))
      return false;
  }
  if (options.siblingPairs > 0) {
    const StudySiblings siblings = MakeStudySiblings(markers, snpInfo, options);
    std::vector<std::vector<char>> siblingCalls;
    for (std::size_t s = 0; s < siblings.names.size(); ++s) {
      const SharingPair& pair = siblings.pairs[s / 2];
      const std::vector<int>& codes = s % 2 == 0 ? pair.first : pair.second;
      siblingCalls.emplace_back(codes.begin(), codes.end());
      if (!calls(siblings.names[s], siblingCalls.back())) return false;
    }
    const std::string stem = kSiblingStem;
    if (!text(stem + ".arrays.txt", SiblingArrayListText(siblings)) ||
        !text(stem + ".data.txt", CallTableText(chip, markers, siblings.names, siblingCalls)) ||
        !text(stem + ".truth.txt", SiblingTruthText(genome, markers, siblings)))
      return false;
  }
  if (options.pedigreeStudy) {
    const PedigreeTruth pedigree = MakeStudyPedigree(genome, markers, snpInfo, options);
    if (pedigree.persons.empty()) {
      error = "the pedigree study needs markers on the genome";
      return false;
    }
    const std::vector<int> studyMarkers = PedigreeStudyMarkers(genome, markers);
    std::vector<std::string> typedNames;
    std::vector<std::vector<char>> typedCalls;
    for (const PedigreePerson& person : pedigree.persons) {
      if (person.array.empty()) continue;
      std::vector<char> studyCalls(markers.units.size(), static_cast<char>(kNoCall));
      for (std::size_t k = 0; k < studyMarkers.size(); ++k)
        studyCalls[static_cast<std::size_t>(studyMarkers[k])] = person.calls[k];
      typedNames.push_back(person.array);
      typedCalls.push_back(std::move(studyCalls));
      if (!calls(person.array, typedCalls.back())) return false;
    }
    const PedigreeMarkers named = StudyPedigreeMarkers(genome, markers);
    const std::string stem = kPedigreeStem;
    if (!text(stem + ".txt", PedigreeFileText(pedigree)) ||
        !text(stem + ".arrays.txt", PedigreeArrayListText(pedigree)) ||
        !text(stem + ".samples.txt", PedigreeSampleInfoText(pedigree)) ||
        !text(stem + ".data.txt", CallTableText(chip, markers, typedNames, typedCalls)) ||
        !text(stem + ".truth.txt", PedigreeTruthText(named, pedigree)) ||
        !text(stem + ".founders.txt", PedigreeFounderText(named, pedigree)) ||
        !text(stem + ".meioses.txt", PedigreeMeiosisText(named, pedigree)) ||
        !text(stem + ".disease.txt", PedigreeDiseaseText(named, pedigree)))
      return false;
  }
  if (options.enuOffspring > 0) {
    const EnuCross cross = MakeStudyEnuCross(genome, markers, options);
    for (std::size_t s = 0; s < cross.names.size(); ++s)
      if (!calls(cross.names[s], std::vector<char>(cross.calls[s].begin(), cross.calls[s].end())))
        return false;
    const std::string stem = kEnuStem;
    if (!text(stem + ".arrays.txt", EnuArrayListText(cross)) ||
        !text(stem + ".samples.txt", EnuSampleInfoText(cross)) ||
        !text(stem + ".truth.txt", EnuTruthText(cross)))
      return false;
  }
  return true;
}

}  // namespace synth
