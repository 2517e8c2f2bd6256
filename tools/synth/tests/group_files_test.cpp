// The group's truth and the text files written from it: the shares of present and
// changed probe sets are those asked, changed probe sets move their cells the way of
// their fold, and the result and genotype-call files, read back here from their lines,
// carry each probe set's call and signal as the truth has them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/tests/temp_folder.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/result_writers.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using namespace synth::testing;

synth::ChipTruth Chip(synth::ChipKind kind, int dimension, int units) {
  return ChipWithShape(kind, dimension, units, 8);
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2),
                   values.end());
  return values[values.size() / 2];
}

// The lines after the header line (the one that begins with the given text), and the
// header itself.
std::vector<std::vector<std::string>> RowsAfterHeader(const std::string& text,
                                                      const std::string& headerStart,
                                                      std::string& header) {
  std::vector<std::vector<std::string>> rows;
  bool inTable = false;
  for (const std::string& line : TextLines(text)) {
    if (inTable) {
      rows.push_back(Fields(line));
      continue;
    }
    if (!line.starts_with(headerStart)) continue;
    header = line;
    inTable = true;
  }
  return rows;
}

}  // namespace

TEST(SynthGroupTruth, SharesFoldsAndCurvesAreThoseAsked) {
  const synth::ChipTruth chip = Chip(synth::ChipKind::kExpression, 160, 1200);
  synth::ArrayGroupOptions options;
  options.arrays = 5;
  options.seed = 12;
  options.presentPercent = 60;
  options.changedPercent = 30;
  options.changeFold = 2.5;
  options.curves = {{2.0, 1.0, 5.0}, {0.5, 1.1, 0.0}};
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, options);
  ASSERT_EQ(group.arrays.size(), 5u);

  int present = 0;
  std::vector<double> logExpression;
  for (std::size_t u = 0; u < chip.units.size(); ++u) {
    if (group.present[u] == 'A') {
      EXPECT_EQ(group.expression[u], 0.0);
      continue;
    }
    ASSERT_EQ(group.present[u], 'P');
    ++present;
    EXPECT_GE(group.expression[u], 400.0);
    EXPECT_LE(group.expression[u], 3000.0);
    logExpression.push_back(std::log(group.expression[u]));
  }
  EXPECT_NEAR(present / 1200.0, 0.6, 0.05);
  // Spread evenly on the log scale between the two ends.
  double sum = 0;
  for (double v : logExpression) sum += v;
  EXPECT_NEAR(sum / static_cast<double>(logExpression.size()),
              (std::log(400.0) + std::log(3000.0)) / 2, 0.06);

  for (std::size_t a = 1; a < group.arrays.size(); ++a) {
    SCOPED_TRACE(a);
    // The curves given, in turn.
    const synth::BrightnessCurve& curve = group.arrays[a].curve;
    const synth::BrightnessCurve& given = options.curves[(a - 1) % 2];
    EXPECT_EQ(curve.scale, given.scale);
    EXPECT_EQ(curve.power, given.power);
    EXPECT_EQ(curve.offset, given.offset);
    int up = 0;
    int down = 0;
    for (double fold : group.arrays[a].fold) {
      up += fold == 2.5 ? 1 : 0;
      down += fold == 1 / 2.5 ? 1 : 0;
      EXPECT_TRUE(fold == 1.0 || fold == 2.5 || fold == 1 / 2.5) << fold;
    }
    EXPECT_NEAR((up + down) / 1200.0, 0.3, 0.05);
    EXPECT_NEAR(up / static_cast<double>(up + down), 0.5, 0.08);
  }
}

TEST(SynthGroupTruth, ChangedProbeSetsMoveTheirPerfectMatchCellsTheWayOfTheirFold) {
  const synth::ChipTruth chip = Chip(synth::ChipKind::kExpression, 120, 500);
  synth::ArrayGroupOptions options;
  options.seed = 13;
  options.changedPercent = 40;
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, options);
  for (std::size_t a = 1; a < group.arrays.size(); ++a) {
    SCOPED_TRACE(a);
    const synth::SynthesisedArray& array = group.arrays[a];
    std::vector<double> upRatios;
    std::vector<double> downRatios;
    for (std::size_t u = 0; u < chip.units.size(); ++u) {
      if (group.present[u] != 'P' || array.fold[u] == 1.0) continue;
      for (const auto& pair : chip.units[u].blocks[0].pairs) {
        const std::size_t cell = group.CellIndex(pair.pm.x, pair.pm.y);
        const double ratio =
            array.curve.Invert(array.intensities[cell]) / group.trueIntensity[cell];
        (array.fold[u] > 1 ? upRatios : downRatios).push_back(ratio);
      }
    }
    ASSERT_GT(upRatios.size(), 100u);
    ASSERT_GT(downRatios.size(), 100u);
    // The background and unspecific binding of a cell do not change: a fold of 3 on the
    // probe's signal lifts the cell by about two to three times, a fold of a third
    // lowers it to between a third and two thirds.
    EXPECT_GT(Median(upRatios), 1.8);
    EXPECT_LT(Median(upRatios), 3.0);
    EXPECT_GT(Median(downRatios), 1 / 3.0);
    EXPECT_LT(Median(downRatios), 0.7);
  }
}

TEST(SynthResultFiles, EachProbeSetsCallAndSignalAreWrittenInEveryColumnLayout) {
  platform::testing::TempFolder folder;
  const synth::ChipTruth chip = Chip(synth::ChipKind::kExpression, 60, 120);
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, {});
  std::vector<char> baseCalls;
  std::vector<double> baseSignals;
  synth::ResultsOf(group, 0, baseCalls, baseSignals);
  struct Layout {
    synth::ResultColumns columns;
    std::string header;
    int signalColumn;  // -1: none
    int callColumn;
  };
  const Layout layouts[] = {
      {synth::ResultColumns::kSignalDetection,
       "Probe Set Name\tSignal\tDetection\tDetection p-value", 1, 2},
      {synth::ResultColumns::kAvgDiffAbsCall,
       "Probe Set Name\tPositive\tNegative\tAvg Diff\tAbs Call", 3, 4},
      {synth::ResultColumns::kDetectionBeforeSignal, "Probe Set Name\tDetection\tSignal", 2, 1},
      {synth::ResultColumns::kCallsOnly, "Probe Set Name\tDetection", -1, 1},
  };
  for (int a = 0; a < 3; ++a) {
    std::vector<char> calls;
    std::vector<double> signals;
    synth::ResultsOf(group, a, calls, signals);
    // A probe set without a call has no line.
    calls[7] = '\0';
    for (const Layout& layout : layouts) {
      SCOPED_TRACE("array " + std::to_string(a) + " header " + layout.header);
      const std::string path = folder.File("result.txt");
      ASSERT_TRUE(synth::WriteResultText(chip, calls, signals, path, layout.columns));
      const std::string text = FileText(path);
      EXPECT_NE(text.find("Chip Type:\t" + chip.chipType + "\n"), std::string::npos);
      std::string header;
      const auto rows = RowsAfterHeader(text, "Probe Set Name", header);
      EXPECT_EQ(header, layout.header);
      ASSERT_EQ(rows.size(), chip.units.size() - 1);
      for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t u = r < 7 ? r : r + 1;
        const std::vector<std::string>& row = rows[r];
        ASSERT_EQ(row.size(), static_cast<std::size_t>(
                                  std::count(layout.header.begin(), layout.header.end(), '\t')) +
                                  1);
        EXPECT_EQ(row[0], chip.units[u].name);
        EXPECT_EQ(row[static_cast<std::size_t>(layout.callColumn)],
                  std::string(1, group.present[u]));
        if (layout.columns == synth::ResultColumns::kSignalDetection) {
          EXPECT_EQ(row[3], group.present[u] == 'P' ? "0.001" : "0.500");
        }
        if (layout.signalColumn < 0) continue;
        const double signal =
            std::strtod(row[static_cast<std::size_t>(layout.signalColumn)].c_str(), nullptr);
        const double fold = group.arrays[static_cast<std::size_t>(a)].fold[u];
        EXPECT_NEAR(signal, group.expression[u] * fold, 0.005 + 1e-9);
        // The array's own change against the baseline.
        if (group.present[u] == 'P') {
          EXPECT_NEAR(signal / baseSignals[u], fold, 1e-4);
        }
      }
    }
  }
}

TEST(SynthResultFiles, GenotypeCallsAreWrittenAsTheFormSpellsThem) {
  platform::testing::TempFolder folder;
  const synth::ChipTruth chip = Chip(synth::ChipKind::kSnp2, 120, 300);
  const std::vector<char> calls = synth::MakeGenotypes(chip, 4, 20);
  std::map<int, int> counts;
  for (char call : calls) ++counts[call];
  EXPECT_EQ(counts.size(), 4u);
  EXPECT_NEAR(counts[3] / 300.0, 0.2, 0.06);
  for (int call = 0; call < 3; ++call) EXPECT_NEAR(counts[call] / 300.0, 0.8 / 3, 0.07) << call;
  EXPECT_NE(calls, synth::MakeGenotypes(chip, 5, 20));
  EXPECT_EQ(calls, synth::MakeGenotypes(chip, 4, 20));

  struct Form {
    synth::GenotypeForm form;
    std::string header;
    std::map<std::string, int> spelling;
  };
  const Form forms[] = {
      {synth::GenotypeForm::kAllelePairs,
       "Experiment\tLabel\tCall\tCall",
       {{"A A", 0}, {"B B", 1}, {"A B", 2}, {"No Call", 3}}},
      {synth::GenotypeForm::kCallWords,
       "SNP ID\tCall",
       {{"AA", 0}, {"BB", 1}, {"AB", 2}, {"NoCall", 3}}},
      {synth::GenotypeForm::kCallCodes, "ID_REF\tVALUE", {{"0", 0}, {"2", 1}, {"1", 2}, {"-1", 3}}},
  };
  for (const Form& form : forms) {
    SCOPED_TRACE(form.header);
    const std::string path = folder.File("calls.txt");
    ASSERT_TRUE(synth::WriteGenotypeCalls(chip, calls, path, form.form));
    std::string header;
    const auto rows = RowsAfterHeader(FileText(path), form.header, header);
    ASSERT_EQ(rows.size(), calls.size());
    for (std::size_t u = 0; u < rows.size(); ++u) {
      std::string name;
      std::string spelt;
      if (form.form == synth::GenotypeForm::kAllelePairs) {
        // After the label, the name and the two alleles, separated by blanks.
        ASSERT_EQ(rows[u].size(), 2u);
        const std::size_t blank = rows[u][1].find(' ');
        name = rows[u][1].substr(0, blank);
        spelt = rows[u][1].substr(blank + 1);
      } else {
        name = rows[u][0];
        spelt = rows[u][1];
      }
      EXPECT_EQ(name, chip.units[u].name);
      ASSERT_EQ(form.spelling.count(spelt), 1u) << spelt;
      EXPECT_EQ(form.spelling.at(spelt), calls[u]) << name;
    }
  }
}
