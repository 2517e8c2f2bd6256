#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genome/info/reference_genotypes.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/genome_files.hpp"

namespace {

class GenomeInfoTest : public GenomeFixture {
 protected:
  synth::GenomeTruth Genome(int units, bool snp, std::uint64_t seed = 7) {
    UseUnits(Names("U", units));
    ArrayType = snp ? 1 : 0;
    return synth::MakeGenome(Names("U", units),
                             synth::GenomeOptions{.seed = seed, .snpArray = snp});
  }
};

TEST_F(GenomeInfoTest, PlacesEveryUnitAsTheGeneratorDid) {
  for (const bool snp : {false, true}) {
    const synth::GenomeTruth truth = Genome(400, snp);
    const std::string path = WriteFile("genome_info.txt", synth::GenomeInfoText(truth));
    ASSERT_TRUE(genome_info.ReadGenomeInfoFile(path));
    EXPECT_EQ(genome_info.fileName, path);
    EXPECT_EQ(genome_info.NumChro, 23);  // "X" is chromosome 22 of the human naming
    std::array<int, MAX_CHRO_NUM> counts{};
    std::array<float, MAX_CHRO_NUM> lengths{};
    for (std::size_t i = 0; i < truth.units.size(); ++i) {
      const synth::GenomeUnit& t = truth.units[i];
      const UNIT_POS& u = genome_info.Unit[i];
      const int chro = t.chro == 3 ? 22 : t.chro;  // the fourth made-up chromosome is X
      if (t.pos < 0) {
        EXPECT_EQ(u.chro, -1) << i;
        continue;
      }
      ASSERT_EQ(u.chro, chro) << i;  // contig rows "chrN_random" count as chromosome N
      EXPECT_EQ(u.pos, static_cast<float>(t.pos));
      EXPECT_EQ(u.strand, t.strand);
      EXPECT_EQ(u.Text(), t.text);
      ++counts[static_cast<std::size_t>(chro)];
      lengths[static_cast<std::size_t>(chro)] =
          std::max(lengths[static_cast<std::size_t>(chro)], static_cast<float>(t.pos));
      if (!snp) {
        EXPECT_EQ(u.second, static_cast<float>(t.pos + 1000));
        EXPECT_EQ(u.rate[0], -1.0f);
        continue;
      }
      const float second = t.secondCm == -1.0f ? static_cast<float>(t.pos) * 1e-6f : t.secondCm;
      EXPECT_FLOAT_EQ(u.second, second) << i;
      for (std::size_t r = 0; r < 3; ++r) {
        if (t.ratePercent[r] == -1.0f) {
          EXPECT_EQ(u.rate[r], -1.0f);
          continue;
        }
        const float want = std::clamp(t.ratePercent[r] * 0.01f, 0.001f, 0.999f);
        EXPECT_NEAR(u.rate[r], want, 1e-6) << i;
      }
    }
    EXPECT_EQ(genome_info.chroCount, counts);
    EXPECT_EQ(genome_info.chroLength, lengths);
  }
}

TEST_F(GenomeInfoTest, RefusesWrongFilesAndTooFewUnits) {
  const synth::GenomeTruth truth = Genome(40, false);
  CapturedLog log;
  // A right header under a name without "genome" is refused.
  EXPECT_FALSE(
      genome_info.ReadGenomeInfoFile(WriteFile("positions.txt", synth::GenomeInfoText(truth))));
  EXPECT_TRUE(log.Contains("file name should contain 'genome'", kLogRed));
  EXPECT_FALSE(genome_info.ReadGenomeInfoFile(WriteFile("genome_b.txt", "Probe Set\tChro\n")));
  EXPECT_FALSE(genome_info.ReadGenomeInfoFile(mFolder.File("genome_missing.txt")));
  EXPECT_TRUE(log.Contains("  Reading genome information file '", kLogRed));

  // Exactly a quarter (integer division) of the units is enough; one fewer is not. Rows
  // without a position count as read.
  std::string rows = "Probe Set\tchromosome\tStart\n";
  for (int i = 0; i < 9; ++i)
    rows += "U" + std::to_string(i) + "\tchr2\t" + (i == 0 ? "" : "5") + "\n";
  EXPECT_FALSE(genome_info.ReadGenomeInfoFile(WriteFile("genome_9.txt", rows)));
  EXPECT_TRUE(genome_info.Unit.empty());
  rows += "U9\tchr2\t-1\n";
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(WriteFile("genome_10.txt", rows)));
  EXPECT_EQ(genome_info.Unit[0].chro, -1);
  EXPECT_EQ(genome_info.Unit[9].chro, -1);
  EXPECT_EQ(genome_info.chroCount[1], 8);
  UseUnits(Names("U", 44));
  EXPECT_FALSE(genome_info.ReadGenomeInfoFile(WriteFile("genome_10.txt", rows)));
  EXPECT_TRUE(genome_info.Unit.empty());
  EXPECT_TRUE(log.Contains("fewer than 1/4 probe set", kLogRed));
}

TEST_F(GenomeInfoTest, UnknownUnitsStopTheReadUnlessAllowed) {
  UseUnits(Names("U", 8));
  synth::GenomeTruth truth = synth::MakeGenome(
      Names("U", 8), synth::GenomeOptions{.unmappedShare = 0, .unknownRows = 501});
  // Rows after the unknown ones tell whether reading went on.
  std::string text = synth::GenomeInfoText(truth) + "U7\tchr3\t42\n";
  const std::string path = WriteFile("genome_unknown.txt", text);
  CapturedLog log;
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(path));
  EXPECT_TRUE(log.Contains("500 probe sets in the genome info file were not found", kLogRed));
  EXPECT_NE(genome_info.Unit[7].pos, 42.0f);
  TheGroup().Settings().ALLOW_TXT_HAS_UNKNOWN = 1;
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(path));
  EXPECT_EQ(genome_info.Unit[7].pos, 42.0f);
  EXPECT_EQ(genome_info.Unit[7].chro, 2);
}

TEST_F(GenomeInfoTest, NamesChromosomesPerSpecies) {
  GENOME_INFO table;
  EXPECT_EQ(table.GetChroIndex("1"), 0);
  EXPECT_EQ(table.GetChroIndex("X"), 22);
  EXPECT_EQ(table.GetChroIndex("Y"), 23);
  EXPECT_EQ(table.GetChroIndex("Un"), -1);
  EXPECT_EQ(table.GetChroName(22), "X");
  EXPECT_EQ(table.GetChroName(4), "5");
  table.species = kMouse;
  EXPECT_EQ(table.GetChroIndex("X"), 19);
  EXPECT_EQ(table.GetChroName(20), "Y");
  table.species = kYeast;
  EXPECT_EQ(table.GetChroName(15), "XVI");

  // Species come from the chip-family word of an expression array's path; fly and yeast
  // chromosomes are then looked up by name.
  UseUnits(Names("U", 4));
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(
      WriteFile("ZFLY_genome.txt",
                "Probe Set\tchromosome\tStart\nU0\tchr2R\t10\nU1\tchrX\t20\nU2\tchrII\t5\n")));
  EXPECT_EQ(genome_info.species, kFly);
  EXPECT_EQ(genome_info.Unit[0].chro, 2);
  EXPECT_EQ(genome_info.Unit[1].chro, 0);
  EXPECT_EQ(genome_info.Unit[2].chro, -1);
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(
      WriteFile("zmus_genome.txt", "Probe Set\tchromosome\tStart\nU0\tchrX\t10\n")));
  EXPECT_EQ(genome_info.species, kMouse);
  EXPECT_EQ(genome_info.Unit[0].chro, 19);
  ArrayType = 1;  // SNP arrays are human whatever the path says
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(
      WriteFile("zmus_genome.txt", "Probe Set\tchromosome\tStart\nU0\tchrX\t10\n")));
  EXPECT_EQ(genome_info.Unit[0].chro, 22);

  // Chromosome 60 is beyond the tables.
  CapturedLog log;
  EXPECT_FALSE(genome_info.ReadGenomeInfoFile(
      WriteFile("genome_60.txt", "Probe Set\tchromosome\tStart\nU0\tchr1\t10\nU1\tchr60\t5\n")));
  EXPECT_TRUE(log.Contains("    NumChro >= MAX_CHRO_NUM at U1", kLogRed));
  EXPECT_TRUE(genome_info.Unit.empty());
}

TEST_F(GenomeInfoTest, AStopEndsTheReadWithNoTable) {
  const synth::GenomeTruth truth = Genome(100, false);
  const std::string path = WriteFile("genome_info.txt", synth::GenomeInfoText(truth));
  ScriptedProgress progress;
  progress.stopAtPoll = 30;
  CapturedLog log;
  EXPECT_FALSE(genome_info.ReadGenomeInfoFile(path));
  EXPECT_TRUE(log.Contains("    User stopped", kLogRed));
  EXPECT_TRUE(genome_info.Unit.empty());
  EXPECT_EQ(progress.polls, 30);
}

// Units at 100 (two), 250, 300, 450 and 999 on chromosome 1 and one on chromosome 2;
// bands [0, 300), [300, 600), [600, 1000) on chromosome 1, one band on chromosome 2.
class HandMadeGenomeTest : public GenomeFixture {
 protected:
  void SetUp() override {
    GenomeFixture::SetUp();
    UseUnits(Names("U", 7));
    const std::string bands =
        "chr1\t0\t300\tp1\tgneg\nchr1\t300\t600\tp0\tacen\nchr1\t600\t1000\tq1\tgpos\n"
        "chr1_gl000191_random\t0\t50\tp1\tgneg\nchr2\t0\t400\tq1\tgneg\n";
    ASSERT_TRUE(genome_info.ReadCytobandFile(WriteFile("cytoband.txt", bands)));
    const std::string units =
        "Probe Set\tchromosome\tStart\n"
        "U0\tchr1\t450\nU1\tchr1\t100\nU2\tchr1\t300\nU3\tchr2\t50\nU4\tchr1\t999\n"
        "U5\tchr1\t250\nU6\tchr1\t100\n";
    ASSERT_TRUE(genome_info.ReadGenomeInfoFile(WriteFile("genome.txt", units)));
    ASSERT_TRUE(genome_info.GetUnitPos());
  }
};

TEST_F(HandMadeGenomeTest, OrdersUnitsAndSplitsThemIntoBands) {
  EXPECT_EQ(genome_info.bandCount, 4);  // the contig's band is skipped
  EXPECT_EQ(genome_info.bandStart[0], 0);
  EXPECT_EQ(genome_info.bandStart[1], 3);
  EXPECT_EQ(genome_info.bandStart[2], 4);
  EXPECT_EQ(std::string(genome_info.bands[1].name), "1p0");
  EXPECT_EQ(genome_info.centromere[0], 300.0f);
  // The cytobands lengthen chromosome 1 to 1000 and chromosome 2 to 400.
  EXPECT_EQ(genome_info.chroLength[0], 1000.0f);
  EXPECT_EQ(genome_info.chroLength[1], 400.0f);
  EXPECT_EQ(genome_info.genomeLength, 1400.0f);
  EXPECT_EQ(genome_info.totalCount, 7);

  const std::vector<int>& order = genome_info.genomeOrder;
  ASSERT_EQ(order.size(), 7u);
  EXPECT_EQ(order[2], 5);
  EXPECT_EQ(order[3], 2);
  EXPECT_EQ(order[4], 0);
  EXPECT_EQ(order[5], 4);
  EXPECT_EQ(order[6], 3);
  EXPECT_EQ(genome_info.Unit[3].order, 0);
  EXPECT_EQ(genome_info.Unit[4].order, 5);
  // The unit at exactly 300 belongs to the second band, not the first.
  const CYTOBAND* b = genome_info.bands.data();
  EXPECT_EQ(b[0].firstUnit, 0);
  EXPECT_EQ(b[0].lastUnit, 2);
  EXPECT_EQ(b[0].unitCount, 3);
  EXPECT_EQ(b[1].firstUnit, 3);
  EXPECT_EQ(b[1].unitCount, 2);
  EXPECT_EQ(b[2].firstUnit, 5);
  EXPECT_EQ(b[2].lastUnit, 5);
  EXPECT_EQ(b[3].unitCount, 1);

  EXPECT_EQ(genome_info.BandAtPosition(0, 300), 0);  // the first band whose span holds it
  EXPECT_EQ(genome_info.BandAtPosition(0, 301), 1);
  EXPECT_EQ(genome_info.BandAtPosition(1, 10), 3);
  EXPECT_EQ(genome_info.BandAtPosition(1, 500), -1);
  EXPECT_EQ(genome_info.BandAtPosition(5, 10), -1);
}

TEST_F(HandMadeGenomeTest, FindsUnitsByPositionAndColumn) {
  GroupSettings& settings = TheGroup().Settings();
  settings.PIXEL_HT_PROP = 1;
  settings.PIXEL_KB = 0.01f;  // a window of 10 bp
  EXPECT_EQ(genome_info.UnitAtPosition(105), 0);
  EXPECT_EQ(genome_info.UnitAtPosition(105), 1);  // cyclic from the last hit
  EXPECT_EQ(genome_info.UnitAtPosition(300), 3);
  EXPECT_EQ(genome_info.UnitAtPosition(200), -1);
  EXPECT_EQ(genome_info.PositionOfColumn(4), 450.0f);
  EXPECT_EQ(genome_info.PositionOfColumn(6), -1.0f);

  // Over the whole genome, positions and columns run on across chromosomes.
  settings.VIEW_ALL_CHROMOSOME = 1;
  EXPECT_EQ(genome_info.UnitAtPosition(1000 + 55), 6);
  EXPECT_EQ(genome_info.UnitAtPosition(1400 + 1), -1);
  EXPECT_EQ(genome_info.PositionOfColumn(6), 1050.0f);
  EXPECT_EQ(genome_info.PositionOfColumn(7), -1.0f);

  // A gene list keeps only its units on the chromosomes.
  GeneList.entries.resize(7);
  GeneList.entries[0].listed = 1;
  GeneList.entries[3].listed = 1;
  genome_info.KeepListedUnits();
  EXPECT_EQ(genome_info.totalCount, 2);
  ASSERT_TRUE(genome_info.GetUnitPos());
  EXPECT_EQ(genome_info.posList[0].size(), 1u);
  EXPECT_EQ(genome_info.posList[0][0].index, 0);
}

TEST_F(GenomeInfoTest, CytobandsEndingAtTheLastMarkerWarn) {
  UseUnits(Names("U", 2));
  ASSERT_TRUE(genome_info.ReadCytobandFile(WriteFile("cytoband.txt", "chr1\t0\t700\tp1\tgneg\n")));
  CapturedLog log;
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(
      WriteFile("genome.txt", "Probe Set\tchromosome\tStart\nU0\tchr1\t700\nU1\tchr1\t5\n")));
  EXPECT_TRUE(log.Contains("    Chromosome 1 length exceeds that of cytoband", kLogRed));
  EXPECT_EQ(genome_info.chroLength[0], 700.0f);
}

TEST_F(GenomeInfoTest, CytobandReadsFailWhole) {
  const synth::GenomeTruth genome = Genome(10, false);
  const std::vector<synth::Cytoband> bands = synth::MakeCytobands(genome, 3);
  const std::string path = WriteFile("cytoband.txt", synth::CytobandText(bands));
  ASSERT_TRUE(genome_info.ReadCytobandFile(path));
  ASSERT_EQ(genome_info.bandCount, static_cast<int>(bands.size()));
  for (std::size_t i = 0; i < bands.size(); ++i) {
    const int chro = bands[i].chro == 3 ? 22 : bands[i].chro;
    EXPECT_EQ(genome_info.bands[i].chro, chro);
    EXPECT_EQ(genome_info.bands[i].end, static_cast<float>(bands[i].end));
    EXPECT_EQ(std::string(genome_info.bands[i].stain), bands[i].stain);
  }
  EXPECT_EQ(genome_info.bandStart[22], 18);  // chromosomes 4 to 22 hold no band
  EXPECT_EQ(genome_info.bandStart[23], 24);
  // Of the two centromere bands the later one's start stays.
  EXPECT_EQ(genome_info.centromere[1], static_cast<float>(bands[9].start));

  CapturedLog log;
  // 900 bands are read; the 901st refuses the file and leaves no table behind, so that
  // asking for the same file again reads it again.
  std::string many;
  for (int b = 0; b < 901; ++b)
    many += "chr1\t" + std::to_string(b * 10) + "\t" + std::to_string(b * 10 + 10) + "\tp" +
            std::to_string(b) + "\tgneg\n";
  const std::string tooMany = WriteFile("cytoband_901.txt", many);
  EXPECT_FALSE(genome_info.ReadCytobandFile(tooMany));
  EXPECT_TRUE(log.Contains(kCytobandLimitMessage, kLogRed));
  EXPECT_EQ(genome_info.bandCount, 0);
  EXPECT_TRUE(genome_info.cytobandFileName.empty());
  EXPECT_FALSE(genome_info.ReadCytobandFile(tooMany));
  many.erase(many.rfind("chr1"));
  EXPECT_TRUE(genome_info.ReadCytobandFile(WriteFile("cytoband_900.txt", many)));
  EXPECT_EQ(genome_info.bandCount, 900);

  EXPECT_FALSE(genome_info.ReadCytobandFile(WriteFile("c2.txt", "chr2\t0\t10\tp1\tgpos\n")));
  EXPECT_TRUE(log.Contains("    Wrong file with first line: chr2", kLogRed));
  EXPECT_FALSE(genome_info.ReadCytobandFile(
      WriteFile("c3.txt", "chr1\t0\t10\tp1\tgneg\nchrQ\t0\t5\tp\tgneg\n")));
  EXPECT_TRUE(log.Contains(kCytobandChromosomeMessage, kLogRed));
  EXPECT_FALSE(genome_info.ReadCytobandFile(
      WriteFile("c4.txt", "chr1\t0\t10\tp1\tgneg\nchr2\t0\t5\tp\tgneg\nchr1\t10\t20\tq\tgneg\n")));
  EXPECT_EQ(genome_info.bandCount, 0);
  EXPECT_TRUE(genome_info.ReadCytobandFile("None"));
  EXPECT_EQ(genome_info.bandCount, 0);
}

TEST_F(GenomeInfoTest, NumbersThatAreNotFiniteAreTakenAsMissing) {
  const synth::GenomeTruth truth = Genome(400, true);
  const std::vector<std::string> hostile = {"nan",      "inf",  "-inf", "NaN",
                                            "infinity", "1e39", "1e400"};
  // Every tenth listed unit gets one: in its position, its genetic position or a rate.
  enum Column { kPosition = 2, kGenetic = 3, kRate = 7 };
  std::vector<std::pair<int, int>> spoilt;
  std::string text;
  for (const std::string& line : Split(synth::GenomeInfoText(truth), '\n')) {
    if (line.empty()) continue;
    std::vector<std::string> fields = Split(line, '\t');
    const int u = fields[0][0] == 'U' ? std::stoi(fields[0].substr(1)) : -1;
    if (u >= 0 && u % 10 == 0) {
      const int column = u % 30 == 0 ? kPosition : u % 30 == 10 ? kGenetic : kRate;
      // Beyond the float range is no position, while a rate of so many per cent is
      // merely clamped.
      const std::size_t kinds = column == kRate ? hostile.size() - 2 : hostile.size();
      fields[static_cast<std::size_t>(column)] = hostile[static_cast<std::size_t>(u / 30) % kinds];
      spoilt.emplace_back(u, column);
    }
    for (std::size_t f = 0; f < fields.size(); ++f) text += (f ? "\t" : "") + fields[f];
    text += '\n';
  }
  ASSERT_GT(spoilt.size(), 30u);
  CapturedLog log;
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(WriteFile("genome_info.txt", text)));
  EXPECT_TRUE(
      log.ContainsRed(MessageBuffer(kNonFiniteGenomeMessage, static_cast<int>(spoilt.size()))));
  for (const auto& [u, column] : spoilt) {
    const UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(u)];
    const synth::GenomeUnit& t = truth.units[static_cast<std::size_t>(u)];
    if (column == kPosition) {
      EXPECT_EQ(unit.chro, -1) << u;
      EXPECT_EQ(unit.pos, -1.0f) << u;
    } else {
      EXPECT_EQ(unit.pos, t.pos < 0 ? -1.0f : static_cast<float>(t.pos)) << u;
      EXPECT_EQ(column == kGenetic ? unit.second : unit.rate[0], -1.0f) << u;
    }
  }
  // What is placed lies in order along its chromosome.
  ASSERT_TRUE(genome_info.GetUnitPos());
  for (const auto& list : genome_info.posList) {
    for (std::size_t k = 0; k < list.size(); ++k) {
      ASSERT_TRUE(std::isfinite(list[k].pos));
      if (k > 0) {
        ASSERT_LE(list[k - 1].pos, list[k].pos);
      }
    }
  }

  // A refGene start that is no number unmaps the row; an end of it is missing.
  const std::vector<synth::RefGeneRow> rows = synth::MakeRefGenes(truth, 20, 5);
  std::vector<std::string> lines = Split(synth::RefGeneText(rows), '\n');
  // The first two rows on a chromosome: the first loses its start, the second its end.
  std::vector<std::size_t> placed;
  for (std::size_t k = 0; k < rows.size(); ++k)
    if (rows[k].chro >= 0) placed.push_back(k);
  ASSERT_GE(placed.size(), 2u);
  std::string genes;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    std::vector<std::string> fields = Split(lines[k], '\t');
    if (k == placed[0] + 1) fields[5] = "nan";
    if (k == placed[1] + 1) fields[6] = "inf";
    for (std::size_t f = 0; f < fields.size(); ++f) genes += (f ? "\t" : "") + fields[f];
    if (!lines[k].empty()) genes += '\n';
  }
  log.Clear();
  ASSERT_TRUE(refgene_info.ReadFile(WriteFile("refgene.txt", genes)));
  EXPECT_TRUE(log.ContainsRed(MessageBuffer(kNonFiniteRefGeneMessage, 2)));
  // Contig rows are not kept, so the two are the table's first entries.
  EXPECT_EQ(refgene_info.refGenes[0].chro, -1);
  EXPECT_EQ(refgene_info.refGenes[0].start, -1.0f);
  EXPECT_EQ(refgene_info.refGenes[1].end, -1.0f);
  EXPECT_EQ(refgene_info.refGenes[1].start, static_cast<float>(rows[placed[1]].start));
}

TEST_F(GenomeInfoTest, RefGenesReadOnceAndFailWhole) {
  const synth::GenomeTruth genome = Genome(10, false);
  const std::vector<synth::RefGeneRow> rows = synth::MakeRefGenes(genome, 300, 3);
  const std::string path = WriteFile("refgene.txt", synth::RefGeneText(rows));
  ASSERT_TRUE(refgene_info.ReadFile(path));
  std::vector<synth::RefGeneRow> placed;
  for (const auto& row : rows)
    if (row.chro >= 0) placed.push_back(row);
  ASSERT_EQ(refgene_info.refGeneCount, static_cast<int>(placed.size()));  // contigs skipped
  std::array<float, MAX_CHRO_NUM> lengths{};
  for (std::size_t i = 0; i < placed.size(); ++i) {
    const REFGENE_ENTRY& entry = refgene_info.refGenes[i];
    const int chro = placed[i].chro == 3 ? 22 : placed[i].chro;
    EXPECT_EQ(entry.name, placed[i].name);
    EXPECT_EQ(entry.geneId, placed[i].geneId);
    EXPECT_EQ(entry.chro, chro);
    EXPECT_EQ(entry.end, static_cast<float>(placed[i].end));
    auto& length = lengths[static_cast<std::size_t>(chro)];
    length = std::max(length, static_cast<float>(placed[i].start));
  }
  EXPECT_EQ(refgene_info.chroLength, lengths);
  ASSERT_TRUE(refgene_info.GetUnitPos());
  EXPECT_TRUE(
      std::is_sorted(refgene_info.posList[0].begin(), refgene_info.posList[0].end(),
                     [](const PositionEntry& a, const PositionEntry& b) { return a.pos < b.pos; }));

  // Searches go round from the last hit.
  refgene_info.refGeneKeyword = "gene1";
  const int first = refgene_info.FindRefGeneByKeyword();
  EXPECT_EQ(refgene_info.refGenes[static_cast<std::size_t>(first)].name.find("GENE1"), 0u);
  EXPECT_NE(refgene_info.FindRefGeneByKeyword(), first);
  const int byId = refgene_info.FindRefGeneById(placed[5].geneId);
  EXPECT_EQ(byId, 5);
  EXPECT_EQ(refgene_info.FindRefGeneById(placed[5].geneId), 5);
  EXPECT_EQ(refgene_info.FindRefGeneById(-77), -1);

  // The same file is not read again; "None" empties the table and succeeds.
  std::remove(path.c_str());
  EXPECT_TRUE(refgene_info.ReadFile(path));
  EXPECT_EQ(refgene_info.refGeneCount, static_cast<int>(placed.size()));
  EXPECT_TRUE(refgene_info.ReadFile("None"));
  EXPECT_EQ(refgene_info.refGeneCount, 0);
}

TEST_F(GenomeInfoTest, RefGeneLimitsRefuseTheFile) {
  CapturedLog log;
  // Exactly 26000 rows fail: the table is full once the last one is stored.
  std::string text = "#bin\trefseq\tid\tchrom\n";
  for (int i = 0; i < MAX_REFGENE_NUM; ++i)
    text += "0\tN" + std::to_string(i) + "\t" + std::to_string(i) + "\tchr1\t+\t" +
            std::to_string(i) + "\t9\n";
  const std::string full = WriteFile("refgene_full.txt", text);
  EXPECT_FALSE(refgene_info.ReadFile(full));
  EXPECT_TRUE(log.Contains(kRefGeneLimitMessage, kLogRed));
  EXPECT_EQ(refgene_info.refGeneCount, 0);
  EXPECT_TRUE(refgene_info.fileName.empty());
  EXPECT_FALSE(refgene_info.ReadFile(full));  // failed reads are not taken as loaded
  text.erase(text.rfind("0\tN"));
  EXPECT_TRUE(refgene_info.ReadFile(WriteFile("refgene_less.txt", text)));
  EXPECT_EQ(refgene_info.refGeneCount, MAX_REFGENE_NUM - 1);

  EXPECT_FALSE(
      refgene_info.ReadFile(WriteFile("refgene_far.txt", "x\trefseq\nx\tA\t1\tchr61\t+\t5\t9\n")));
  EXPECT_TRUE(log.Contains(kRefGeneChromosomeMessage, kLogRed));
  EXPECT_FALSE(refgene_info.ReadFile(WriteFile("refgene_bad.txt", "name\tchrom\n")));
  EXPECT_TRUE(log.Contains("    Wrong refgene file with header line: name", kLogRed));
  ASSERT_TRUE(
      refgene_info.ReadFile(WriteFile("ZMUS_refgene.txt", "x\trefseq\nx\tA\t\tchrX\t+\t\t9\n")));
  EXPECT_EQ(refgene_info.species, kMouse);
  EXPECT_EQ(refgene_info.refGenes[0].geneId, -1);
  EXPECT_EQ(refgene_info.refGenes[0].chro, -1);  // no start: not placed
  EXPECT_EQ(refgene_info.NumChro, 20);
}

TEST_F(GenomeInfoTest, DamagedFilesNeverCrashTheReaders) {
  const synth::GenomeTruth genome = Genome(60, true);
  const std::string files[] = {synth::GenomeInfoText(genome),
                               synth::RefGeneText(synth::MakeRefGenes(genome, 50, 1)),
                               synth::CytobandText(synth::MakeCytobands(genome, 2))};
  CapturedLog log;
  for (int kind = 0; kind < 3; ++kind) {
    std::string bytes = files[kind];
    for (std::size_t cut = 0; cut < bytes.size(); cut += 97) {
      std::string damaged = bytes.substr(0, cut);
      if (cut % 3 == 0 && !damaged.empty()) damaged[cut / 2] = static_cast<char>(cut);
      const auto* data = reinterpret_cast<const std::uint8_t*>(damaged.data());
      if (kind == 0) FuzzReadGenomeInfo(data, damaged.size());
      if (kind == 1) FuzzReadRefGene(data, damaged.size());
      if (kind == 2) FuzzReadCytoband(data, damaged.size());
    }
  }
  // The whole files still read through the same entries.
  const auto bytes = [&](int kind) {
    return reinterpret_cast<const std::uint8_t*>(files[kind].data());
  };
  EXPECT_TRUE(FuzzReadGenomeInfo(bytes(0), files[0].size()));
  EXPECT_TRUE(FuzzReadRefGene(bytes(1), files[1].size()));
  EXPECT_TRUE(FuzzReadCytoband(bytes(2), files[2].size()));
}

}  // namespace

namespace {

TEST_F(GenomeInfoTest, ReadingPositionsCountsTheReferenceRates) {
  UseUnits(Names("U", 4));
  ArrayType = 1;
  GroupSettings& settings = TheGroup().Settings();
  settings.INFER_NONINFORMATIVE = kHaplotypeLohMethod;
  settings.NORMAL_GENOTYPE_FILE = WriteFile(
      "reference.txt",
      "SNP\tN1\tN2\tN3\tN4\nU0\tAA\tAB\tAB\tBB\nU1\tAB\tAB\tAB\tAA\nU2\tAA\tAA\tBB\tAB\n");
  const std::string genome =
      WriteFile("genome.txt",
                "Probe Set\tchromosome\tStart\tEnd\tStrand\tdbSNP\tx\tHet\tHom\tHet\nU0\tchr1\t10\n"
                "U1\tchr1\t20\nU2\tchr2\t5\t\t\t\t\t40\t50\t60\n");
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(genome));
  EXPECT_EQ(ReferenceGenotypes.loaded, 1);
  EXPECT_EQ(genome_info.Unit[0].rate[0], 0.5f);  // two of four samples heterozygous
  EXPECT_EQ(genome_info.Unit[1].rate[0], 0.75f);

  // A reference file that cannot be read leaves the positions read.
  settings.NORMAL_GENOTYPE_FILE = mFolder.File("absent.txt");
  CapturedLog log;
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(genome));
  EXPECT_TRUE(log.Contains("    Reading normal reference genotype file '", kLogRed));
  EXPECT_EQ(genome_info.Unit[2].rate[0], 0.4f);
  ReferenceGenotypes.Clear();
}

}  // namespace
