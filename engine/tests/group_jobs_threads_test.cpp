// Opening, normalising and modelling a group with every job on one thread and on several
// gives the same group tables, the same QVF files byte for byte and the same log lines in
// the same order.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/jobs/model_expression.hpp"
#include "engine/jobs/normalize_arrays.hpp"
#include "engine/model/model.hpp"
#include "engine/tests/group_job_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

struct GroupOutcome {
  std::vector<std::string> lines;
  std::vector<std::vector<std::uint16_t>> planes;
  std::vector<std::vector<std::uint32_t>> values;  // the triples' bits
  std::vector<float> fractions;
  std::vector<std::vector<std::uint8_t>> files;
  int modelProbeSet = -1;
};

}  // namespace

class GroupJobThreadsTest : public GroupJobTest {
 protected:
  ~GroupJobThreadsTest() override { platform::LimitWorkerThreads(0); }

  GroupOutcome RunJobs(int threads) {
    platform::LimitWorkerThreads(threads);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(DataFolder()))
      if (entry.path().extension() == ".qvf") std::filesystem::remove(entry.path(), error);
    mLog.Clear();
    GroupOutcome outcome;
    EXPECT_TRUE(Open());
    // As the Open Group command marks a group read from its data files.
    TheGroup().HasProbeData = true;
    // One QVF file no longer fits: only the calling thread may read that array's data file.
    {
      std::ofstream grown(QvfPathFor(TheGroup().Array(2).dataFile),
                          std::ios::binary | std::ios::app);
      grown.put('\0');
    }
    EXPECT_TRUE(NormalizeArrays(false));
    EXPECT_TRUE(ComputeModelExpression());
    for (const CapturedLine& line : mLog.Lines())
      // The closing lines carry the time taken.
      if (line.text.find("Finished in") == std::string::npos) outcome.lines.push_back(line.text);
    const Group& group = TheGroup();
    for (int i = 0; i < group.NumArrays(); ++i) {
      const ArraySlot& slot = group.Array(i);
      outcome.planes.push_back(slot.intensities);
      std::vector<std::uint32_t> bits;
      for (const VALUE_TRIPLE& triple : slot.values) {
        bits.push_back(std::bit_cast<std::uint32_t>(triple.value));
        bits.push_back(std::bit_cast<std::uint32_t>(triple.stdErr));
        bits.push_back(static_cast<std::uint32_t>(triple.outlier));
      }
      outcome.values.push_back(bits);
      outcome.fractions.push_back(slot.arrayOutlierFraction);
      outcome.fractions.push_back(slot.singleOutlierFraction);
      outcome.files.push_back(
          platform::ReadWholeFile(QvfPathFor(slot.dataFile)).value_or(platform::ByteBuffer{}));
    }
    outcome.modelProbeSet = Model.ProbeSet();
    return outcome;
  }
};

TEST_F(GroupJobThreadsTest, OneThreadAndSeveralGiveTheSameTablesFilesAndLines) {
  synth::ArrayGroupOptions options;
  options.arrays = 7;
  options.seed = 12;
  options.noise = 0.03;
  options.curves = {{1.8, 1.0, 0.0}, {0.5, 1.0, 0.0}, {0.3, 1.05, 0.0},
                    {1.2, 1.0, 0.0}, {0.8, 1.0, 0.0}, {1.5, 0.98, 0.0}};
  MakeGroup(200, 700, options);
  WriteAllScans();

  const GroupOutcome one = RunJobs(1);
  ASSERT_EQ(one.files.size(), 7u);
  EXPECT_EQ(one.modelProbeSet, 699);
  for (const auto& file : one.files) ASSERT_FALSE(file.empty());
  EXPECT_EQ(CountLines("does not fit the chip layout"), 1);
  // Outliers were found, so the counts have something to count.
  float outliers = 0.0f;
  for (const float fraction : one.fractions) outliers += fraction;
  EXPECT_GT(outliers, 0.0f);

  for (const int threads : {4, 2}) {
    const GroupOutcome many = RunJobs(threads);
    EXPECT_EQ(many.lines, one.lines) << threads;
    EXPECT_EQ(many.planes, one.planes);
    EXPECT_EQ(many.values, one.values);
    EXPECT_EQ(many.fractions, one.fractions);
    EXPECT_EQ(many.files, one.files);
    EXPECT_EQ(many.modelProbeSet, one.modelProbeSet);
  }
}
