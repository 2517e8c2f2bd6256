// The chromosome data's tables: each gathering holds what its method uses and no more,
// with its cells starting as the readers expect, and the fixed tables of methods, data
// types and LOH calls.
#include "genome/chromosome/chromosome.hpp"

#include <gtest/gtest.h>

#include "engine/testing/captured_log.hpp"

namespace {

TEST(ChromosomeTest, EachMethodHoldsTheTablesItUses) {
  const ChroTables loh = TablesFor(kChroLoh, true, true);
  EXPECT_TRUE(loh.lohCodes);
  EXPECT_FALSE(loh.inferred || loh.signal || loh.secondSignal);
  const ChroTables copies = TablesFor(kChroCopyNumber, true, true);
  EXPECT_TRUE(copies.lohCodes && copies.inferred && copies.signal && copies.secondSignal);
  EXPECT_FALSE(TablesFor(kChroCopyNumber, true, false).secondSignal);
  const ChroTables expression = TablesFor(kChroExpression, false, true);
  EXPECT_FALSE(expression.lohCodes || expression.secondSignal);
  EXPECT_TRUE(expression.signal && expression.inferred);
  const ChroTables sharing = TablesFor(kChroAlleleSharing, true, false);
  EXPECT_TRUE(sharing.inferred && sharing.lohCodes);
  EXPECT_FALSE(sharing.signal);
  const ChroTables linkage = TablesFor(kChroLinkage, true, false);
  EXPECT_FALSE(linkage.inferred || linkage.signal);

  // 200 samples x 500,000 SNPs: a byte of call and a float of LOH code per cell, and a
  // record per unit; copy number adds the inferred and signal floats.
  const std::size_t cells = std::size_t{200} * 500000;
  const std::size_t records = std::size_t{500000} * sizeof(MarkerStats);
  EXPECT_EQ(CHROMOSOME::HeldBytes(200, 500000, loh), cells * 5 + records);
  EXPECT_EQ(CHROMOSOME::HeldBytes(200, 500000, copies), cells * 17 + records);
  EXPECT_LT(CHROMOSOME::HeldBytes(200, 500000, TablesFor(kChroCopyNumber, true, false)),
            std::size_t{2} << 30);
}

TEST(ChromosomeTest, AllocationStartsEveryCellAsTheReadersExpectAndClearFreesIt) {
  auto data = std::make_unique<CHROMOSOME>();
  EXPECT_EQ(data->Threshold[3], kMissingValueFloat);
  EXPECT_EQ(data->Max[0], kMissingValueFloat);
  EXPECT_EQ(data->gender[999], 'F');
  EXPECT_EQ(data->genesPerRegion, 10);
  EXPECT_EQ(data->affectedGivenState, (std::array<float, 3>{1, 0, 0}));

  CapturedLog log;
  ASSERT_TRUE(data->Allocate(3, 7, TablesFor(kChroCopyNumber, true, false)));
  EXPECT_EQ(data->sampleCount, 3);
  EXPECT_TRUE(data->secondSignal.Empty());
  for (int s = 0; s < 3; ++s) {
    for (int u = 0; u < 7; ++u) {
      EXPECT_EQ(data->calls.Row(s)[u], 3);
      EXPECT_EQ(data->lohCodes.Row(s)[u], kLohNoCall);
      EXPECT_EQ(data->inferred.Row(s)[u], kMissingValueFloat);
    }
  }
  data->signal.Row(2)[6] = 4.5f;
  EXPECT_EQ(data->signal.Row(2)[6], 4.5f);
  EXPECT_EQ(data->signal.Row(1)[6], kMissingValueFloat);
  ASSERT_EQ(data->markerStats.size(), 7u);
  EXPECT_EQ(data->markerStats[6].summary[2], kMissingValueFloat);

  // A later gathering of another method drops what it does not use.
  ASSERT_TRUE(data->Allocate(2, 5, TablesFor(kChroLoh, true, false)));
  EXPECT_TRUE(data->signal.Empty());
  EXPECT_TRUE(data->inferred.Empty());
  EXPECT_FALSE(data->lohCodes.Empty());
  EXPECT_EQ(log.CountInColour(kLogRed), 0);

  EXPECT_FALSE(data->Allocate(kMaxChroSamples + 1, 5, TablesFor(kChroLoh, true, false)));
  EXPECT_TRUE(log.ContainsRed(kChroAllocationMessage));
  EXPECT_TRUE(data->calls.Empty());
  EXPECT_EQ(data->sampleCount, 0);
  ASSERT_TRUE(data->Allocate(kMaxChroSamples, 2, TablesFor(kChroLoh, true, false)));
  data->Clear();
  EXPECT_TRUE(data->calls.Empty() && data->lohCodes.Empty() && data->markerStats.empty());
}

TEST(ChromosomeTest, LohCallsDataTypesAndTheirDefaults) {
  EXPECT_EQ(CHROMOSOME::ClassifyInferredLoh(0.6f, 0.5f), kLohLoss);
  EXPECT_EQ(CHROMOSOME::ClassifyInferredLoh(1.0f, 0.5f), kLohLoss);
  EXPECT_EQ(CHROMOSOME::ClassifyInferredLoh(0.5f, 0.5f), kLohNoCall);
  EXPECT_EQ(CHROMOSOME::ClassifyInferredLoh(0.2f, 0.5f), kLohRetention);
  EXPECT_EQ(CHROMOSOME::ClassifyInferredLoh(0.0f, 0.5f), kLohRetention);
  EXPECT_EQ(CHROMOSOME::ClassifyInferredLoh(1.01f, 0.5f), kLohNoCall);
  EXPECT_EQ(CHROMOSOME::ClassifyInferredLoh(-0.01f, 0.5f), kLohNoCall);
  EXPECT_EQ(CHROMOSOME::ClassifyInferredLoh(0.05f, 0.9f), kLohRetention);
  EXPECT_EQ(CHROMOSOME::ClassifyInferredLoh(0.5f, 0.9f), kLohNoCall);
  EXPECT_EQ(CHROMOSOME::ClassifyInferredLoh(0.95f, 0.9f), kLohLoss);

  std::vector<int> linkage;
  for (int type = 0; type < kChroDataTypeCount; ++type)
    if (MethodOffersDataType(kChroLinkage, type)) linkage.push_back(type);
  EXPECT_EQ(linkage, (std::vector<int>{0, 4}));
  EXPECT_TRUE(MethodOffersDataType(kChroCopyNumber, kDataLog2Ratio));
  EXPECT_FALSE(MethodOffersDataType(kChroLoh, kDataCopyNumber));
  EXPECT_FALSE(MethodOffersDataType(7, 0));
  for (int method = 0; method < 5; ++method)
    EXPECT_TRUE(MethodOffersDataType(method, kMethodDataType[method])) << method;

  EXPECT_EQ(DefaultsIndex(kChroLinkage, kDataCall), 4);
  EXPECT_EQ(DefaultsIndex(kChroAlleleSharing, kDataCall), 5);
  EXPECT_EQ(DefaultsIndex(kChroLoh, kDataCall), 0);
  EXPECT_EQ(DefaultsIndex(kChroAlleleSharing, kDataLohCall), 1);
  EXPECT_EQ(kThresholdDefaults[DefaultsIndex(kChroLinkage, kDataCall)],
            (std::array<float, 3>{-2, 2, 3}));
}

}  // namespace

namespace {

TEST(ChromosomeTest, PairsGetTheCodeOfTheirNormalAndTumourCalls) {
  constexpr int A = 0, B = 1, AB = 2, N = 3;
  // Rows: normal A, B, AB, NoCall; columns: tumour A, B, AB, NoCall.
  const int expected[4][4] = {{kLohNoninformative, kLohConflict, kLohConflict, kLohNoninformative},
                              {kLohConflict, kLohNoninformative, kLohConflict, kLohNoninformative},
                              {kLohLoss, kLohLoss, kLohRetention, kLohNoCall},
                              {kLohNoCall, kLohNoCall, kLohRetention, kLohNoCall}};
  for (int normal : {A, B, AB, N})
    for (int tumour : {A, B, AB, N})
      EXPECT_EQ(PairedLohCode(normal, tumour), expected[normal][tumour]) << normal << "," << tumour;

  // A single sample, a pair and a trio over every combination of the pair's calls.
  auto data = std::make_unique<CHROMOSOME>();
  CapturedLog log;
  ASSERT_TRUE(data->Allocate(6, 900, TablesFor(kChroLoh, true, false)));
  const std::vector<int> sizes = {1, 2, 3};
  const auto callOf = [](int unit, int sample) {
    if (sample == 1) return unit % 4;        // the pair's normal
    if (sample == 2) return (unit / 4) % 4;  // its tumour
    return (unit + sample) % 4;
  };
  ASSERT_TRUE(data->GetCalls(sizes, callOf));
  for (int u = 0; u < 900; ++u) {
    for (int s = 0; s < 6; ++s) ASSERT_EQ(data->calls.Row(s)[u], callOf(u, s));
    EXPECT_EQ(data->lohCodes.Row(0)[u], kLohNoCall);
    const float pair = static_cast<float>(expected[u % 4][(u / 4) % 4]);
    EXPECT_EQ(data->lohCodes.Row(1)[u], pair);
    EXPECT_EQ(data->lohCodes.Row(2)[u], pair);
    const float trio = static_cast<float>(PairedLohCode(callOf(u, 3), callOf(u, 4)));
    for (int s = 3; s < 6; ++s) EXPECT_EQ(data->lohCodes.Row(s)[u], trio);
    EXPECT_EQ(data->markerStats[u].summary[kDataCall], kMissingValueFloat);
  }
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
  EXPECT_EQ(log.Lines().back().text, "");

  // A normal call that is no genotype stops the gathering.
  log.Clear();
  EXPECT_FALSE(
      data->GetCalls(sizes, [](int unit, int sample) { return unit == 5 && sample == 1 ? 4 : 0; }));
  EXPECT_TRUE(log.ContainsRed(kLohCallingErrorMessage));
}

}  // namespace
