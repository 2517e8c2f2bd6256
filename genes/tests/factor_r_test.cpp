// The factor tests against R on the same values: one-way ANOVA, two-way ANOVA with and
// without interaction (sequential sums of squares, as R's anova of lm gives them), and
// Pearson's and Spearman's correlation with their p-values, over generated layouts that
// are balanced or not, with missing values and categories left empty.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "engine/services/r_link.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "genes/filter/factor_anova.hpp"
#include "genes/filter/factor_correlation.hpp"
#include "tools/synth/factor_data.hpp"
#include "tools/synth/random.hpp"

namespace {

constexpr int kCases = 60;
// R's statistics read back: per term (one-way A; A, B, A:B with interaction; A, B
// without) Df, F and p, then Pearson's r and p and Spearman's rho and p.
constexpr int kRValues = 6 * 3 + 4;

const char* const kRStatements[] = {
    "y <- as.vector(y); x <- as.vector(x); A <- factor(as.vector(a)); B <- factor(as.vector(b))",
    "row <- function(t, k) if (k %in% rownames(t)) c(t[k, 'Df'], t[k, 'F value'], "
    "t[k, 'Pr(>F)']) else c(0, NA, NA)",
    "t1 <- anova(lm(y ~ A)); t2 <- anova(lm(y ~ A * B)); t3 <- anova(lm(y ~ A + B))",
    "pc <- cor.test(x, y); sc <- cor.test(x, y, method = 'spearman', exact = FALSE)",
    "out <- c(row(t1, 'A'), row(t2, 'A'), row(t2, 'B'), row(t2, 'A:B'), row(t3, 'A'), "
    "row(t3, 'B'), pc$estimate, pc$p.value, sc$estimate, sc$p.value)",
    "out[!is.finite(out)] <- -1; out <- matrix(out, ncol = 1)",
};

// A term against R's row: the same degrees of freedom, F and p, or both undefined.
void ExpectTerm(const AnovaTerm& ours, const RMatrix& r, int row, const char* name) {
  SCOPED_TRACE(name);
  const double df = r.At(row, 0);
  const double f = r.At(row + 1, 0);
  const double p = r.At(row + 2, 0);
  if (df == 0.0 || f < 0.0) {
    EXPECT_TRUE(IsMissing(ours.f) && IsMissing(ours.p)) << "R has no test, we have F " << ours.f;
    return;
  }
  EXPECT_EQ(ours.df, static_cast<int>(df));
  ASSERT_FALSE(IsMissing(ours.f));
  EXPECT_NEAR(ours.f, f, 1e-8 * (1.0 + f));
  EXPECT_NEAR(ours.p, p, 1e-10 + 1e-7 * p);
}

TEST(FactorAgainstR, AnovaAndCorrelationMatchROnGeneratedLayouts) {
  CapturedLog log;
  const RaisedAnalysisRunning running;
  ASSERT_TRUE(RConnection().StartR(false)) << "R is installed with the project's packages";
  synth::SynthRandom layout(34);
  int compared = 0;
  int withEmptyCategory = 0;
  for (int c = 0; c < kCases; ++c) {
    SCOPED_TRACE(c);
    synth::FactorDataOptions options;
    options.seed = 100 + static_cast<std::uint64_t>(c);
    options.firstCategories = layout.Between(2, 5);
    options.secondCategories = layout.Between(2, 3);
    options.genesPerEffect = {0, 0, 0, 0};
    options.genesPerEffect[static_cast<std::size_t>(c % 4)] = 1;
    options.effect = 1.5;
    const bool balanced = c % 3 == 0;
    if (!balanced) {
      options.cellSamples.clear();
      for (int cell = 0; cell < options.firstCategories * options.secondCategories; ++cell)
        options.cellSamples.push_back(layout.Between(0, 4));
      // Every third layout leaves the first factor's last category without samples.
      if (c % 3 == 1 && options.firstCategories >= 3)
        for (int b = 0; b < options.secondCategories; ++b)
          options.cellSamples[static_cast<std::size_t>(
              (options.firstCategories - 1) * options.secondCategories + b)] = 0;
      options.missingPercent = 10;
    }
    const synth::FactorData data = synth::MakeFactorData(options);

    // The samples R sees are those with a value; ours keep the rest as missing.
    std::vector<double> values;
    std::vector<int> first;
    std::vector<int> second;
    std::vector<double> kept;
    std::vector<double> keptX;
    std::vector<double> keptA;
    std::vector<double> keptB;
    std::set<int> heldA;
    std::set<int> heldB;
    for (int s = 0; s < data.samples; ++s) {
      const auto i = static_cast<std::size_t>(s);
      const bool missing = data.missing[i][0];
      values.push_back(missing ? MISSING_VALUE : data.values[i][0]);
      first.push_back(data.first[i]);
      second.push_back(data.second[i]);
      if (missing) continue;
      kept.push_back(data.values[i][0]);
      keptX.push_back(data.numeric[i]);
      keptA.push_back(data.first[i]);
      keptB.push_back(data.second[i]);
      heldA.insert(data.first[i]);
      heldB.insert(data.second[i]);
    }
    // R cannot fit a factor of one level.
    if (heldA.size() < 2 || heldB.size() < 2 || kept.size() < 4) continue;
    if (static_cast<int>(heldA.size()) < options.firstCategories) ++withEmptyCategory;

    RLink& r = RConnection();
    ASSERT_TRUE(r.SetVector("y", kept));
    ASSERT_TRUE(r.SetVector("x", keptX));
    ASSERT_TRUE(r.SetVector("a", keptA));
    ASSERT_TRUE(r.SetVector("b", keptB));
    for (const char* statement : kRStatements)
      ASSERT_TRUE(r.ExecuteCommand(statement)) << statement;
    RMatrix out(kRValues, 1);
    ASSERT_TRUE(r.GetMatrix("out", out));

    ExpectTerm(OneWayAnova(values, first, options.firstCategories), out, 0, "one-way");
    const TwoWayAnovaTable full =
        TwoWayAnova(values, first, options.firstCategories, second, options.secondCategories, true);
    ExpectTerm(full.first, out, 3, "A with interaction");
    ExpectTerm(full.second, out, 6, "B with interaction");
    ExpectTerm(full.interaction, out, 9, "A:B");
    const TwoWayAnovaTable additive = TwoWayAnova(values, first, options.firstCategories, second,
                                                  options.secondCategories, false);
    ExpectTerm(additive.first, out, 12, "A without interaction");
    ExpectTerm(additive.second, out, 15, "B without interaction");

    std::vector<double> x(data.numeric.begin(), data.numeric.end());
    const Correlation pearson = PearsonCorrelationMissing(x, values);
    EXPECT_NEAR(pearson.r, out.At(18, 0), 1e-10);
    EXPECT_NEAR(pearson.p, out.At(19, 0), 1e-6 + 1e-4 * out.At(19, 0));
    const Correlation spearman = SpearmanCorrelationMissing(x, values);
    EXPECT_NEAR(spearman.r, out.At(20, 0), 1e-10);
    EXPECT_NEAR(spearman.p, out.At(21, 0), 1e-6 + 1e-4 * out.At(21, 0));
    ++compared;
  }
  EXPECT_GE(compared, kCases * 3 / 4);
  EXPECT_GT(withEmptyCategory, 0) << "some layouts leave a category without samples";
}

}  // namespace
