// The generator's marker chains and reference genotype files hold what their truth says:
// chains follow their model's chances, and the file carries every planted call, gap and
// stray line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "platform/byte_reader.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/genome_chain.hpp"
#include "tools/synth/genome_loh.hpp"
#include "tools/synth/genome_reference.hpp"

namespace {

TEST(GenomeChainTest, ChainsFollowTheirModelsChances) {
  synth::ChainModel model;
  model.start = {0.2, 0.5, 0.3};
  model.emission = {{0.7, 0.3}, {0.1, 0.9}, {0.5, 0.5}};
  const int n = 30000;
  // Unknown distances redraw every state from the start chances.
  model.distanceMb.assign(n - 1, -1.0);
  const synth::Chain drawn = synth::DrawChain(model, 4);
  ASSERT_EQ(drawn.states.size(), static_cast<std::size_t>(n));
  std::vector<int> count(3), ones(3);
  for (int t = 0; t < n; ++t) {
    ++count[drawn.states[t]];
    ones[drawn.states[t]] += drawn.symbols[t];
  }
  for (int i = 0; i < 3; ++i) {
    const double p = model.start[i];
    EXPECT_NEAR(count[i] / double(n), p, 4 * std::sqrt(p * (1 - p) / n)) << i;
    const double e = model.emission[i][1];
    EXPECT_NEAR(ones[i] / double(count[i]), e, 4 * std::sqrt(e * (1 - e) / count[i])) << i;
  }
  // No distance keeps the first state throughout; 50 Mb steps redraw 1 - 1/e of the time.
  model.distanceMb.assign(999, 0.0);
  const synth::Chain kept = synth::DrawChain(model, 5);
  for (int state : kept.states) EXPECT_EQ(state, kept.states[0]);
  model.distanceMb.assign(n - 1, 50.0);
  const synth::Chain far = synth::DrawChain(model, 6);
  int changes = 0;
  for (int t = 1; t < n; ++t) changes += far.states[t] != far.states[t - 1];
  const double stay = 0.2 * 0.2 + 0.5 * 0.5 + 0.3 * 0.3;
  EXPECT_NEAR(changes / double(n), (1 - std::exp(-1.0)) * (1 - stay), 0.01);
}

TEST(GenomeReferenceTest, TheFileCarriesEveryPlantedCallGapAndStrayLine) {
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) names.push_back("SNP" + std::to_string(i));
  synth::ReferenceGenotypeOptions options;
  options.samples = 6;
  options.trailingColumns = 1;
  const synth::ReferenceGenotypeTruth truth = synth::MakeReferenceGenotypes(names, options);
  platform::testing::TempFolder folder;
  const std::string path = folder.File("reference.txt");
  ASSERT_TRUE(synth::WriteReferenceGenotypes(truth, path));
  const auto bytes = platform::ReadWholeFile(path);
  ASSERT_TRUE(bytes.has_value());
  std::istringstream text(std::string(bytes->begin(), bytes->end()));
  std::string line;
  ASSERT_TRUE(std::getline(text, line));
  EXPECT_EQ(line, "SNP\tNormal1\tNormal2\tNormal3\tNormal4\tNormal5\tNormal6\t\tExtra0");
  int lines = 0, found = 0, stray = 0;
  std::vector<bool> seen(300, false);
  while (std::getline(text, line)) {
    ++lines;
    std::string name = line.substr(0, line.find('\t'));
    std::erase(name, '"');
    std::erase(name, ' ');
    if (name.rfind("NOT_ON_ARRAY_", 0) == 0) {
      ++stray;
      continue;
    }
    const int u = std::stoi(name.substr(3));
    ASSERT_TRUE(truth.inFile[u]) << name;
    seen[u] = true;
    ++found;
    // Six calls, the empty field and the extra column.
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 8) << line;
  }
  EXPECT_EQ(lines, truth.lines);
  EXPECT_EQ(found, truth.linesFound);
  EXPECT_EQ(stray, options.unknownLines);
  int sparse = 0;
  for (int u = 0; u < 300; ++u) {
    EXPECT_EQ(seen[u], truth.inFile[u]) << u;
    int called = 0;
    for (const auto& row : truth.codes) called += row[u] <= 2;
    if (!truth.inFile[u]) {
      EXPECT_EQ(called, 0);
    }
    if (u % options.sparseEvery == 3) {
      EXPECT_LE(called, 2);
      ++sparse;
    }
  }
  EXPECT_GT(sparse, 30);
}

}  // namespace

namespace {

TEST(GenomeLohTest, TumourCallsLoseOneAlleleOnlyInsideThePlantedStretches) {
  synth::LohPlan plan;
  plan.markers = 20000;
  plan.lost = {{100, 4999}, {12000, 12010}};
  plan.errorRate = 0;
  const synth::LohCalls calls = synth::DrawLohCalls(plan);
  int lost = 0, normalHet = 0, noCalls = 0;
  for (int t = 0; t < plan.markers; ++t) {
    const bool inside = (t >= 100 && t <= 4999) || (t >= 12000 && t <= 12010);
    ASSERT_EQ(calls.lost[t], inside) << t;
    lost += inside;
    noCalls += calls.normal[t] == 3;
    if (calls.normal[t] == 3 || calls.tumour[t] == 3) continue;
    normalHet += calls.normal[t] == 2;
    // Without errors the tumour shows the normal genotype, or one allele of it when lost.
    if (inside && calls.normal[t] == 2) {
      EXPECT_NE(calls.tumour[t], 2) << t;
    } else {
      EXPECT_EQ(calls.tumour[t], calls.normal[t]) << t;
    }
  }
  EXPECT_EQ(lost, 4900 + 11);
  EXPECT_NEAR(normalHet / double(plan.markers),
              plan.hetRate * (1 - plan.noCallRate) * (1 - plan.noCallRate), 0.015);
  EXPECT_NEAR(noCalls / double(plan.markers), plan.noCallRate, 0.005);

  // Errors replace a few calls by another genotype.
  plan.errorRate = 0.05;
  const synth::LohCalls noisy = synth::DrawLohCalls(plan);
  int changed = 0, called = 0;
  for (int t = 5000; t < plan.markers; ++t) {
    if (noisy.normal[t] == 3 || noisy.tumour[t] == 3 || noisy.lost[t]) continue;
    ++called;
    changed += noisy.normal[t] != noisy.tumour[t];
  }
  // Either call may be wrong: about 2 x 0.05 of the pairs differ.
  EXPECT_NEAR(changed / double(called), 2 * 0.05 * (1 - 0.05), 0.015);
}

}  // namespace
