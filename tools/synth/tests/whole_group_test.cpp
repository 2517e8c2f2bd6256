// A whole group as the program's readers meet it: the command writes what the library
// makes, the chip description loads, every array's header gives the time tag of the
// truth (the repeated one and the undated one included) and its cells the planted
// brightness and bad-array factors, and the sample information, array list, gene
// information and data file list parse to the truth they were made from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/array/dat_reader.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/load_cdf.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/jobs/data_file_search.hpp"
#include "engine/jobs/model_expression.hpp"
#include "engine/jobs/normalize_arrays.hpp"
#include "engine/jobs/open_group.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/info/gene_info_install.hpp"
#include "platform/path.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/opening_settings.hpp"
#include "tools/synth/tests/written_files.hpp"
#include "tools/synth/whole_group.hpp"

namespace {

using synth::testing::FileText;
using synth::testing::TextLines;

// Eight arrays of every form in turn; the third is bad, the fourth (a scanner image)
// repeats the third's scan time, the sixth has none.
synth::WholeGroupOptions EightArrays() {
  synth::WholeGroupOptions options;
  options.chip.dimension = 80;
  options.chip.unitCount = 150;
  options.chip.seed = 5;
  options.chip.chipType = "WholeGrp";
  options.group.arrays = 8;
  options.group.seed = 9;
  options.group.badArray = 2;
  options.name = "whole";
  options.forms = {synth::ArrayFileForm::kText, synth::ArrayFileForm::kOldText,
                   synth::ArrayFileForm::kBinary, synth::ArrayFileForm::kImage};
  options.distinctScanTimes = true;
  options.duplicateTag = 3;
  options.undated = {5, 6};
  options.sideFiles = true;
  return options;
}

const std::string kEightArrayArguments =
    "group --dim 80 --units 150 --chip-seed 5 --chip-type WholeGrp --arrays 8 --seed 9 "
    "--bad-array 3 --name whole --form mixed-dat --duplicate-tag 4 --undated 6,7 --whole";

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2),
                   values.end());
  return values[values.size() / 2];
}

class WholeGroupFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    auto made = synth::MakeWholeGroup(EightArrays(), &error);
    ASSERT_TRUE(made.has_value()) << error;
    mTruth = std::move(*made);
    ASSERT_TRUE(synth::WriteWholeGroup(mTruth, mFolder.Path().string(), mWritten, &error)) << error;
    Layout = CDF_LAYOUT{};
    ArrayType = 0;
    CdfLoadSettings settings;
    ASSERT_TRUE(LoadCdf(File(mTruth.chipFile), true, "", settings));
    StartGroup(mFolder.Path().string());
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::current_path(mStartFolder, ignored);
    SampleInfo.Clear();
    ClearGeneInformation();
    DiscardGroup();
    Layout = CDF_LAYOUT{};
  }

  std::string File(const std::string& name) const { return mFolder.File(name); }

  // The group as an open leaves it: the arrays whose time tag is new, by name.
  void AddOpenedArrays() {
    for (int a : mTruth.OpenedArrays()) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot = ArraySlot{};
      slot.name = mTruth.arrays[static_cast<std::size_t>(a)].name;
      slot.dataFile = File(mTruth.arrays[static_cast<std::size_t>(a)].dataFile);
      ASSERT_TRUE(TheGroup().CountArray());
    }
  }

  std::filesystem::path mStartFolder = std::filesystem::current_path();
  platform::testing::TempFolder mFolder;
  CapturedLog mLog;
  RaisedAnalysisRunning mRunning;
  synth::WholeGroupTruth mTruth;
  std::vector<std::string> mWritten;
};

}  // namespace

TEST(SynthWholeGroup, TheCommandWritesWhatTheLibraryMakes) {
  platform::testing::TempFolder program;
  platform::testing::TempFolder library;
  const auto run =
      synth::testing::RunSynth(kEightArrayArguments + " --out " + program.Path().string(), program);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto truth = synth::MakeWholeGroup(EightArrays());
  ASSERT_TRUE(truth.has_value());
  std::vector<std::string> written;
  ASSERT_TRUE(synth::WriteWholeGroup(*truth, library.Path().string(), written));
  // Per array its data file and calls, the curves, six side files.
  ASSERT_EQ(written.size(), 8u * 2 + 1 + 6);
  const std::vector<std::string> printed = TextLines(run.out);
  ASSERT_EQ(printed.size(), written.size());
  for (std::size_t i = 0; i < written.size(); ++i) {
    const std::string name = platform::FileName(written[i]);
    SCOPED_TRACE(name);
    EXPECT_EQ(platform::FileName(printed[i]), name);
    if (name == truth->dataFileList) {
      EXPECT_EQ(FileText(printed[i]), truth->DataFileListText(program.Path().string()));
    } else {
      EXPECT_EQ(FileText(printed[i]), FileText(written[i]));
    }
  }
  const std::vector<std::string> curves = TextLines(FileText(program.File("whole.curves.txt")));
  EXPECT_EQ(curves.back(), "bad array\twhole03");

  // Arguments the group cannot take are refused before anything is written.
  for (const std::string& arguments :
       {std::string("group --arrays 3 --bad-array 4"), std::string("group --duplicate-tag 1"),
        std::string("group --arrays 3 --duplicate-tag 4"), std::string("group --undated 2,x"),
        std::string("group --form old-text")}) {
    platform::testing::TempFolder out;
    const auto refused = synth::testing::RunSynth(arguments + " --out " + out.Path().string(), out);
    EXPECT_EQ(refused.exitCode, 2) << arguments;
    EXPECT_FALSE(refused.err.empty()) << arguments;
    EXPECT_TRUE(std::filesystem::is_empty(out.Path())) << arguments;
  }
}

TEST_F(WholeGroupFiles, HeadersAndCellsAreThoseOfTheTruth) {
  EXPECT_EQ(mTruth.OpenedArrays(), (std::vector<int>{0, 1, 2, 4, 5, 6, 7}));
  EXPECT_EQ(mTruth.arrays[3].sameTagAs, 2);
  EXPECT_EQ(mTruth.arrays[5].timeTag, kNoTimeTag);
  EXPECT_EQ(mTruth.arrays[6].sameTagAs, -1);
  const synth::ArrayGroupTruth& group = mTruth.group;
  for (std::size_t a = 0; a < mTruth.arrays.size(); ++a) {
    const synth::GroupArrayFile& file = mTruth.arrays[a];
    SCOPED_TRACE(file.dataFile);
    DAT header;
    std::string timeTag;
    ASSERT_TRUE(header.ReadDataFileHeader(File(file.dataFile).c_str(), timeTag));
    EXPECT_EQ(timeTag, file.timeTag);
    if (file.form == synth::ArrayFileForm::kImage) continue;

    CHIP_DATA chip;
    const bool read = file.form == synth::ArrayFileForm::kBinary
                          ? chip.ReadBinaryCel(File(file.dataFile).c_str())
                          : chip.ReadTextCel(File(file.dataFile).c_str());
    ASSERT_TRUE(read);
    ASSERT_EQ(chip.plane1, group.arrays[a].intensities);
    // Taken back through the array's curve, unchanged cells are the truth within the
    // noise; the bad array's bright cells carry their pair's factor as well.
    std::vector<double> misfits;
    for (std::size_t u = 0; u < mTruth.chip.units.size(); ++u)
      for (const synth::ProbePair& pair : mTruth.chip.units[u].blocks[0].pairs) {
        const std::size_t cell = group.CellIndex(pair.pm.x, pair.pm.y);
        const double truth = group.trueIntensity[cell];
        if (chip.plane1[cell] == 65535) continue;
        const double seen = group.arrays[a].curve.Invert(chip.plane1[cell]);
        if (static_cast<int>(a) != group.badArray) {
          if (group.Changed(static_cast<int>(a), static_cast<int>(u))) continue;
          misfits.push_back(std::abs(std::log(seen / truth)));
        } else if (truth > 3000.0 && !group.Changed(static_cast<int>(a), static_cast<int>(u))) {
          misfits.push_back(std::abs(std::log(seen / truth) - std::log(group.badFactors[cell])));
        }
      }
    ASSERT_GT(misfits.size(), 20u);
    EXPECT_LT(Median(misfits), static_cast<int>(a) == group.badArray ? 0.2 : 0.06);
  }
}

TEST_F(WholeGroupFiles, SideFilesParseWithTheProgramsReaders) {
  AddOpenedArrays();
  const std::vector<int> opened = mTruth.OpenedArrays();

  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(File(mTruth.sampleInfoFile)));
  ASSERT_EQ(SampleInfo.ColumnCount(), static_cast<int>(mTruth.sampleInfo.columns.size()));
  for (int c = 0; c < SampleInfo.ColumnCount(); ++c) {
    const std::string& title = mTruth.sampleInfo.columns[static_cast<std::size_t>(c)];
    EXPECT_EQ(SampleInfo.Column(c).name, title);
    const bool numeric = SampleInfo.Column(c).numeric;
    EXPECT_EQ(numeric, title.find("(numeric)") != std::string::npos);
    for (std::size_t i = 0; i < opened.size(); ++i) {
      const int array = static_cast<int>(i);
      const std::string& value =
          mTruth.sampleInfo
              .values[static_cast<std::size_t>(opened[i])][static_cast<std::size_t>(c)];
      if (numeric) {
        EXPECT_EQ(SampleInfo.NumericValue(array, c), std::stod(value));
      } else if (value.empty()) {
        EXPECT_EQ(SampleInfo.CategoryOf(array, c), -1);
      } else {
        const int category = SampleInfo.CategoryOf(array, c);
        ASSERT_GE(category, 0);
        EXPECT_EQ(SampleInfo.Column(c).categories[static_cast<std::size_t>(category)].name, value);
      }
    }
  }

  // The list's samples and groups, less the array the open set aside.
  SampleGrouping.ReadArrayListFile(File(mTruth.arrayListFile));
  std::vector<std::vector<int>> samples;
  std::vector<int> groupSizes;
  std::size_t sample = 0;
  for (int size : mTruth.arrayList.groupSizes) {
    int kept = 0;
    for (int s = 0; s < size; ++s, ++sample) {
      std::vector<int> arrays;
      for (int a : mTruth.arrayList.samples[sample]) {
        const auto found = std::find(opened.begin(), opened.end(), a);
        if (found != opened.end()) arrays.push_back(static_cast<int>(found - opened.begin()));
      }
      if (arrays.empty()) continue;
      samples.push_back(arrays);
      ++kept;
    }
    groupSizes.push_back(kept);
  }
  ASSERT_EQ(SampleGrouping.SampleCount(), static_cast<int>(samples.size()));
  ASSERT_EQ(SampleGrouping.GroupCount(), static_cast<int>(groupSizes.size()));
  for (std::size_t g = 0; g < groupSizes.size(); ++g)
    EXPECT_EQ(SampleGrouping.GroupSize(static_cast<int>(g)), groupSizes[g]);
  for (std::size_t s = 0; s < samples.size(); ++s) {
    const int first = SampleGrouping.SampleFirst(static_cast<int>(s));
    ASSERT_EQ(SampleGrouping.ReplicateCount(static_cast<int>(s)),
              static_cast<int>(samples[s].size()));
    for (std::size_t k = 0; k < samples[s].size(); ++k)
      EXPECT_EQ(SampleGrouping.OrderedArray(first + static_cast<int>(k)), samples[s][k]);
  }

  ASSERT_TRUE(ReadGeneInfoFile(File(mTruth.geneInfoFile), true));
  for (std::size_t u = 0; u < mTruth.geneInfo.genes.size(); ++u) {
    const synth::GeneRecord& gene = mTruth.geneInfo.genes[u];
    EXPECT_EQ(gene.probeSet, mTruth.chip.units[u].name);
    if (!gene.name.empty()) {
      EXPECT_EQ(FindUnitByGeneName(gene.name), static_cast<int>(u));
    }
  }

  // Every array's data file once, in order, from absolute and relative lines alike.
  std::vector<std::string> listed;
  bool relative = false;
  bool absolute = false;
  for (const std::string& line : TextLines(FileText(File(mTruth.dataFileList)))) {
    relative |= line.front() != '/';
    absolute |= line.front() == '/';
    for (const std::string& path : DataFileListEntries(line, mFolder.Path().string()))
      listed.push_back(path);
  }
  EXPECT_TRUE(relative && absolute);
  ASSERT_EQ(listed.size(), mTruth.arrays.size());
  for (std::size_t a = 0; a < listed.size(); ++a)
    EXPECT_TRUE(std::filesystem::equivalent(listed[a], File(mTruth.arrays[a].dataFile))) << a;
}

TEST_F(WholeGroupFiles, TheGroupOpensFromItsListAndTheFitMarksTheBadArray) {
  GroupSettings& settings = TheGroup().Settings();
  settings.CDF_FILE = File(mTruth.chipFile);
  settings.READ_CEL = 1;
  settings.READ_DAT = 1;
  settings.READ_QVF = 0;
  settings.DATA_PATH = File(mTruth.dataFileList);
  settings.SAMPLE_INFO_FILE = File(mTruth.sampleInfoFile);
  settings.ARRAY_LIST_FILE = File(mTruth.arrayListFile);
  settings.GENE_NAME_FILE = File(mTruth.geneInfoFile);
  settings.WORKING_DIR = mFolder.Path().string();
  settings.LOAD_PROBE_DATA = 1;
  settings.VIEW_NORM_PLOT = 0;
  settings.PSI_MODE = 0;
  settings.LOG_TRANSFORM = 0;
  InstallGeneInfoReader();
  TheGroup().SetName("whole");
  TheGroup().OpenedFromDataFiles = true;
  ASSERT_TRUE(SearchDataFiles());
  TheGroup().HasProbeData = true;

  const std::vector<int> opened = mTruth.OpenedArrays();
  ASSERT_EQ(TheGroup().NumArrays(), static_cast<int>(opened.size()));
  for (std::size_t i = 0; i < opened.size(); ++i)
    EXPECT_EQ(TheGroup().Array(static_cast<int>(i)).name,
              mTruth.arrays[static_cast<std::size_t>(opened[i])].name);
  EXPECT_TRUE(mLog.ContainsRed("Have the same time tag [" + mTruth.arrays[3].timeTag + "]"));
  EXPECT_EQ(SampleInfo.ColumnCount(), 4);
  EXPECT_EQ(SampleGrouping.SampleCount(), 4);
  EXPECT_EQ(GeneInfo.GeneCount(), static_cast<int>(mTruth.chip.units.size()));

  ASSERT_TRUE(NormalizeArrays(false));
  ASSERT_TRUE(ComputeModelExpression());
  // The array summary's mark: an array that is an outlier on over 5% of the probe sets.
  for (int i = 0; i < TheGroup().NumArrays(); ++i) {
    const float fraction = TheGroup().Array(i).arrayOutlierFraction;
    if (opened[static_cast<std::size_t>(i)] == mTruth.group.badArray) {
      EXPECT_GT(fraction, 0.2f);
    } else {
      EXPECT_LT(fraction, 0.05f) << i;
    }
  }
}

TEST(SynthWholeGroup, OpeningSettingsNameTheGroupsFilesAndMakeItTheLastGroup) {
  platform::testing::TempFolder home;
  const std::string data = home.File("data");
  std::filesystem::create_directories(data);
  const auto truth = synth::MakeWholeGroup(EightArrays());
  ASSERT_TRUE(truth.has_value());
  std::vector<std::string> written;
  ASSERT_TRUE(synth::WriteWholeGroup(*truth, data, written));
  std::string error;
  ASSERT_TRUE(synth::WriteOpeningSettings(*truth, data, home.Path().string(), &error)) << error;
  EXPECT_FALSE(GroupStarted());

  StartGroup(home.Path().string());
  EXPECT_EQ(TheGroup().Settings().LAST_GROUP_NAME, "whole");
  ASSERT_TRUE(TheGroup().ReadGroupSettings("whole"));
  const GroupSettings& settings = TheGroup().Settings();
  // Absolute paths, so the group opens whatever folder the program starts in.
  for (const auto& [path, name] : {std::pair{settings.CDF_FILE, truth->chipFile},
                                   std::pair{settings.SAMPLE_INFO_FILE, truth->sampleInfoFile},
                                   std::pair{settings.ARRAY_LIST_FILE, truth->arrayListFile},
                                   std::pair{settings.GENE_NAME_FILE, truth->geneInfoFile}}) {
    EXPECT_TRUE(platform::IsAbsolutePath(path)) << path;
    EXPECT_TRUE(std::filesystem::equivalent(path, home.File("data/" + name))) << path;
  }
  EXPECT_TRUE(std::filesystem::equivalent(settings.DATA_PATH, data));
  EXPECT_TRUE(std::filesystem::equivalent(settings.WORKING_DIR, home.Path()));
  EXPECT_EQ(settings.READ_CEL, 1);
  DiscardGroup();

  // A plain group has no side files to name.
  auto plain = EightArrays();
  plain.sideFiles = false;
  EXPECT_FALSE(synth::WriteOpeningSettings(*synth::MakeWholeGroup(plain), data,
                                           home.Path().string(), &error));
  EXPECT_FALSE(GroupStarted());
}

TEST(SynthWholeGroup, SnpGroupsHaveNoGeneInformationFile) {
  platform::testing::TempFolder folder;
  auto options = EightArrays();
  options.chip.kind = synth::ChipKind::kSnp2;
  options.chip.chipType.clear();
  const auto truth = synth::MakeWholeGroup(options);
  ASSERT_TRUE(truth.has_value());
  EXPECT_TRUE(truth->geneInfoFile.empty());
  EXPECT_FALSE(truth->chipFile.empty());
  std::vector<std::string> written;
  ASSERT_TRUE(synth::WriteWholeGroup(*truth, folder.Path().string(), written));
  EXPECT_EQ(written.size(), 8u * 2 + 1 + 5);
  for (const std::string& path : written)
    EXPECT_EQ(path.find(".genes."), std::string::npos) << path;
}
