// The genome files say what the genome truth says, read back here from their lines: every
// placed unit lies on its chromosome, the bands tile each chromosome with its centromere
// in the middle, refGene rows and SNP rows carry their truth, and a seed gives one genome.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/tests/temp_folder.hpp"
#include "tools/synth/chip_model.hpp"
#include "tools/synth/genome_files.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using namespace synth::testing;

std::vector<std::string> Units(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back("SNP_A-" + std::to_string(1000 + i));
  return names;
}

TEST(GenomeFiles, GenomeInformationRowsFollowTheTruth) {
  const synth::GenomeTruth truth = synth::MakeGenome(
      Units(500), synth::GenomeOptions{.snpArray = true, .unknownRows = 3, .omittedShare = 10});
  const std::vector<std::string> lines = TextLines(synth::GenomeInfoText(truth));
  ASSERT_EQ(Fields(lines[0]).size(), 10u);
  EXPECT_NE(lines[0].find("chromosome"), std::string::npos);
  std::map<std::string, std::vector<std::string>> rows;
  for (std::size_t i = 1; i < lines.size(); ++i) rows[Fields(lines[i])[0]] = Fields(lines[i]);
  int omitted = 0;
  int unplaced = 0;
  int contigs = 0;
  for (const synth::GenomeUnit& unit : truth.units) {
    const auto row = rows.find(unit.name);
    if (!unit.listed) {
      EXPECT_EQ(row, rows.end());
      ++omitted;
      continue;
    }
    ASSERT_NE(row, rows.end()) << unit.name;
    const std::vector<std::string>& f = row->second;
    ASSERT_EQ(f.size(), 10u);
    const std::string chromosome = "chr" + truth.chromosomes[static_cast<std::size_t>(unit.chro)];
    EXPECT_EQ(f[1], unit.contig ? chromosome + "_random" : chromosome);
    contigs += unit.contig ? 1 : 0;
    if (unit.pos < 0) {
      EXPECT_EQ(f[2], "");
      ++unplaced;
      continue;
    }
    EXPECT_EQ(Whole(f[2]), unit.pos);
    EXPECT_LT(unit.pos, truth.lengths[static_cast<std::size_t>(unit.chro)]);
    EXPECT_EQ(f[5], unit.text);
    for (std::size_t r = 0; r < 3; ++r)
      EXPECT_EQ(f[7 + r].empty(), unit.ratePercent[r] == -1.0f) << unit.name;
  }
  EXPECT_GT(omitted, 20);
  EXPECT_LT(omitted, 80);
  EXPECT_GT(unplaced, 5);
  EXPECT_GT(contigs, 5);
  EXPECT_EQ(rows.count("UNKNOWN_2"), 1u);
}

TEST(GenomeFiles, BandsTileEveryChromosome) {
  const synth::GenomeTruth genome = synth::MakeGenome(Units(10), synth::GenomeOptions{});
  const std::vector<synth::Cytoband> bands = synth::MakeCytobands(genome, 4);
  ASSERT_EQ(bands.size(), 8 * genome.chromosomes.size());
  const std::vector<std::string> lines = TextLines(synth::CytobandText(bands));
  ASSERT_EQ(lines.size(), bands.size());
  EXPECT_EQ(lines[0].substr(0, 5), "chr1\t");
  for (std::size_t c = 0; c < genome.chromosomes.size(); ++c) {
    int end = 0;
    int centromeres = 0;
    for (std::size_t b = 8 * c; b < 8 * c + 8; ++b) {
      const std::vector<std::string> f = Fields(lines[b]);
      EXPECT_EQ(Whole(f[1]), end);
      EXPECT_GT(Whole(f[2]), end);
      end = Whole(f[2]);
      if (f[4] == "acen") {
        ++centromeres;
        EXPECT_TRUE(b % 8 == 3 || b % 8 == 4);
      }
    }
    EXPECT_EQ(end, genome.lengths[c]);
    EXPECT_EQ(centromeres, 2);
  }
}

TEST(GenomeFiles, RefGeneAndSnpRowsCarryTheirTruth) {
  const synth::GenomeTruth genome = synth::MakeGenome(Units(10), synth::GenomeOptions{});
  const std::vector<synth::RefGeneRow> genes = synth::MakeRefGenes(genome, 400, 5);
  const std::vector<std::string> lines = TextLines(synth::RefGeneText(genes));
  ASSERT_EQ(lines.size(), genes.size() + 1);
  EXPECT_NE(lines[0].find("refseq"), std::string::npos);
  int contigs = 0;
  for (std::size_t i = 0; i < genes.size(); ++i) {
    const std::vector<std::string> f = Fields(lines[i + 1]);
    EXPECT_EQ(f[3], genes[i].chromosome);
    EXPECT_EQ(Whole(f[5]), genes[i].start);
    EXPECT_LT(genes[i].start, genes[i].end);
    contigs += genes[i].chro < 0 ? 1 : 0;
  }
  EXPECT_GT(contigs, 5);

  const std::vector<synth::SnpInfoRow> snps = synth::MakeSnpInfo(Units(200), 9);
  const std::vector<std::string> snpLines = TextLines(synth::SnpInfoText(snps));
  EXPECT_NE(snpLines[0].find("Fragment Length Start Stop"), std::string::npos);
  for (std::size_t i = 0; i < snps.size(); ++i) {
    const std::vector<std::string> f = Fields(snpLines[i + 1]);
    ASSERT_EQ(f.size(), 7u);
    EXPECT_EQ(f[0], snps[i].probeSet);
    EXPECT_EQ(f[3].empty(), snps[i].fragmentLength < 0);
    if (!f[3].empty()) {
      EXPECT_EQ(Whole(f[3]), snps[i].fragmentLength);
    }
  }
  // One seed, one genome.
  EXPECT_EQ(synth::SnpInfoText(synth::MakeSnpInfo(Units(200), 9)), synth::SnpInfoText(snps));
  EXPECT_NE(synth::SnpInfoText(synth::MakeSnpInfo(Units(200), 10)), synth::SnpInfoText(snps));
}

}  // namespace

namespace {

TEST(GenomeFiles, TheProgramWritesTheLibrarysFilesForTheChipsUnits) {
  platform::testing::TempFolder folder;
  const std::string out = folder.Path().string();
  const ProgramRun run = RunSynth(
      "genome --kind snp1 --dim 40 --units 30 --chip-seed 3 --seed 8 --out " + out, folder);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  synth::ChipOptions options;
  options.kind = synth::ChipKind::kSnp1;
  options.dimension = 40;
  options.unitCount = 30;
  options.seed = 3;
  const std::optional<synth::ChipTruth> chip = synth::MakeChip(options);
  ASSERT_TRUE(chip);
  std::vector<std::string> names;
  for (const synth::ChipUnit& unit : chip->units) names.push_back(unit.name);
  const synth::GenomeTruth truth =
      synth::MakeGenome(names, synth::GenomeOptions{.seed = 8, .snpArray = true});
  EXPECT_EQ(FileText(folder.File("genome_info.txt")), synth::GenomeInfoText(truth));
  EXPECT_EQ(FileText(folder.File("snp_info.txt")),
            synth::SnpInfoText(synth::MakeSnpInfo(names, 10)));
  EXPECT_EQ(FileText(folder.File("cytoband.txt")),
            synth::CytobandText(synth::MakeCytobands(truth, 3)));
  EXPECT_NE(run.out.find("refgene.txt"), std::string::npos);
}

}  // namespace
