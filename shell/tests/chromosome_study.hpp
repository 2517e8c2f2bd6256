// Test support: a generated SNP study put into the started group as the chromosome
// command finds it: tumour and normal arrays with planted losses and gains installed in
// memory with their array list and sample information, and the genome information,
// refGene and cytoband files written beside them and named in the settings.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/info/genome_info.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/genome_files.hpp"
#include "tools/synth/genome_snp_group.hpp"

struct ChromosomeStudy {
  synth::SnpGroupTruth group;
  synth::GenomeTruth genome;  // chromosome names and lengths of the refGene and band files
  std::vector<synth::RefGeneRow> refGenes;

  // Three autosomes of 300, 200 and 150 markers; six normals, two paired tumours and a
  // single one. Tumour T0 (array 6) loses a copy of markers 40-99 on chromosome 1.
  static synth::SnpGroupPlan Plan() {
    synth::SnpGroupPlan plan;
    plan.markersPerChro = {300, 200, 150};
    plan.autosomes = 3;
    plan.normals = 6;
    plan.pairs = 2;
    plan.singles = 1;
    plan.stretches = {{6, 40, 99, 1}, {7, 320, 399, 3}, {8, 520, 600, 4}};
    plan.seed = 11;
    return plan;
  }

  // Installs the group (changed by edit first, when given) and writes its files into
  // folder; the settings name them.
  static ChromosomeStudy Install(const platform::testing::TempFolder& folder,
                                 const std::function<void(synth::SnpGroupTruth&)>& edit = {}) {
    const synth::SnpGroupPlan plan = Plan();
    ChromosomeStudy study;
    study.group = synth::MakeSnpGroup(plan);
    if (edit) edit(study.group);
    synth::InstallSnpGroup(study.group);
    GroupSettings& settings = TheGroup().Settings();
    settings.ARRAY_LIST_FILE =
        folder.Write("arrays.txt", synth::SnpGroupArrayListText(study.group));
    SampleGrouping.ReadArrayListFile(settings.ARRAY_LIST_FILE);
    EXPECT_TRUE(SampleInfo.ReadSampleInfoFile(
        folder.Write("info.txt", synth::SnpGroupSampleInfoText(study.group))));
    for (int k = 0; k < study.group.autosomes; ++k) {
      int last = 0;
      for (int u = 0; u < study.group.MarkerCount(); ++u)
        if (study.group.chro[static_cast<std::size_t>(u)] == k)
          last = std::max(last, study.group.pos[static_cast<std::size_t>(u)]);
      study.genome.chromosomes.push_back(std::to_string(k + 1));
      study.genome.lengths.push_back(last + 10'000);
    }
    study.refGenes = synth::MakeRefGenes(study.genome, 30, plan.seed + 1);
    settings.GENOME_INFO_FILE =
        folder.Write("genome.txt", synth::SnpGroupGenomeInfoText(study.group));
    settings.REF_GENE_FILE = folder.Write("refGene.txt", synth::RefGeneText(study.refGenes));
    settings.CYTOBAND_FILE =
        folder.Write("cytoband.txt", synth::CytobandText(synth::MakeCytobands(study.genome, 3)));
    settings.GENE_LIST_FILE = "None";
    settings.CHRO_REGION_FILE = "None";
    settings.CHRO_METHOD = kChroLoh;
    settings.CHRO_CUR_CHRO = 0;
    return study;
  }

  // Empties what Install filled and the chromosome tables.
  static void Clear() {
    chromosome.Clear();
    chro_region.Clear();
    genome_info.Clear();
    refgene_info.Clear();
    SampleInfo.Clear();
  }
};
