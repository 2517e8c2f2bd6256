// The chromosome view's commands: the Chromosome menu, the raw copy-number
// histogram, and Find Gene and Export Image of the View menu, with their enable
// and check rules.
#include <QDialog>
#include <QWidget>

#include <ctime>
#include <string>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/output_file_registry.hpp"
#include "engine/services/r_link.hpp"
#include "engine/services/running_scope.hpp"
#include "genes/info/gene_info.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/files/region_summary.hpp"
#include "genome/inference/chromosome_curve.hpp"
#include "genome/inference/random_seed.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/jobs/region_clustering.hpp"
#include "genome/linkage/linkage_driver.hpp"
#include "platform/r_text.hpp"
#include "shell/dialogs/find/find_gene.hpp"
#include "shell/dialogs/genome/cluster_snp_dialog.hpp"
#include "shell/dialogs/genome/enu_dialog.hpp"
#include "shell/dialogs/genome/export_snp_dialog.hpp"
#include "shell/dialogs/genome/find_ref_gene_dialog.hpp"
#include "shell/dialogs/genome/linkage_dialog.hpp"
#include "shell/dialogs/genome/permute_dialog.hpp"
#include "shell/dialogs/image/image_export.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"

namespace {

// The chromosome the linkage engine cannot take: the 23rd, the human X.
constexpr int kNoLinkageChromosome = 22;
// Raw copy numbers the histogram shows, and its bars.
constexpr float kLowestRawCopy = 0.0f;
constexpr float kHighestRawCopy = 8.0f;

constexpr const char* kUnitNotMappedMessage = "Gene or marker %s [%s] not mapped to any chromsome";
constexpr const char* kCannotWriteExportMessage = "Can't write file; is it open in Excel?";

bool Idle() {
  return AnalysisRunning == 0;
}

bool SnpArrays() {
  return ArrayType != 0;
}

bool HasCurrentSample() {
  return chromosome.currentSample >= 0 && chromosome.currentSample < chromosome.sampleCount;
}

// The data types whose inferred values can be shown instead of the observed
// ones.
bool OffersInferred(int dataType) {
  return dataType != kDataCall && dataType != kDataLog2Ratio;
}

void LogBlue(const std::string& text) {
  LogMessage(text, 0, kLogBlue);
}

void LogRError(const RReply& reply) {
  LogMessage("  R: " + reply.error, 0, kLogRed);
}

// The sample's raw copy numbers the histogram takes.
std::vector<double> RawCopyNumbers(int sample) {
  std::vector<double> values;
  for (int unit = 0; unit < chromosome.unitCount; ++unit) {
    const float value = chromosome.GetValue(sample, unit);
    if (value >= kLowestRawCopy && value <= kHighestRawCopy) values.push_back(value);
  }
  return values;
}

}  // namespace

std::optional<CommandState> CChromosomeView::UpdateCommand(int id) const {
  const GroupSettings& settings = TheGroup().Settings();
  const int type = chromosome.dataType;
  const bool refGenes = refgene_info.refGeneCount > 0;
  switch (id) {
    case ids::kChroFindGene:
      return CommandState{refGenes, false};
    case ids::kChroFindNextGene:
      return CommandState{refGenes && !refgene_info.refGeneKeyword.empty(), false};
    case ids::kChroProportionalDistance:
      return CommandState{!RegionsMode, settings.PROPORTIONAL_DIST != 0};
    case ids::kChroShowAll:
      return CommandState{!RegionsMode, settings.VIEW_ALL_CHROMOSOME != 0};
    case ids::kChroNextDataType:
      return CommandState{true, false};
    case ids::kChroDisplayInferred:
      return CommandState{OffersInferred(type), DisplayInferred};
    case ids::kChroClustering:
      return CommandState{SnpArrays() && type >= kDataCall && type <= kDataCopyNumber && Idle(),
                          false};
    case ids::kChroLinkageAnalysis:
      return CommandState{SnpArrays() && settings.CHRO_METHOD == kChroLinkage &&
                              settings.CHRO_CUR_CHRO != kNoLinkageChromosome && Idle(),
                          false};
    case ids::kChroPermuteData:
      return CommandState{(type == kDataLohCall || type == kDataAlleleSharing) && Idle(), false};
    case ids::kChroEnu:
      return CommandState{Idle(), false};
    case ids::kChroExportSnpData:
      return CommandState{chromosome.unitCount > 0 && Idle(), false};
    case ids::kChroRawCopyHistogram:
      return CommandState{type == kDataCopyNumber && !DisplayInferred && HasCurrentSample(), false};
    case ids::kExportImage:
    case ids::kFindGene:
      return CommandState{true, false};
    default:
      return std::nullopt;
  }
}

bool CChromosomeView::RunCommand(int id) {
  // The view's own keys reach here too; they do only what the menu would.
  if (const std::optional<CommandState> state = UpdateCommand(id); state && !state->enabled)
    return true;
  GroupSettings& settings = TheGroup().Settings();
  switch (id) {
    case ids::kChroFindGene:
      FindRefGeneCommand();
      return true;
    case ids::kChroFindNextGene:
      FindNextRefGeneCommand();
      return true;
    case ids::kChroProportionalDistance:
      settings.PROPORTIONAL_DIST = settings.PROPORTIONAL_DIST != 0 ? 0 : 1;
      Relayout();
      return true;
    case ids::kChroShowAll:
      settings.VIEW_ALL_CHROMOSOME = settings.VIEW_ALL_CHROMOSOME != 0 ? 0 : 1;
      Relayout();
      return true;
    case ids::kChroNextDataType:
      chromosome.NextDataType(1);
      Invalidate();
      return true;
    case ids::kChroDisplayInferred:
      if (!OffersInferred(chromosome.dataType)) return true;
      DisplayInferred = !DisplayInferred;
      chromosome.displayInferred = DisplayInferred;
      chromosome.PrepareDataType();
      Invalidate();
      return true;
    case ids::kChroClustering:
      ClusterCommand();
      return true;
    case ids::kChroLinkageAnalysis:
      LinkageCommand();
      return true;
    case ids::kChroPermuteData:
      PermuteCommand();
      return true;
    case ids::kChroEnu:
      EnuCommand();
      return true;
    case ids::kChroExportSnpData:
      ExportSnpDataCommand();
      return true;
    case ids::kChroRawCopyHistogram:
      RawCopyHistogram();
      return true;
    case ids::kExportImage:
      // The menu closes before the picture is drawn.
      PumpMessages();
      ExportViewImage(ExportPicture(), mFrame.Window());
      return true;
    case ids::kFindGene:
      FindUnitCommand();
      return true;
    default:
      return false;
  }
}

void CChromosomeView::FindRefGeneCommand() {
  FindRefGeneDialog dialog(mFrame.Window());
  dialog.Preset(refgene_info.refGeneKeyword, 0);
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
  // A keyword is kept for Find Next even when nothing matches it.
  const std::string& keyword = dialog.Keywords();
  int hit = -1;
  if (!keyword.empty()) {
    refgene_info.refGeneKeyword = keyword;
    hit = refgene_info.FindRefGeneByKeyword();
  } else {
    hit = refgene_info.FindRefGeneById(dialog.LocusLinkId());
  }
  if (hit < 0) {
    AfxMessageBox("No genes found containing '" + keyword + "'");
    return;
  }
  GoToRefGene(hit);
}

void CChromosomeView::FindNextRefGeneCommand() {
  const int hit = refgene_info.FindRefGeneByKeyword();
  if (hit < 0) {
    AfxMessageBox("No genes found containing '" + refgene_info.refGeneKeyword + "'");
    return;
  }
  GoToRefGene(hit);
}

void CChromosomeView::FindUnitCommand() {
  const int unit = FindGene(mFrame.Window());
  if (unit < 0 || unit >= static_cast<int>(Layout.units.size())) return;
  const bool placed = static_cast<std::size_t>(unit) < genome_info.Unit.size() &&
                      genome_info.Unit[static_cast<std::size_t>(unit)].chro >= 0;
  if (!placed) {
    const GENE_INFO* gene = GeneInfo.Gene(unit);
    const std::string description = gene != nullptr ? std::string(gene->Description) : "";
    AfxMessageBox(MessageBuffer(kUnitNotMappedMessage,
                                Layout.units[static_cast<std::size_t>(unit)].name,
                                description.c_str()));
    return;
  }
  GoToUnit(unit);
}

void CChromosomeView::ClusterCommand() {
  ClusterSnpDialog dialog(mFrame.Window(), OptionsOpener(mFrame, kChromosomeOptionsPageIndex));
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
  LogBlue("{Sample clustering based on SNP data");
  bool clustered = false;
  {
    const RaisedAnalysisRunning running;
    RegionsMode = false;
    const std::string& regionFile = TheGroup().Settings().CHRO_REGION_FILE;
    if (!IsNone(regionFile) && chro_region.ReadRegionFile(regionFile))
      RegionsMode = true;
    else
      ShowRegionTree = false;
    clustered = ClusterSamplesAndRegions();
  }
  if (!clustered) {
    LogBlue("Not finished}\n");
    return;
  }
  LogBlue("Finished}\n");
  Relayout();
  mFrame.SelectViewItem(VIEW_CHROMOSOME);
}

void CChromosomeView::LinkageCommand() {
  // Fresh for every run, so that runs the user does not seed differ; the user may type
  // one to repeat a run.
  std::int64_t seed = DefaultRandomSeed(static_cast<std::int64_t>(std::time(nullptr)));
  {
    LinkageDialog dialog(seed, OptionsOpener(mFrame, kChromosomeOptionsPageIndex), mFrame.Window());
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
    seed = dialog.Seed();
  }
  TheGroup().WriteGroupSettings();
  LogBlue("{Linkage analysis using SNP data");
  bool completed = false;
  {
    const RaisedAnalysisRunning running;
    completed = linkage_analysis.Run(seed);
  }
  AnalysisRunning = 0;
  if (!completed) {
    LogBlue("Not completed}\n");
    return;
  }
  chromosome.PrepareDataType();
  mFrame.SelectViewItem(VIEW_CHROMOSOME);
}

void CChromosomeView::PermuteCommand() {
  PermuteDialog dialog(OptionsOpener(mFrame, kChromosomeOptionsPageIndex), mFrame.Window());
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
  TheGroup().WriteGroupSettings();
  {
    const RaisedAnalysisRunning running;
    chromosome.PermuteCurve();
  }
  LogBlue("}\n");
  mFrame.SelectViewItem(VIEW_CHROMOSOME);
  Invalidate();
}

void CChromosomeView::EnuCommand() {
  EnuDialog dialog(OptionsOpener(mFrame, kChromosomeOptionsPageIndex), mFrame.Window());
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
  LogBlue("{ENU analysis...");
  bool inferred = false;
  {
    const RaisedAnalysisRunning running;
    inferred = chromosome.InferEnu();
  }
  LogBlue("Finished}\n");
  if (inferred) mFrame.ShowView(VIEW_CHROMOSOME);
}

void CChromosomeView::ExportSnpDataCommand() {
  ExportSnpDialog dialog(OptionsOpener(mFrame, kChromosomeOptionsPageIndex), mFrame.Window());
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;
  const std::string& file = dialog.OutputFile();
  bool written = false;
  if (dialog.What() == ExportSnpDialog::kExportSignificantRegions) {
    chromosome.genesPerRegion = TheGroup().RunOptions().snpExportGenesPerRegion;
    written = WriteRegionSummary(chromosome, file);
  } else {
    written = ExportData(chromosome, file);
  }
  if (!written) {
    AfxMessageBox(kCannotWriteExportMessage);
    return;
  }
  RegisterOutputFile(file, false);
  AfxMessageBox("File " + file + " exported");
}

void CChromosomeView::RawCopyHistogram() {
  RLink& r = RConnection();
  if (!r.StartR(true)) return;
  const int sample = chromosome.currentSample;
  if (RReply reply = r.ExecuteCommand("windows()"); !reply) {
    LogRError(reply);
    return;
  }
  // The sample's name becomes a plain R name (spaces and anything else R would read
  // as code turned into dots), never part of the statement's code.
  const std::string name =
      platform::RSyntacticName(SampleGrouping.SampleName(sample) + " raw copy");
  if (RReply reply = r.SetVector(name, RawCopyNumbers(sample)); !reply) {
    LogRError(reply);
    return;
  }
  if (RReply reply = r.ExecuteCommand("hist(" + name + ",breaks=seq(0,8,.1),freq=F,col=5)"); !reply)
    LogRError(reply);
  if (RReply reply = r.ExecuteCommand("remove(" + name + ")"); !reply) LogRError(reply);
}
