// Making and writing a whole synthetic group: the arrays in turn in the forms asked, and
// the side files made from the same truth.
#include "tools/synth/whole_group.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <span>

#include "platform/byte_writer.hpp"
#include "platform/path.hpp"
#include "platform/scratch_file.hpp"
#include "platform/system_error.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/chip_writers.hpp"
#include "tools/synth/result_writers.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {
namespace {

constexpr const char* kTissues[] = {"liver", "brain", "heart"};
constexpr std::size_t kEntriesPerLine = 3;

std::string Numbered(const std::string& stem, int index, int count) {
  char digits[8];
  std::snprintf(digits, sizeof digits, count > 99 ? "%03d" : "%02d", index);
  return stem + digits;
}

// One second apart from a fixed start; 999 arrays stay within the hour.
std::string DistinctScanTime(int array) {
  char text[32];
  std::snprintf(text, sizeof text, "03/14/26 10:%02d:%02d", array / 60, array % 60);
  return text;
}

std::string Formatted(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string CurveListing(const WholeGroupTruth& truth) {
  const ArrayGroupTruth& group = truth.group;
  std::string text = "array\tscale\tpower\toffset\n";
  for (std::size_t a = 0; a < group.arrays.size(); ++a) {
    const BrightnessCurve& curve = group.arrays[a].curve;
    text += Numbered(truth.name, static_cast<int>(a) + 1, static_cast<int>(group.arrays.size())) +
            "\t" + Formatted("%.9g", curve.scale) + "\t" + Formatted("%.9g", curve.power) + "\t" +
            Formatted("%.9g", curve.offset) + "\n";
  }
  text += "\narray\tprobe set\tfold\n";
  for (std::size_t a = 0; a < group.arrays.size(); ++a)
    for (std::size_t u = 0; u < truth.chip.units.size(); ++u) {
      if (!group.Changed(static_cast<int>(a), static_cast<int>(u))) continue;
      text += std::to_string(a + 1) + "\t" + truth.chip.units[u].name + "\t" +
              Formatted("%.9g", group.arrays[a].fold[u]) + "\n";
    }
  // Listed only when planted, so a plain group's listing stays as it always was.
  if (group.badArray >= 0)
    text += "\nbad array\t" + truth.arrays[static_cast<std::size_t>(group.badArray)].name + "\n";
  return text;
}

std::string ThetaListing(const WholeGroupTruth& truth) {
  std::string text = "probe set\tcall";
  for (const GroupArrayFile& array : truth.arrays) text += "\t" + array.name;
  text += "\n";
  for (std::size_t u = 0; u < truth.chip.units.size(); ++u) {
    text += truth.chip.units[u].name + "\t" + truth.group.present[u];
    for (std::size_t a = 0; a < truth.arrays.size(); ++a)
      text += "\t" + Formatted("%.6g", truth.group.Theta(static_cast<int>(a), static_cast<int>(u)));
    text += "\n";
  }
  return text;
}

std::string SampleInfoText(const WholeGroupTruth& truth) {
  std::string text = "Array\tSample";
  for (const std::string& column : truth.sampleInfo.columns) text += "\t" + column;
  text += "\n";
  for (std::size_t a = 0; a < truth.arrays.size(); ++a) {
    text += truth.arrays[a].name + "\t";
    for (const std::string& value : truth.sampleInfo.values[a]) text += "\t" + value;
    text += "\n";
  }
  return text;
}

std::string ArrayListText(const WholeGroupTruth& truth) {
  std::string text;
  const ArrayListTruth& list = truth.arrayList;
  std::size_t sample = 0;
  for (std::size_t g = 0; g < list.groupSizes.size(); ++g) {
    if (g > 0) text += "Standardize\n";
    for (int s = 0; s < list.groupSizes[g]; ++s, ++sample) {
      for (int array : list.samples[sample])
        text += truth.arrays[static_cast<std::size_t>(array)].name + "\n";
      text += "Replicate\n";
    }
  }
  return text;
}

void MakeSideTruth(WholeGroupTruth& truth, const WholeGroupOptions& options) {
  const int count = static_cast<int>(truth.arrays.size());
  ArrayListTruth& list = truth.arrayList;
  for (int a = 0; a < count; a += 2) {
    list.samples.push_back({a});
    if (a + 1 < count) list.samples.back().push_back(a + 1);
  }
  const int samples = static_cast<int>(list.samples.size());
  const int first = (samples + 1) / 2;
  list.groupSizes.push_back(first);
  if (samples > first) list.groupSizes.push_back(samples - first);

  // Replicates share their sample's tissue and age; the two sample groups are the
  // untreated and the treated samples.
  truth.sampleInfo.columns = {"Tissue", "Treatment", "Age (numeric)", "Scan batch"};
  for (int s = 0; s < samples; ++s)
    for (int array : list.samples[static_cast<std::size_t>(s)]) {
      std::vector<std::string> values = {kTissues[s % 3], s < first ? "control" : "treated",
                                         std::to_string(20 + 3 * s),
                                         array < count / 2 ? "first" : "second"};
      // One array without a tissue, so that a column has fewer samples than arrays.
      if (array == count - 1 && count > 2) values[0].clear();
      truth.sampleInfo.values.push_back(std::move(values));
    }

  // SNP groups read SNP information in its place, a file of another form.
  if (truth.chip.arrayType == 0) {
    std::vector<std::string> probeSets;
    for (const ChipUnit& unit : truth.chip.units) probeSets.push_back(unit.name);
    GeneInfoOptions gene;
    gene.seed = options.group.seed;
    gene.vocabulary = std::max(10, static_cast<int>(probeSets.size() / 10));
    truth.geneInfo = MakeGeneInfo(probeSets, gene);
    truth.geneInfoFile = truth.name + ".genes.txt";
  }
  truth.chipFile = FileNameFor(truth.chip, ChipForm::kTextCdf);
  truth.sampleInfoFile = truth.name + ".samples.txt";
  truth.arrayListFile = truth.name + ".arrays.txt";
  truth.dataFileList = truth.name + ".files.txt";
  truth.thetaFile = truth.name + ".theta.txt";
}

}  // namespace

std::optional<std::string> AbsoluteFolder(const std::string& folder) {
  std::error_code failure;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, failure);
  if (failure) return std::nullopt;
  std::string path = absolute.lexically_normal().string();
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::vector<int> WholeGroupTruth::OpenedArrays() const {
  std::vector<int> opened;
  for (std::size_t a = 0; a < arrays.size(); ++a)
    if (arrays[a].sameTagAs < 0) opened.push_back(static_cast<int>(a));
  return opened;
}

std::string WholeGroupTruth::DataFileListText(const std::string& absoluteFolder) const {
  std::string text;
  for (std::size_t a = 0; a < arrays.size(); ++a) {
    const bool absolute = a / kEntriesPerLine % 2 == 0;
    text += absolute ? platform::JoinPath(absoluteFolder, arrays[a].dataFile) : arrays[a].dataFile;
    text += (a + 1) % kEntriesPerLine == 0 || a + 1 == arrays.size() ? "\n" : "\t";
  }
  return text;
}

std::optional<WholeGroupTruth> MakeWholeGroup(const WholeGroupOptions& options,
                                              std::string* error) {
  const auto fail = [error](std::string reason) -> std::optional<WholeGroupTruth> {
    if (error != nullptr) *error = std::move(reason);
    return std::nullopt;
  };
  const int count = options.group.arrays;
  if (count < 1 || count > 999) return fail("a group holds 1 to 999 arrays");
  if (options.forms.empty()) return fail("no array file form given");
  if (options.duplicateTag == 0 || options.duplicateTag >= count)
    return fail("the array with a repeated scan time must be the second to the last");
  for (int array : options.undated)
    if (array < 0 || array >= count) return fail("an undated array must be one of the group");
  if (options.group.badArray >= count) return fail("the bad array must be one of the group");
  std::optional<ChipTruth> chip = MakeChip(options.chip, error);
  if (!chip) return std::nullopt;

  WholeGroupTruth truth;
  truth.chip = std::move(*chip);
  truth.name = options.name;
  truth.seed = options.group.seed;
  truth.group = MakeArrayGroup(truth.chip, options.group);
  truth.curvesFile = options.name + ".curves.txt";
  for (int a = 0; a < count; ++a) {
    GroupArrayFile array;
    const std::string stem = Numbered(options.name, a + 1, count);
    // Groups of SNP kind 1 open only the files of sub-array B.
    array.name = truth.chip.arrayType == 1 ? stem + "B" : stem;
    array.form = options.forms[static_cast<std::size_t>(a) % options.forms.size()];
    array.dataFile = array.name + (array.form == ArrayFileForm::kImage ? ".DAT" : ".CEL");
    array.scanTime = options.distinctScanTimes ? DistinctScanTime(a) : kSharedScanTime;
    if (a == options.duplicateTag) array.scanTime = truth.arrays.back().scanTime;
    if (std::find(options.undated.begin(), options.undated.end(), a) != options.undated.end())
      array.scanTime.clear();
    array.timeTag = array.scanTime.empty() ? kUndatedTimeTag : array.scanTime;
    // An open never takes undated files for repeats of each other.
    const bool dated = !array.scanTime.empty();
    for (std::size_t earlier = 0; dated && earlier < truth.arrays.size() && array.sameTagAs < 0;
         ++earlier)
      if (platform::EqualsNoCase(truth.arrays[earlier].timeTag, array.timeTag))
        array.sameTagAs = static_cast<int>(earlier);
    if (options.calls) array.callsFile = stem + ".txt";
    truth.arrays.push_back(std::move(array));
  }
  if (options.sideFiles) MakeSideTruth(truth, options);
  return truth;
}

bool WriteWholeGroup(const WholeGroupTruth& truth, const std::string& folder,
                     std::vector<std::string>& written, std::string* error) {
  const auto put = [&](const std::string& name, bool done) {
    const std::string path = platform::JoinPath(folder, name);
    if (!done) {
      if (error != nullptr) *error = platform::WithSystemReason("cannot write " + path, errno);
      return false;
    }
    written.push_back(path);
    return true;
  };
  const auto text = [&](const std::string& name, const std::string& content) {
    return put(name, WriteText(platform::JoinPath(folder, name), content));
  };
  const ChipTruth& chip = truth.chip;
  for (std::size_t a = 0; a < truth.arrays.size(); ++a) {
    const GroupArrayFile& file = truth.arrays[a];
    const int index = static_cast<int>(a);
    const ArrayTruth scanned = ScannedArray(chip, truth.group, index, file.name, file.scanTime);
    const std::string path = platform::JoinPath(folder, file.dataFile);
    bool done = false;
    switch (file.form) {
      case ArrayFileForm::kText:
        done = WriteCel(scanned, CelForm::kText, path);
        break;
      case ArrayFileForm::kOldText:
        done = WriteCel(scanned, CelForm::kOldText, path);
        break;
      case ArrayFileForm::kBinary:
        done = WriteCel(scanned, CelForm::kBinary, path);
        break;
      case ArrayFileForm::kImage: {
        DatOptions image;
        image.seed = truth.seed + a;
        const std::optional<DatImage> made = MakeDatImage(scanned, image, error);
        if (!made) return false;
        done = WriteDat(scanned, *made, path);
        break;
      }
    }
    if (!put(file.dataFile, done)) return false;
    if (file.callsFile.empty()) continue;
    const std::string callsPath = platform::JoinPath(folder, file.callsFile);
    if (chip.arrayType == 0) {
      std::vector<char> calls;
      std::vector<double> signals;
      ResultsOf(truth.group, index, calls, signals);
      done = WriteResultText(chip, calls, signals, callsPath);
    } else {
      const GenotypeForm form =
          chip.arrayType == 1 ? GenotypeForm::kAllelePairs : GenotypeForm::kCallWords;
      done = WriteGenotypeCalls(chip, MakeGenotypes(chip, truth.seed + a), callsPath, form);
    }
    if (!put(file.callsFile, done)) return false;
  }
  if (!text(truth.curvesFile, CurveListing(truth))) return false;
  if (truth.chipFile.empty()) return true;
  if (!put(truth.chipFile, WriteTextCdf(chip, platform::JoinPath(folder, truth.chipFile))))
    return false;
  if (!text(truth.sampleInfoFile, SampleInfoText(truth))) return false;
  if (!text(truth.arrayListFile, ArrayListText(truth))) return false;
  if (!truth.geneInfoFile.empty() &&
      !put(truth.geneInfoFile,
           WriteGeneInfo(truth.geneInfo, platform::JoinPath(folder, truth.geneInfoFile))))
    return false;
  if (!text(truth.thetaFile, ThetaListing(truth))) return false;
  const std::optional<std::string> absoluteFolder = AbsoluteFolder(folder);
  if (!absoluteFolder) {
    if (error != nullptr) *error = "cannot find the absolute path of " + folder;
    return false;
  }
  return text(truth.dataFileList, truth.DataFileListText(*absoluteFolder));
}

}  // namespace synth
