// The data export of the chromosome view: the current data type of every
// marker, one column per sample or, for the LOH call and allele-sharing types,
// per sample group.
#include "genome/files/chromosome_export.hpp"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_files.hpp"
#include "genome/info/genome_info.hpp"
#include "platform/file_replacement.hpp"

namespace {

// LOH classification of the tallies when probabilities are written instead of
// letters.
constexpr float kTallyCallThreshold = 0.5f;

struct GroupTally {
  int loh = 0;
  int informative = 0;
  int conflict = 0;

  void Count(int code) {
    loh += code == kLohLoss ? 1 : 0;
    informative += code == kLohLoss || code == kLohRetention ? 1 : 0;
    conflict += code == kLohConflict ? 1 : 0;
  }
};

void AppendFixed(std::string& line, const char* format, double value) {
  line += MessageBuffer(format, value);
}

// A call byte as text: a genotype by its name, a presence call by its letter.
void AppendCall(std::string& line, std::uint8_t call) {
  if (call < kSnpCallNames.size()) {
    line += kSnpCallNames[call];
    return;
  }
  if (call >= ' ' && call < 0x7f) line += static_cast<char>(call);
}

class ExportWriter {
 public:
  ExportWriter(const CHROMOSOME& chro, platform::FileReplacement& file)
      : mChro(chro), mOut(file), mLine(mOut.Text()) {
    const GroupSettings& settings = TheGroup().Settings();
    mParentSpecific = settings.PARENT_SPECIFIC_COPY != 0;
    mCallThreshold = settings.INFER_CALL_THRESHOLD;
    mType = chro.dataType;
    mByGroup = mType == kDataLohCall || mType == kDataAlleleSharing;
    mSamples = std::min(chro.sampleCount, SampleGrouping.SampleCount());
    mGroups = SampleGrouping.GroupCount();
    mParentPairs = mType == kDataCopyNumber && chro.displayInferred && mParentSpecific;
  }

  bool Write() {
    WriteHeader();
    std::vector<GroupTally> tallies(static_cast<std::size_t>(std::max(mGroups, 0)));
    JobProgress& progress = Progress();
    int lines = 0;
    for (const int unit : genome_info.genomeOrder) {
      if (!mChro.HoldsUnit(unit)) continue;
      WriteMarker(unit, tallies);
      if (!mOut.WriteFull()) return false;
      if (++lines % kExportPumpStep == 0) progress.Pump();
    }
    if (mType == kDataLohCall) WriteTallies(tallies, lines);
    return mOut.WriteAll();
  }

 private:
  void WriteHeader() {
    const bool inferred =
        mChro.displayInferred &&
        (mType == kDataLohCall || mType == kDataCopyNumber || mType == kDataHaplotype);
    mLine += kExportDataTypeWords;
    if (inferred) mLine += kExportInferredWord;
    if (mType >= 0 && mType < kChroDataTypeCount)
      mLine += kChroDataTypeNames[static_cast<std::size_t>(mType)];
    mLine += '\n';
    mLine += kExportHeader;
    if (mByGroup) {
      for (int g = 0; g < mGroups; ++g) {
        const int first = SampleGrouping.GroupFirstSample(g);
        mLine += SampleGrouping.SampleName(first);
        if (SampleGrouping.GroupSize(g) > 1)
          mLine.append("|").append(SampleGrouping.SampleName(first + 1));
        mLine += '\t';
      }
    } else {
      for (int s = 0; s < mSamples; ++s) {
        mLine.append(SampleGrouping.SampleName(s)).append("\t");
        if (mParentPairs)
          mLine.append(SampleGrouping.SampleName(s)).append(kSecondParentSuffix).append("\t");
      }
    }
    mLine += '\n';
  }

  void WriteMarker(int unit, std::vector<GroupTally>& tallies) {
    const UNIT_POS& place = genome_info.Unit[static_cast<std::size_t>(unit)];
    mLine.append(Layout.units[static_cast<std::size_t>(unit)].Name()).append("\t");
    mLine.append(place.Text().empty() ? std::string_view("NA") : place.Text()).append("\t");
    AppendMarkerPlace(mLine, place);
    const float score = mChro.Summary(unit, mType);
    if (score == kMissingValueFloat || mType == kDataCopyNumber || mType == kDataLog2Ratio)
      mLine += "NA";
    else
      AppendFixed(mLine, "%.2f", score);
    mLine += '\t';
    if (mByGroup) {
      for (int g = 0; g < mGroups; ++g) {
        WriteGroupCell(g, unit, tallies[static_cast<std::size_t>(g)]);
        mLine += '\t';
      }
    } else {
      for (int s = 0; s < mSamples; ++s) {
        WriteSampleCell(s, unit);
        mLine += '\t';
      }
    }
    mLine += '\n';
  }

  void WriteGroupCell(int group, int unit, GroupTally& tally) {
    const int first = SampleGrouping.GroupFirstSample(group);
    const int size = SampleGrouping.GroupSize(group);
    if (first < 0 || first + size > mSamples || size <= 0) return;
    if (mType == kDataAlleleSharing) {
      if (mChro.inferred.Empty()) return;
      const float value = mChro.inferred.Row(first)[unit];
      if (value != kMissingValueFloat) AppendExactFloat(mLine, value);
      return;
    }
    if (mChro.lohCodes.Empty()) return;
    if (size > 1 && !mChro.displayInferred) {
      const int code = std::clamp(static_cast<int>(mChro.lohCodes.Row(first)[unit]), 0,
                                  static_cast<int>(kLohCallNames.size()) - 1);
      mLine += kLohCallNames[static_cast<std::size_t>(code)].front();
      tally.Count(code);
      return;
    }
    const int target = size > 1 ? first + 1 : first;
    const float loh = 1.0f - mChro.lohCodes.Row(target)[unit];
    if (mCallThreshold == -1.0f) {
      AppendFixed(mLine, "%.4f", loh);
      tally.Count(CHROMOSOME::ClassifyInferredLoh(loh, kTallyCallThreshold));
      return;
    }
    const int code = CHROMOSOME::ClassifyInferredLoh(loh, mCallThreshold);
    mLine += kLohCallNames[static_cast<std::size_t>(code)].front();
    tally.Count(code);
  }

  void WriteSampleCell(int sample, int unit) {
    if (mType == kDataCall) {
      AppendCall(mLine, mChro.calls.Row(sample)[unit]);
      return;
    }
    if ((mType != kDataCopyNumber && mType != kDataLog2Ratio) || mChro.signal.Empty()) return;
    if (mParentPairs) {
      const float cell = mChro.inferred.Row(sample)[unit];
      if (cell == kMissingValueFloat) {
        mLine += '\t';
        return;
      }
      float first = 0;
      float second = 0;
      mChro.DecodeParentCopies(cell, &first, &second);
      AppendFixed(mLine, "%.2f", first);
      mLine += '\t';
      AppendFixed(mLine, "%.2f", second);
      return;
    }
    const float value = mChro.GetValue(sample, unit);
    if (value != kMissingValueFloat) AppendExactFloat(mLine, value);
  }

  void WriteTallies(const std::vector<GroupTally>& tallies, int markers) {
    auto row = [&](const std::string& title, auto value) {
      mLine += title;
      mLine += "\t\t\t\t\t";
      for (const GroupTally& tally : tallies) {
        value(tally);
        mLine += '\t';
      }
      mLine += '\n';
    };
    auto ratio = [this](int part, int whole) {
      AppendSixDigits(mLine, whole > 0 ? static_cast<double>(part) / whole : 0.0);
    };
    mLine += '\n';
    row("#LOH\t", [this](const GroupTally& t) { mLine += std::to_string(t.loh); });
    row("#Informative\t", [this](const GroupTally& t) { mLine += std::to_string(t.informative); });
    row("#LOH / #Informative\t", [&](const GroupTally& t) { ratio(t.loh, t.informative); });
    row(MessageBuffer("#Informative / #SNP(%d)\t", markers),
        [&](const GroupTally& t) { ratio(t.informative, markers); });
    row(MessageBuffer("#Conflict / #SNP (%d)\t", markers),
        [&](const GroupTally& t) { ratio(t.conflict, markers); });
  }

  const CHROMOSOME& mChro;
  GatheredText mOut;
  std::string& mLine;  // the lines gathered for the file
  bool mParentSpecific = false;
  bool mParentPairs = false;
  bool mByGroup = false;
  float mCallThreshold = 0.5f;
  int mType = kDataCall;
  int mSamples = 0;
  int mGroups = 0;
};

}  // namespace

std::size_t SampleColumnsLineBound(int samples, bool parentPairs) {
  const std::size_t perSample = parentPairs ? 2 : 1;
  std::size_t header = std::string_view(kExportHeader).size();
  for (int s = 0; s < samples; ++s) header += (SampleGrouping.SampleName(s).size() + 1) * perSample;
  if (parentPairs)
    header += static_cast<std::size_t>(std::max(samples, 0)) *
              std::string_view(kSecondParentSuffix).size();
  const std::size_t marker = kExportPlaceRoom + static_cast<std::size_t>(std::max(samples, 0)) *
                                                    perSample * kExportValueRoom;
  return std::max({kInferredCopyLineLength, header, marker});
}

bool ExportData(const CHROMOSOME& chro, const std::string& path) {
  return ReplaceFileOrLog(path, MessageBuffer(kExportOpenFailedMessage, path.c_str()),
                          [&chro](platform::FileReplacement& file) {
                            ExportWriter writer(chro, file);
                            return writer.Write();
                          });
}
