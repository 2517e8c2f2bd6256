// Planted sample classes: the class sizes and told samples are as asked, the order is
// shuffled, and with the classes well apart every sample lies nearer its own class's
// mean than any other class's.
#include "tools/synth/planted_sample_classes.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(PlantedSampleClasses, ClassesHaveTheirSizesAndEverySampleLiesNearestItsOwnClass) {
  const synth::PlantedClassTruth truth = synth::MakePlantedClasses(synth::PlantedClassOptions{
      .classes = 4, .samplesPerClass = 5, .genes = 12, .unknownPerClass = 2});
  ASSERT_EQ(truth.Samples(), 20);
  ASSERT_EQ(truth.group.GeneCount(), 12);
  std::vector<int> sizes(4, 0);
  std::vector<int> told(4, 0);
  for (int j = 0; j < truth.Samples(); ++j) {
    ++sizes[static_cast<std::size_t>(truth.classOf[j])];
    told[static_cast<std::size_t>(truth.classOf[j])] += truth.told[j] ? 1 : 0;
  }
  EXPECT_EQ(sizes, std::vector<int>(4, 5));
  EXPECT_EQ(told, std::vector<int>(4, 3));
  EXPECT_NE(truth.classOf,
            std::vector<int>({0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3}))
      << "samples of a class are dealt in shuffled order";

  // Class means per gene, then each sample's squared distance to every mean.
  std::vector<std::vector<double>> means(4, std::vector<double>(12, 0.0));
  for (int g = 0; g < 12; ++g)
    for (int j = 0; j < truth.Samples(); ++j)
      means[truth.classOf[j]][g] += truth.group.values[g][j] / 5.0;
  for (int j = 0; j < truth.Samples(); ++j) {
    std::vector<double> distance(4, 0.0);
    for (int c = 0; c < 4; ++c)
      for (int g = 0; g < 12; ++g) {
        const double d = truth.group.values[g][j] - means[c][g];
        distance[c] += d * d;
      }
    for (int c = 0; c < 4; ++c) {
      if (c != truth.classOf[j]) {
        EXPECT_LT(distance[truth.classOf[j]], distance[c]) << j;
      }
    }
  }
}

}  // namespace
