// Opening, normalising and modelling a group of a realistic shape writes the same bytes
// as the reference run whose checksums are kept below: every QVF file, the array summary,
// the expression data file and the log lines, on one thread and on all cores. A change
// that alters any number of the three jobs fails here; a deliberate one replaces the
// table in the same commit (the test prints the new one) and says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/group/sample_grouping.hpp"
#include "engine/jobs/expression_data_file.hpp"
#include "engine/jobs/model_expression.hpp"
#include "engine/jobs/normalize_arrays.hpp"
#include "engine/tests/group_job_test_support.hpp"
#include "engine/tests/reference_sums_support.hpp"
#include "platform/byte_reader.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

constexpr int kArrays = 30;
constexpr int kDimension = 240;
constexpr int kUnits = 1800;
constexpr int kBadArray = 11;

// FNV-1a over the bytes with every occurrence of the test's own folder taken out, so
// that the sums do not depend on where the test runs. A path in a fixed-size field of a
// binary file is followed by zeros up to the field's end, as many fewer as the folder is
// longer: those are summed as if the folder had the length of its one-byte stand-in.
class Checksum {
 public:
  explicit Checksum(std::string_view folder) : mFolder(folder) {}

  std::uint64_t Of(std::string_view bytes) const {
    std::uint64_t sum = kOffset;
    std::size_t at = 0;
    while (at < bytes.size()) {
      if (bytes.compare(at, mFolder.size(), mFolder) != 0) {
        Add(sum, static_cast<unsigned char>(bytes[at++]));
        continue;
      }
      at += mFolder.size();
      Add(sum, '@');
      while (at < bytes.size() && IsPrintable(bytes[at]))
        Add(sum, static_cast<unsigned char>(bytes[at++]));
      if (at < bytes.size() && bytes[at] == '\0')
        for (std::size_t k = 1; k < mFolder.size(); ++k) Add(sum, '\0');
    }
    return sum;
  }

 private:
  static constexpr std::uint64_t kOffset = 14695981039346656037ull;
  static constexpr std::uint64_t kPrime = 1099511628211ull;

  static void Add(std::uint64_t& sum, unsigned char byte) { sum = (sum ^ byte) * kPrime; }
  static bool IsPrintable(char c) { return c >= 0x20 && c < 0x7f; }

  std::string_view mFolder;
};

// Name of a written file (or "log") and the checksum of its bytes.
using Sums = ReferenceSumTable;

// The reference run's sums.
const Sums& ReferenceSums() {
  static const Sums sums = {
      {"array01.qvf", 0xe7d860bf43a96ca5ull},
      {"array02.qvf", 0x56f5f02e987738b1ull},
      {"array03.qvf", 0xce27f10970583f83ull},
      {"array04.qvf", 0x0b1c4f9bf7e96a11ull},
      {"array05.qvf", 0x1782620359ad3e4cull},
      {"array06.qvf", 0xba17176b936dbe72ull},
      {"array07.qvf", 0xe0625b23c44cb3ccull},
      {"array08.qvf", 0x44a7514684621feaull},
      {"array09.qvf", 0xe06f0a69489ad362ull},
      {"array10.qvf", 0x8cc326eeb6fa9c00ull},
      {"array11.qvf", 0x643f02ace5adc721ull},
      {"array12.qvf", 0x1f9b4f6d1a15c6d1ull},
      {"array13.qvf", 0x5ad826e8a81efe47ull},
      {"array14.qvf", 0x047b102734d95475ull},
      {"array15.qvf", 0xcf1ad982b02e9b95ull},
      {"array16.qvf", 0xbc1108bd0a8b8b5cull},
      {"array17.qvf", 0xb80e520b4ec77e1dull},
      {"array18.qvf", 0x7191e29cbd0655d7ull},
      {"array19.qvf", 0xaca9b408988d525full},
      {"array20.qvf", 0xb09c37f43ac3df6cull},
      {"array21.qvf", 0xe50acfe4e02b827full},
      {"array22.qvf", 0x667b501dc9130f2bull},
      {"array23.qvf", 0x7e8823e045775a30ull},
      {"array24.qvf", 0xf2ae5244075228f1ull},
      {"array25.qvf", 0x30648db5fec62a5dull},
      {"array26.qvf", 0x10b14b9e2e37ac96ull},
      {"array27.qvf", 0xf92677d71cb8560cull},
      {"array28.qvf", 0x88eeda6e8c3761c8ull},
      {"array29.qvf", 0x03d6fa08a5db908cull},
      {"array30.qvf", 0x2dfbab68570b7914ull},
      {"expression.xls", 0xeb1e3c025eb0b3edull},
      {"jobs arrays.xls", 0x674ed28fd51e726eull},
      {"log", 0x8a1a7b6ba1c94bc2ull},
  };
  return sums;
}

}  // namespace

class GroupJobsReferenceChecksumsTest : public GroupJobTest {
 protected:
  GroupJobsReferenceChecksumsTest() {
    std::filesystem::create_directories(WorkFolder());
    Settings().WORKING_DIR = WorkFolder();
  }
  ~GroupJobsReferenceChecksumsTest() override { platform::LimitWorkerThreads(0); }

  std::string WorkFolder() const { return mFolder.File("work"); }

  // The group's arrays in the three cell file forms in turn, each with outlier and masked
  // cells of its own in the file's lists; one array responds badly on every probe and
  // two carry bright spots, so the model sets arrays and single probes aside.
  void WriteGroup() {
    synth::ArrayGroupOptions options;
    options.arrays = kArrays;
    options.seed = 31;
    options.noise = 0.06;
    options.badArray = kBadArray;
    options.spots = {{4, 60, 80, 9, 60000}, {19, 150, 30, 14, 52000}};
    MakeGroup(kDimension, kUnits, options);
    constexpr synth::CelForm kForms[] = {synth::CelForm::kBinary, synth::CelForm::kText,
                                         synth::CelForm::kBinary, synth::CelForm::kOldText};
    for (int a = 0; a < kArrays; ++a) {
      char name[16];
      std::snprintf(name, sizeof name, "array%02d", a + 1);
      synth::ArrayTruth scan = synth::ScannedArray(mChip, mTruth, a, name, ScanTime(a));
      for (int k = 0; k < 6; ++k) {
        const std::size_t step = 7919u * static_cast<std::size_t>(k + 1 + a * 6);
        scan.cells[step % scan.cells.size()].flag = synth::CellFlag::kOutlier;
        scan.cells[(step * 3 + 17) % scan.cells.size()].masked = true;
      }
      const std::string path =
          (std::filesystem::path(DataFolder()) / (name + std::string(".CEL"))).string();
      ASSERT_TRUE(synth::WriteCel(scan, kForms[a % 4], path)) << path;
    }
  }

  // The three jobs on the threads given (0 all cores) from cell files only, and the
  // expression data file of every sample; the sums of what they wrote and logged.
  Sums RunJobs(int threads) {
    platform::LimitWorkerThreads(threads);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(DataFolder()))
      if (entry.path().extension() == ".qvf") std::filesystem::remove(entry.path(), error);
    std::filesystem::remove_all(WorkFolder(), error);
    std::filesystem::create_directories(WorkFolder());
    mLog.Clear();
    EXPECT_TRUE(Open());
    // As the Open Group command marks a group read from its data files.
    TheGroup().HasProbeData = true;
    EXPECT_TRUE(NormalizeArrays(false));
    EXPECT_TRUE(ComputeModelExpression());
    SampleGrouping.SetDefaultGrouping();
    for (int s = 0; s < SampleGrouping.SampleCount(); ++s) SampleGrouping.SetSelected(s, true);
    EXPECT_TRUE(WriteExpressionData(mFolder.File("work/expression.xls")));

    const std::string root = mFolder.Path().string();
    const Checksum checksum(root);
    Sums sums;
    std::string log;
    for (const CapturedLine& line : mLog.Lines()) {
      std::string text = line.text;
      // The closing lines carry the time taken.
      const std::size_t finished = text.find("Finished in ");
      if (finished != std::string::npos)
        text.erase(finished + 12, text.find_first_of(";}", finished) - finished - 12);
      log += text;
      log += line.replaceLastLine ? "\x01" : "\x02";
      log += std::to_string(line.colour);
      log += '\n';
    }
    sums["log"] = checksum.Of(log);
    for (const std::string& folder : {DataFolder(), WorkFolder()})
      for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".CEL") continue;
        const auto bytes = platform::ReadWholeFile(entry.path().string());
        EXPECT_TRUE(bytes.has_value()) << entry.path();
        if (!bytes) continue;
        sums[entry.path().filename().string()] = checksum.Of(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
      }
    return sums;
  }
};

TEST_F(GroupJobsReferenceChecksumsTest, OneThreadAndAllCoresWriteTheReferenceBytes) {
  WriteGroup();
  const Sums one = RunJobs(1);
  // Every array has its QVF file, beside the summary, the expression file and the log.
  EXPECT_EQ(one.size(), static_cast<std::size_t>(kArrays) + 3u);
  // The normalisation and the model job close with their time.
  EXPECT_EQ(CountLines("Finished in"), 2);
  // The planted faults were seen: the bad array is marked in the summary.
  const Group& group = TheGroup();
  ASSERT_EQ(group.NumArrays(), kArrays);
  EXPECT_GT(group.Array(kBadArray).arrayOutlierFraction, 0.2f);
  EXPECT_GT(group.Array(4).singleOutlierFraction, group.Array(5).singleOutlierFraction);

  EXPECT_EQ(one, ReferenceSums()) << "the sums of this run:\n" << SumTableLines(one);
  const Sums all = RunJobs(0);
  EXPECT_EQ(all, one) << "on all cores:\n" << SumTableLines(all);
  const Sums three = RunJobs(3);
  EXPECT_EQ(three, one) << "on three threads:\n" << SumTableLines(three);
}
