#include "genome/files/region_summary.hpp"

#include <algorithm>
#include <string_view>
#include <vector>

#include "engine/base/missing_value.hpp"
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

bool RegionPerRow = false;

namespace {

std::string ValueText(float value) {
  return value == kMissingValueFloat ? std::string("NA") : MessageBuffer("%.2f", value);
}

std::string NumberText(double value) {
  std::string text;
  AppendSixDigits(text, value);
  return text;
}

class SummaryWriter {
 public:
  SummaryWriter(CHROMOSOME& chro, platform::FileReplacement& file)
      : mChro(chro), mOut(file), mText(mOut.Text()) {}

  bool Write() {
    const GroupSettings& settings = TheGroup().Settings();
    const int type = mChro.dataType;
    const auto t = static_cast<std::size_t>(std::clamp(type, 0, kChroDataTypeCount - 1));
    mText += "Array list file: " + settings.ARRAY_LIST_FILE + "\n";
    mText += "Data type: ";
    if (mChro.displayInferred) mText += "Inferred ";
    mText.append(kChroDataTypeNames[t]).append("\n");
    if (mChro.useMinMax != 0)
      mText += "Curve threshold: <= " + NumberText(mChro.Min[t]) +
               " or >= " + NumberText(mChro.Max[t]) + "\n";
    else
      mText += "Curve threshold: >= " + NumberText(mChro.Threshold[t]) + "\n";
    mText += RegionPerRow ? kRegionRowHeader : kRegionBlockHeader;

    if (type != kDataCopyNumber) {
      WriteRegions(kAllSamplesText);
      return mOut.WriteAll();
    }
    const int kept = mChro.currentSample;
    for (int g = 0; g < SampleGrouping.GroupCount() && mOut.Ok(); ++g) {
      const int first = SampleGrouping.GroupFirstSample(g);
      const int sample = SampleGrouping.GroupSize(g) > 1 ? first + 1 : first;
      if (sample < 0 || sample >= mChro.sampleCount) continue;
      mChro.currentSample = sample;
      mChro.PrepareDataType();
      WriteRegions("Sample " + SampleGrouping.SampleName(sample));
      Progress().Pump();
    }
    mChro.currentSample = kept;
    mChro.PrepareDataType();
    return mOut.WriteAll();
  }

 private:
  const std::vector<PositionEntry>& Markers(int chromosome) const {
    return genome_info.posList[static_cast<std::size_t>(chromosome)];
  }
  float Value(int unit) const { return mChro.Summary(unit, mChro.dataType); }

  void WriteRegions(const std::string& who) {
    for (int r = 0; r < mChro.regionCount && mOut.Ok(); ++r) {
      const ChroRegion& region = mChro.regions[static_cast<std::size_t>(r)];
      const int c = region.chro;
      if (c < 0 || c >= MAX_CHRO_NUM) continue;
      const int count = static_cast<int>(Markers(c).size());
      if (region.first < 0 || region.last >= count || region.first > region.last) continue;
      ++mNumber;
      if (RegionPerRow)
        WriteRow(region, who);
      else
        WriteBlock(region, who);
      if (!mOut.WriteFull()) return;
    }
  }

  // Bands of the chromosome that overlap [start, end].
  std::vector<const CYTOBAND*> Bands(int chromosome, float start, float end) const {
    std::vector<const CYTOBAND*> bands;
    if (genome_info.bandCount <= 0) return bands;
    const auto c = static_cast<std::size_t>(chromosome);
    for (int b = genome_info.bandStart[c]; b < genome_info.bandStart[c + 1]; ++b) {
      const CYTOBAND& band = genome_info.bands[static_cast<std::size_t>(b)];
      if (band.start <= end && band.end >= start) bands.push_back(&band);
    }
    return bands;
  }

  void WriteGenes(int chromosome, float start, float end) {
    std::vector<const REFGENE_ENTRY*> genes;
    for (const REFGENE_ENTRY& gene : refgene_info.refGenes)
      if (gene.chro == chromosome && gene.start <= end && gene.end >= start) genes.push_back(&gene);
    std::stable_sort(
        genes.begin(), genes.end(),
        [](const REFGENE_ENTRY* a, const REFGENE_ENTRY* b) { return a->start < b->start; });
    const std::size_t shown =
        std::min(genes.size(), static_cast<std::size_t>(std::max(mChro.genesPerRegion, 0)));
    for (std::size_t g = 0; g < shown; ++g)
      mText += "Gene\t" + FormatMb(genes[g]->start) + "\t\t" + genes[g]->name + " (LL " +
               std::to_string(genes[g]->geneId) + ")\n";
    if (genes.size() > shown)
      mText += "Gene\t " + std::to_string(genes.size() - shown) + " more genes\n";
  }

  void WriteBlock(const ChroRegion& region, const std::string& who) {
    const int c = region.chro;
    const auto& markers = Markers(c);
    const int first = std::max(region.first - 1, 0);
    const int last = std::min(region.last + 1, static_cast<int>(markers.size()) - 1);
    const float start = markers[static_cast<std::size_t>(first)].pos;
    const float end = markers[static_cast<std::size_t>(last)].pos;
    mText += "Region " + std::to_string(mNumber) + ", " + who + ", Chromosome " +
             genome_info.GetChroName(c) + "\n";
    for (const CYTOBAND* band : Bands(c, start, end))
      mText += "Cytoband\t" + FormatMb(band->start) + "\t" + FormatMb(band->end) + "\t\t" +
               band->name + "\n";

    // A marker whose value differs from the one before starts a line; the equal values
    // after it are told as a count with their calls.
    int runStart = first;
    float previous = 0;
    auto closeRun = [&](int next) {
      if (next - runStart <= 0) return;
      mText += "SNP\t" + std::to_string(next - runStart) + " more markers\t\t" +
               ValueText(previous) + "\t" + CallCountText(mChro, c, runStart, next - 1) + "\n";
    };
    for (int k = first; k <= last; ++k) {
      const int unit = markers[static_cast<std::size_t>(k)].index;
      const float value = Value(unit);
      if (k > first && value == previous) continue;
      closeRun(k);
      const UNIT_POS& place = genome_info.Unit[static_cast<std::size_t>(unit)];
      mText += "SNP\t" + FormatMb(place.pos) + "\t\t" + ValueText(value) + "\t";
      mText.append(Layout.units[static_cast<std::size_t>(unit)].Name()).append("[");
      mText.append(place.Text()).append("]\n");
      previous = value;
      runStart = k + 1;
    }
    closeRun(last + 1);
    WriteGenes(c, start, end);
  }

  void WriteRow(const ChroRegion& region, const std::string& who) {
    const int c = region.chro;
    const auto& markers = Markers(c);
    const float start = markers[static_cast<std::size_t>(region.first)].pos;
    const float end = markers[static_cast<std::size_t>(region.last)].pos;
    const std::vector<const CYTOBAND*> bands = Bands(c, start, end);
    std::string place = genome_info.GetChroName(c);
    if (!bands.empty()) {
      place = bands.front()->name;
      if (bands.size() > 1) place.append("-").append(bands.back()->name);
    }
    double sum = 0;
    int values = 0;
    for (int k = region.first; k <= region.last; ++k) {
      const float value = Value(markers[static_cast<std::size_t>(k)].index);
      if (value == kMissingValueFloat) continue;
      sum += value;
      ++values;
    }
    const std::string sample = who.rfind("Sample ", 0) == 0 ? who.substr(7) : who;
    mText += place + "\t" + FormatMb(start) + "\t" + FormatMb(end) + "\t" + FormatMb(end - start) +
             "\t" + std::to_string(region.last - region.first + 1) + "\t" + sample + "\t" +
             ValueText(values > 0 ? static_cast<float>(sum / values) : kMissingValueFloat) + "\n";
    WriteGenes(c, start, end);
  }

  CHROMOSOME& mChro;
  GatheredText mOut;
  std::string& mText;  // the text gathered for the file
  int mNumber = 0;
};

}  // namespace

std::string CallCountText(const CHROMOSOME& chro, int chroIndex, int first, int last) {
  int none = 0;
  int homozygous = 0;
  int heterozygous = 0;
  const int sample = chro.currentSample;
  if (chroIndex >= 0 && chroIndex < MAX_CHRO_NUM && sample >= 0 && sample < chro.sampleCount &&
      !chro.calls.Empty()) {
    const auto& markers = genome_info.posList[static_cast<std::size_t>(chroIndex)];
    last = std::min(last, static_cast<int>(markers.size()) - 1);
    for (int k = std::max(first, 0); k <= last; ++k) {
      const int unit = markers[static_cast<std::size_t>(k)].index;
      if (unit < 0 || unit >= chro.unitCount) continue;
      const int call = chro.calls.Row(sample)[unit];
      none += call == 3 ? 1 : 0;
      homozygous += call == 0 || call == 1 ? 1 : 0;
      heterozygous += call == 2 || call == 4 || call == 5 ? 1 : 0;
    }
  }
  return MessageBuffer("%d NoCall, %d A/B, %d AB", none, homozygous, heterozygous);
}

bool WriteRegionSummary(CHROMOSOME& chro, const std::string& path) {
  return ReplaceFileOrLog(path, MessageBuffer(kRegionSummaryFailedMessage, path.c_str()),
                          [&chro](platform::FileReplacement& file) {
                            SummaryWriter writer(chro, file);
                            return writer.Write();
                          });
}
