// Reported genotype calls: the rates hold over many draws, a wrong call is always one of
// the two other genotypes, and rates of 0 and 1 are exact.
#include "tools/synth/reported_call.hpp"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(ReportedCall, MissingAndWrongCallsComeAtTheirRates) {
  struct Rates {
    double noCall;
    double error;
  };
  for (const Rates rates : {Rates{0, 0}, Rates{1, 0}, Rates{0, 1}, Rates{0.1, 0.2}}) {
    synth::SynthRandom random(17);
    constexpr int kDraws = 30000;
    std::array<int, 3> missing{}, wrong{}, right{};
    for (int i = 0; i < kDraws; ++i) {
      const int genotype = i % 3;
      const int call = synth::ReportedCall(genotype, rates.noCall, rates.error, random);
      ASSERT_GE(call, 0);
      ASSERT_LE(call, synth::kReportedNoCall);
      if (call == synth::kReportedNoCall)
        ++missing[static_cast<std::size_t>(genotype)];
      else if (call == genotype)
        ++right[static_cast<std::size_t>(genotype)];
      else
        ++wrong[static_cast<std::size_t>(genotype)];
    }
    for (std::size_t g = 0; g < 3; ++g) {
      const double drawn = kDraws / 3.0;
      EXPECT_NEAR(missing[g] / drawn, rates.noCall, 0.02) << g;
      EXPECT_NEAR(wrong[g] / drawn, (1 - rates.noCall) * rates.error, 0.02) << g;
      EXPECT_EQ(missing[g] + wrong[g] + right[g], kDraws / 3);
    }
  }
}

}  // namespace
