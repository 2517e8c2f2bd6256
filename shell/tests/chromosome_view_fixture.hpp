// Test support for the chromosome view: a generated SNP study (normals, tumours paired
// with a normal that lose or gain copies over planted stretches, a single tumour) placed
// on a made-up genome with cytobands, gathered by the LOH method into the global
// chromosome data, and the view shown in a fresh main frame or drawn offscreen.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/base/colour.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/snp_info.hpp"
#include "shell/dialogs/options/chromosome_options.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"
#include "tools/synth/genome_files.hpp"
#include "tools/synth/genome_snp_group.hpp"

class ChromosomeViewTest : public ShellTest {
 protected:
  // Normals 0-3; T0 (array 4) pairs with N0 and loses a copy over markers 50-149 of the
  // first chromosome; T1 (array 5) pairs with N1, loses a copy over markers 60-139 and
  // gains one over markers 320-399 (the second chromosome); S0 (array 6) stands alone.
  // Two of the five sample groups losing make the LOH curve pass its threshold.
  static constexpr int kLossFirst = 50;
  static constexpr int kLossLast = 149;
  static constexpr int kLossArray = 4;

  void SetUp() override {
    ShellTest::SetUp();
    ResetTables();
  }
  void TearDown() override {
    ShellTest::TearDown();
    ResetTables();
  }
  static void ResetTables() {
    genome_info.Clear();
    refgene_info.Clear();
    snp_info_table.Clear();
    chro_region.Clear();
    SampleInfo.Clear();
    chromosome.Clear();
    GeneList = GENE_LIST{};
    Layout = CDF_LAYOUT{};
    ArrayType = 0;
    RegionsMode = ShowSampleTree = ShowRegionTree = false;
    DisplayInferred = true;
    TheChromosomeOptions() = ChromosomeOptions{};
  }

  static synth::SnpGroupPlan Plan() {
    synth::SnpGroupPlan plan;
    plan.markersPerChro = {300, 200, 150};
    plan.normals = 4;
    plan.pairs = 2;
    plan.singles = 1;
    plan.stretches = {{kLossArray, kLossFirst, kLossLast, 1}, {5, 60, 139, 1}, {5, 320, 399, 3}};
    plan.noCallRate = 0.02;
    plan.seed = 11;
    return plan;
  }

  // Installs the study, places its markers, reads cytobands for its chromosomes and
  // gathers it by a method (LOH unless said otherwise).
  void GatherStudy(int method = kChroLoh) {
    mTruth = synth::MakeSnpGroup(Plan());
    synth::InstallSnpGroup(mTruth);
    GroupSettings& settings = TheGroup().Settings();
    settings.ARRAY_LIST_FILE = mFolder.Write("arrays.txt", synth::SnpGroupArrayListText(mTruth));
    SampleGrouping.ReadArrayListFile(settings.ARRAY_LIST_FILE);
    ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(
        mFolder.Write("info.txt", synth::SnpGroupSampleInfoText(mTruth))));
    genome_info.Unit.assign(static_cast<std::size_t>(mTruth.MarkerCount()), UNIT_POS{});
    genome_info.NumChro = 0;
    genome_info.chroCount.fill(0);
    std::vector<int> lengths;
    for (int u = 0; u < mTruth.MarkerCount(); ++u) {
      UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(u)];
      const int chro = mTruth.chro[static_cast<std::size_t>(u)];
      unit.chro = static_cast<std::int16_t>(chro);
      unit.pos = static_cast<float>(mTruth.pos[static_cast<std::size_t>(u)]);
      unit.second = unit.pos * 1e-6f;
      genome_info.NumChro = std::max(genome_info.NumChro, chro + 1);
      ++genome_info.chroCount[static_cast<std::size_t>(chro)];
      lengths.resize(static_cast<std::size_t>(genome_info.NumChro), 0);
      lengths[static_cast<std::size_t>(chro)] = std::max(lengths[static_cast<std::size_t>(chro)],
                                                         mTruth.pos[static_cast<std::size_t>(u)]);
    }
    synth::GenomeTruth genome;
    for (std::size_t c = 0; c < lengths.size(); ++c) {
      genome.chromosomes.push_back(std::to_string(c + 1));
      genome.lengths.push_back(lengths[c] + 2000);
    }
    mBands = synth::MakeCytobands(genome, 3);
    ASSERT_TRUE(
        genome_info.ReadCytobandFile(mFolder.Write("cytoband.txt", synth::CytobandText(mBands))));
    genome_info.ComputeChroLengths();
    ASSERT_TRUE(genome_info.GetUnitPos());
    mGenes = synth::MakeRefGenes(genome, 40, 3);
    ASSERT_TRUE(refgene_info.ReadFile(mFolder.Write("refGene.txt", synth::RefGeneText(mGenes))));

    settings.CHRO_METHOD = method;
    settings.CHRO_DATA = kMethodDataType[static_cast<std::size_t>(method)];
    settings.CHRO_CUR_CHRO = 0;
    settings.PIXEL_WD = 6;
    settings.PIXEL_HT_ = 2;
    settings.PIXEL_HT2 = 8;
    settings.PIXEL_KB = 5;
    settings.PIXEL_HT_PROP = 8;
    settings.DENDRO_WD = 150;
    settings.DENDRO_HT = 60;
    settings.PROPORTIONAL_DIST = 0;
    settings.VIEW_ALL_CHROMOSOME = 0;
    settings.CUR_UNIT = -1;
    ASSERT_TRUE(chromosome.GetData());
    chromosome.dataType = settings.CHRO_DATA;
  }

  CChromosomeView& ShowView() {
    CMainFrame& frame = OpenFrame();
    frame.ShowView(VIEW_CHROMOSOME);
    auto* view = dynamic_cast<CChromosomeView*>(frame.RightViews(VIEW_CHROMOSOME));
    EXPECT_NE(view, nullptr);
    return *view;
  }

  // The whole picture, drawn offscreen.
  static QImage Picture(CChromosomeView& view) {
    const ChromosomeGeometry& g = view.Geometry();
    QImage image(g.picWidth, g.picHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view.Draw(painter);
    return image;
  }

  // The sample (row of the chromosome tables) holding a generated array.
  static int SampleOfArray(int array) { return SampleGrouping.GetSampleOfArray(array); }

  static std::size_t At(int i) { return static_cast<std::size_t>(i); }
  static QRgb Rgb(COLORREF c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }

  // The pixels of the colour in the area.
  static int CountColour(const QImage& image, QRect area, QRgb colour) {
    int count = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        count += image.pixel(x, y) == colour ? 1 : 0;
    return count;
  }

  // What the LOH-call type shows with observed values in a column: for a pair the code its
  // generated calls give; for a sample alone its retention chance, as gathered.
  float ShownLohValue(const ChromosomeGeometry& g, int column, int unit) const {
    const int group = g.columns.groupOfColumn[At(column)];
    const int first = g.columns.groupFirstColumn[At(group)];
    const int normal = g.columns.sampleOfColumn[At(first)];
    if (g.columns.groupSize[At(group)] != 2) return chromosome.lohCodes.Row(normal)[unit];
    const int tumour = g.columns.sampleOfColumn[At(first + 1)];
    return static_cast<float>(
        PairedLohCode(mTruth.arrays[At(SampleGrouping.GetSampleArray(normal))].calls[At(unit)],
                      mTruth.arrays[At(SampleGrouping.GetSampleArray(tumour))].calls[At(unit)]));
  }

  synth::SnpGroupTruth mTruth;
  std::vector<synth::Cytoband> mBands;
  std::vector<synth::RefGeneRow> mGenes;
};
