// The zone under a point of the chromosome view and what the status bar says about it.
#include "shell/views/chromosome/chromosome_hit.hpp"

#include <algorithm>
#include <cmath>

#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/snp_info.hpp"
#include "genome/jobs/region_clustering.hpp"
#include "shell/views/chromosome/chromosome_geometry.hpp"
#include "shell/views/chromosome/chromosome_layout.hpp"

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

bool Missing(float v) {
  return v == kMissingValueFloat || !std::isfinite(v);
}

// The refGene whose name the list draws at y: the last one starting within a font height
// above it.
int RefGeneAt(const ChromosomeGeometry& g, int y, int* chro) {
  if (refgene_info.refGenes.empty() || !g.in.proportional) return -1;
  const double scale = g.pixelKb * 1000.0;
  const double pos = (y - g.top - 0.5) * scale;
  // The chromosome at y: the current one, or in Show All the one whose stretch holds it.
  int c = TheGroup().Settings().CHRO_CUR_CHRO;
  double offset = 0;
  if (g.in.showAll) {
    c = -1;
    for (int k = 0; k < genome_info.NumChro && k < MAX_CHRO_NUM; ++k) {
      const double length = std::max(static_cast<double>(genome_info.chroLength[At(k)]),
                                     static_cast<double>(refgene_info.chroLength[At(k)]));
      if (pos < offset + length) {
        c = k;
        break;
      }
      offset += length;
    }
  }
  if (c < 0 || c >= refgene_info.NumChro || c >= MAX_CHRO_NUM) return -1;
  const std::vector<PositionEntry>& list = refgene_info.posList[At(c)];
  const double font = std::max(1, g.in.propFontHeight) * scale;
  auto it = std::upper_bound(list.begin(), list.end(), pos - offset,
                             [](double p, const PositionEntry& e) { return p < e.pos; });
  if (it == list.begin()) return -1;
  --it;
  if (pos - offset - it->pos > font) return -1;
  *chro = c;
  return it->index;
}

std::string ValueText(const ChromosomeGeometry& g, int row, int column) {
  const int unit = g.rows[At(row)].unit;
  const int sample = g.columns.sampleOfColumn[At(column)];
  const int group = g.columns.groupOfColumn[At(column)];
  const int first = g.columns.groupFirstColumn[At(group)];
  const int size = g.columns.groupSize[At(group)];
  const GroupSettings& settings = TheGroup().Settings();
  if (unit < 0 || unit >= chromosome.unitCount || sample >= chromosome.sampleCount) return "NA";
  switch (chromosome.dataType) {
    case kDataCall: {
      if (chromosome.calls.Empty()) return "NA";
      const int call = chromosome.calls.Row(sample)[unit];
      if (ArrayType == 0) return std::string(1, static_cast<char>(call));
      return call >= 0 && call < static_cast<int>(kSnpCallNames.size())
                 ? std::string(kSnpCallNames[At(call)])
                 : std::string("NA");
    }
    case kDataLohCall: {
      if (chromosome.lohCodes.Empty()) return "NA";
      const int shown = size >= 2 && DisplayInferred ? 1 : 0;
      const int s = g.columns.sampleOfColumn[At(first + std::min(shown, size - 1))];
      const float v = chromosome.lohCodes.Row(s)[unit];
      const int code = Missing(v) ? -1 : static_cast<int>(std::lround(v));
      return code >= 0 && code < static_cast<int>(kLohCallNames.size())
                 ? std::string(kLohCallNames[At(code)])
                 : std::string("NA");
    }
    case kDataCopyNumber:
    case kDataLog2Ratio: {
      const int s = settings.CHRO_MERGE_GROUP_NAME != 0 && size >= 2
                        ? g.columns.sampleOfColumn[At(first + 1)]
                        : sample;
      const bool parentSpecific =
          settings.PARENT_SPECIFIC_COPY != 0 && !chromosome.secondSignal.Empty();
      if (chromosome.dataType == kDataCopyNumber && parentSpecific && DisplayInferred &&
          !chromosome.inferred.Empty()) {
        float a = kMissingValueFloat;
        float b = kMissingValueFloat;
        chromosome.DecodeParentCopies(chromosome.inferred.Row(s)[unit], &a, &b);
        if (Missing(a) || Missing(b)) return "NA";
        return MessageBuffer("Fa,Mo: %.2f,%.2f", static_cast<double>(a), static_cast<double>(b));
      }
      const float v = chromosome.GetValue(s, unit);
      if (Missing(v)) return "NA";
      if (chromosome.dataType == kDataCopyNumber && !DisplayInferred &&
          !chromosome.signal.Empty() && chromosome.HoldsUnit(unit)) {
        const float signal = chromosome.signal.Row(s)[unit];
        return MessageBuffer("%.2f (Signal: %.1f, Mean: %.1f)", static_cast<double>(v),
                             Missing(signal) ? 0.0 : static_cast<double>(signal),
                             static_cast<double>(chromosome.markerStats[At(unit)].mean));
      }
      return MessageBuffer("%.2f", static_cast<double>(v));
    }
    case kDataAlleleSharing: {
      if (chromosome.inferred.Empty()) return "NA";
      const float v = chromosome.inferred.Row(sample)[unit];
      return Missing(v) ? std::string("NA") : MessageBuffer("%.2f", static_cast<double>(v));
    }
    default:
      return "NA";
  }
}

std::string UnitText(int unit) {
  if (unit < 0 || static_cast<std::size_t>(unit) >= Layout.units.size()) return {};
  std::string text(Layout.units[At(unit)].Name());
  if (ArrayType != 0 && static_cast<std::size_t>(unit) < snp_info_table.snps.size())
    text += " [" + snp_info_table.snps[At(unit)].secondText + "]";
  return text;
}

float UnitPosition(int unit) {
  return unit >= 0 && static_cast<std::size_t>(unit) < genome_info.Unit.size()
             ? genome_info.Unit[At(unit)].pos
             : 0.0f;
}

std::string DataTypeName() {
  const int type = std::clamp(chromosome.dataType, 0, kChroDataTypeCount - 1);
  return (DisplayInferred ? "Inferred " : "") + std::string(kChroDataTypeNames[At(type)]);
}

std::string NoRegionsNote() {
  return ArrayType == 0 ? std::string(kExpressionMarksNoRegions) : std::string();
}

// The highlighted branch of the shown sample tree against a category: the branch's samples
// (every sample of its groups) with a category in the column, those with this one, and the
// category's enrichment p value there; empty without a highlighted branch.
std::string HighlightedBranchText(int infoRow, int category) {
  const OrderedTree* tree = ShownChromosomeTrees().samples;
  if (tree == nullptr || !tree->ValidNode(tree->highlighted)) return {};
  int annotated = 0;
  int hits = 0;
  for (const int group : tree->BranchItems(tree->highlighted)) {
    if (group < 0 || group >= SampleGrouping.GroupCount()) continue;
    const int first = SampleGrouping.GroupFirstSample(group);
    for (int s = first; s < first + SampleGrouping.GroupSize(group); ++s) {
      const int own = SampleInfo.CategoryOf(SampleGrouping.GetSampleArray(s), infoRow);
      if (own < 0) continue;
      ++annotated;
      if (own == category) ++hits;
    }
  }
  return MessageBuffer(" [highlighted: %d/%d, PValue=%f]", hits, annotated,
                       SampleInfo.CategoryEnrichmentPValue(infoRow, category, annotated, hits));
}

}  // namespace

ChromosomeHit HitChromosome(const ChromosomeGeometry& g, int x, int y, int legendShift) {
  ChromosomeHit hit;
  const ChromosomeTrees trees = ShownChromosomeTrees();
  if (trees.samples != nullptr && y - legendShift < g.in.dendroHeight / 2 + kSampleTreePickPixels) {
    hit.node = NearestSampleTreeNode(g, *trees.samples, x, y - legendShift);
    if (hit.node >= 0) {
      hit.zone = ChromosomeZone::kSampleTree;
      return hit;
    }
  }
  const int ht2 = g.in.infoRowHeight;
  const int infoTop = g.infoTop + legendShift;
  if (ht2 > 0 && g.in.infoRows > 0 && y >= infoTop && y < infoTop + g.in.infoRows * ht2 &&
      g.ColumnAt(x) >= 0) {
    hit.zone = ChromosomeZone::kSampleInfo;
    hit.column = g.ColumnAt(x);
    hit.infoRow = (y - infoTop) / ht2;
    return hit;
  }
  if (y < g.top || y >= g.bottom) return hit;
  const int row = g.RowAt(y);
  if (g.InCells(x, y)) {
    if (row < 0) return hit;
    hit.zone = ChromosomeZone::kCell;
    hit.row = row;
    hit.column = g.ColumnAt(x);
    hit.chro = g.rows[At(row)].chro;
    return hit;
  }
  if (x >= g.CurveLeft() && x < g.CurveLeft() + g.CurveWidth()) {
    hit.zone = ChromosomeZone::kCurve;
    hit.row = row;
    hit.chro = row >= 0 ? g.rows[At(row)].chro : -1;
    return hit;
  }
  if (g.in.proportional && x >= g.bandWidth + 2 * g.in.pixelWidth && x < g.left) {
    int chro = -1;
    const int refGene = RefGeneAt(g, y, &chro);
    if (refGene >= 0 && refGene < static_cast<int>(refgene_info.refGenes.size())) {
      hit.zone = ChromosomeZone::kRefGene;
      hit.refGene = refGene;
      hit.chro = chro;
    }
  }
  return hit;
}

std::string ChromosomeStatusText(const ChromosomeGeometry& g, const ChromosomeHit& hit) {
  switch (hit.zone) {
    case ChromosomeZone::kCell: {
      const int unit = g.rows[At(hit.row)].unit;
      const int sample = g.columns.sampleOfColumn[At(hit.column)];
      const std::string name =
          sample < SampleGrouping.SampleCount() ? SampleGrouping.SampleName(sample) : std::string();
      return MessageBuffer("[%s] [%s: Chro %s, %.3f Mb] [%s: ", name.c_str(),
                           UnitText(unit).c_str(), genome_info.GetChroName(hit.chro).c_str(),
                           UnitPosition(unit) * 1e-6, DataTypeName().c_str()) +
             ValueText(g, hit.row, hit.column) + "]";
    }
    case ChromosomeZone::kCurve: {
      const int type = std::clamp(chromosome.dataType, 0, kChroDataTypeCount - 1);
      std::string text = MessageBuffer("[Min %.2f, max %.2f, threshold: %.2f]",
                                       static_cast<double>(chromosome.Min[At(type)]),
                                       static_cast<double>(chromosome.Max[At(type)]),
                                       static_cast<double>(chromosome.Threshold[At(type)]));
      if (hit.row >= 0) {
        const int unit = g.rows[At(hit.row)].unit;
        const float v = chromosome.Summary(unit, type);
        text += MessageBuffer(
            " [%s, %.3f Mb, Value: %s]", UnitText(unit).c_str(), UnitPosition(unit) * 1e-6,
            Missing(v) ? "NA" : MessageBuffer("%.2f", static_cast<double>(v)).c_str());
      }
      return text + NoRegionsNote();
    }
    case ChromosomeZone::kRefGene: {
      const REFGENE_ENTRY& gene = refgene_info.refGenes[At(hit.refGene)];
      return MessageBuffer("[Chro %d, %.3f-%.3f Mb] [LocusLink %d: %s]", hit.chro + 1,
                           gene.start * 1e-6, gene.end * 1e-6, gene.geneId, gene.name.c_str());
    }
    case ChromosomeZone::kSampleInfo: {
      const int sample = g.columns.sampleOfColumn[At(hit.column)];
      const int array = SampleGrouping.GetSampleArray(sample);
      if (array < 0 || array >= SampleInfo.RowCount() || hit.infoRow >= SampleInfo.ColumnCount())
        return {};
      const SampleInfoColumn& column = SampleInfo.Column(hit.infoRow);
      const std::string name = SampleGrouping.SampleName(sample);
      if (column.numeric) {
        return MessageBuffer("[%s's %s: %.2f (Standardized: %.2f)]", name.c_str(),
                             column.name.c_str(), SampleInfo.NumericValue(array, hit.infoRow),
                             SampleInfo.StandardizedValue(array, hit.infoRow));
      }
      const int category = SampleInfo.CategoryOf(array, hit.infoRow);
      if (category < 0 || category >= column.CategoryCount()) return {};
      return MessageBuffer("[%s's %s: %s] [all: %d/%d]", name.c_str(), column.name.c_str(),
                           column.categories[At(category)].name.c_str(),
                           column.categories[At(category)].sampleCount, column.sampleTotal) +
             HighlightedBranchText(hit.infoRow, category);
    }
    case ChromosomeZone::kSampleTree:
    case ChromosomeZone::kNone:
      break;
  }
  return kChromosomeViewHint + NoRegionsNote();
}
