// Test support for the chromosome data files: a SNP genome made by the generator and
// placed on its chromosomes, a group of named arrays taken one sample each, and the
// markers in the genome order the files follow.
#pragma once

#include <string>
#include <vector>

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/genome_files.hpp"

class ChromosomeFilesFixture : public GenomeFixture {
 protected:
  void MakeGenome(int units, std::uint64_t seed) {
    UseUnits(Names("U", units));
    ArrayType = 1;
    synth::GenomeOptions options;
    options.seed = seed;
    options.snpArray = true;
    mTruth = synth::MakeGenome(Names("U", units), options);
    ASSERT_TRUE(genome_info.ReadGenomeInfoFile(
        WriteFile("genome_info.txt", synth::GenomeInfoText(mTruth))));
    ASSERT_TRUE(genome_info.GetUnitPos());
    mOrder.clear();
    for (const int unit : genome_info.genomeOrder)
      if (unit >= 0) mOrder.push_back(unit);
  }
  void AddSamples(int count) {
    for (int a = 0; a < count; ++a) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot = ArraySlot{};
      slot.name = "S" + std::to_string(a + 1);
      ASSERT_TRUE(TheGroup().CountArray());
    }
    SampleGrouping.SetDefaultGrouping();
  }
  // Groups from an array list naming the arrays in order, "Standardize" between groups.
  void GroupSamples(const std::string& list) {
    SampleGrouping.ReadArrayListFile(WriteFile("arrays.txt", list));
  }
  static std::string UnitName(int unit) { return "U" + std::to_string(unit); }

  synth::GenomeTruth mTruth;
  std::vector<int> mOrder;  // placed units, chromosome by chromosome, by position
};
