// The group settings file: its fixed layout and defaults, round trips, and how damaged
// or foreign files are read.
#include "engine/group/group_settings.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/testing/captured_log.hpp"
#include "platform/tests/file_size_limit.hpp"
#include "platform/tests/temp_folder.hpp"

namespace {

namespace fs = std::filesystem;

// Every setting at its default, in file order, for a group whose home is @HOME@.
constexpr const char* kDefaultFile = R"(CDF_FILE=
READ_DAT=0
READ_CEL=1
READ_QVF=0
DATA_PATH=@HOME@
WORKING_DIR=@HOME@
ONTOROAM_DIR=@HOME@
USE_UNNORM=0
QEX5_SIGNAL=0
OPTION_PAGE=0
SAMPLE_INFO_FILE=
GENE_NAME_FILE=
GENOME_INFO_FILE=
REF_GENE_FILE=
CYTOBAND_FILE=
MASK_FILE=
DETECT_SINGLE_OUTLIER=1
DETECT_ARRAY_OUTLIER=1
DETECT_PROBE_OUTLIER=1
HANDLE_IMAGE_SPIKE=1
NO_REP_ARRAY_OUTLIER=0
ALTERNATE_TWO_VIEW=0
WHICH_ONLINE_DATABASE=0
DIRECT_GO_ONLINE_DATABASE=0
MODEL_METHOD=0
DIST_MEASURE=0
LINKAGE_METHOD=0
OUTLIER_IN_RANGE=1
USE_CV_FILTER=1
CV_LOWER=0.5
CV_UPPER=1000
USE_CALL_FILTER=1
FILTER_PRESENCE=20
USE_EXPR_FILTER=0
EXPR_FILTER_VALUE=20
EXPR_FILTER_PCT=50
USE_REP_FILTER=0
REP_FILTER_LOW=0
REP_FILTER_HIGH=0.5
FILTER_INPUT_LIST=
FILTER_INPUT_USE=1
FILTER_OUTPUT_LIST=
ANOVA_FACTOR=None
ANOVA_PVALUE=0.05
CLUSTER_GENE=1
CLUSTER_SAMPLE=0
ARRAY_LIST_FILE=
USE_STD_SEP=1
STANDARDIZE_COL=0
EXTERNAL_DATA_FILE=
LOCUS_LINK_NAME=1
SHOW_PROFILE=0
ADD_NEW_COLOR=0
STANDARDIZE_ROW=1
GREEN_RED=0
DISPLAY_RANGE=3
SAMPLE_NAME_VISIBLE=1
SIG_SAMPLE_PVALUE=0.01
SIG_GENE_PVALUE=0.001
STORE_DISTANCE=1
CLUSTER_SHOW_PROBE_SET=0
GENE_LIST_FILE=
ALLOW_MISSING=0
HAS_STD=0
HAS_BOTH=0
HAS_GENE_NAME=0
GCT_FORMAT=0
NAME_LAST=0
EXPRESSION_INCLUDE_HEADER=0
SHOW_PROBE_TOGETHER=0
ALLOW_TXT_HAS_UNKNOWN=0
OUTPUT_ACC=1
OMIT_VOSK=1
QVF_IN_WORKING=0
MEDIAN_SMOOTH_WINDOW=10
PATHWAY_CORR=0.9
SHOW_OUTLIER=1
SHOW_R_ICON=0
GENE_ORDERING=0
LOAD_PROBE_DATA=1
LAST_GROUP_NAME=
TRUNCATE__=0
TRUNCATE_PCT__=0
TRUNCATE_VALUE=0
TRUNCATE_PCT_VALUE=10
LOG_TRANSFORM=0
COMPARE_COMPARISON_FILE=
NORM_METHOD=0
COMPARE_OUTPUT_ALL=0
PERMUTE_SAMPLE=0
PERMUTE_NUMBER=50
PIXEL_WD=8
PIXEL_HT_=4
PIXEL_HT2=4
PIXEL_KB=10
DENDRO_WD=150
DENDRO_HT=80
CUR_ARRAY=0
CUR_UNIT=-1
CEL_PIXEL_SIZE=1
PIC_WD=600
PIC_HT=600
FUNC_BAR_WD=2
LDA_FILE=
CURVE_FILE=
PSI_FILE_NAME=
PSI_MODE=0
MASK_REDUNDANT=0
INSERT_FILE=0
LINK_DIALOG=0
CONSIDER_ERROR=1
CHRO_PVALUE=0.001
LOG_BASE=2
OUTLINE_GENE_STRETCH=1
INFERRED_COPY_FILE=
CHRO_CUR_CHRO=0
CHRO_METHOD=0
CHRO_DATA=0
LINKAGE_INHERITANCE=0
LINKAGE_SIMULATE=0
INHERIT_REDUCTION=1
LINKAGE_PHENOCOPY=0.01
CHRO_USE_MIN_MAX=0
LINKAGE_PENETRANCE=0.99
PROPORTIONAL_DIST=0
VIEW_ALL_CHROMOSOME=0
CHRO_REGION_FILE=
CHRO_MERGE_GROUP_NAME=0
VOSK_ANNOT_FILE=
GENE_ONTOLOGY_FILE=
FILTER_VAR_METHOD=0
SHOW_FIRST_LETTER=1
READ_SNP_ARRAY_DATA=0
ALLELE_FREQ_TYPE=3
PEDIGREE_FILE=
ONTOROAM_INFO_FILE=
VELLUMFOLD_DIR=
LINKAGE_DISEASE_FREQ=0.001
AVERAGE_HET_RATE=0.27
SNP_ERROR_RATE=0.01
PIXEL_HT_PROP=2
NORMAL_GENOTYPE_FILE=
ZERO_NEG_DIFF=1
HMM_LENGTH=10000
SEPARATE_AB_SIGNAL=0
VIEW_NORM_PLOT=1
MERLIN_DIR=
CALL_MERLIN=0
INFER_CALL_THRESHOLD=0.5
CHRO_TRIMMED_PCT=0
ONE_CROSSOVER=1
SKIP_NONINFORMATIVE=1
INFER_STEP=1
PM_ONLY_ARRAY=0
INFER_COPY_METHOD=1
USE_PAIRED_NORMAL=0
PATHWAY_FILE=
HAPLOTYPE_THRESHOLD=10
PARENT_SPECIFIC_COPY=0
INFER_NONINFORMATIVE=1
)";

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadText(path));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  WriteText(path, text);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// A number for setting k (1-based) inside its range and other than its default, that six
// significant digits write exactly: an int stepped through the range, a bounded real one
// of the range's eighths, an unbounded one k and a fraction.
double DistinctNumber(const GroupSettingField& field, int k) {
  const SettingRange r = field.range;
  if (field.type == SettingType::kInt) {
    double value = r.low + std::fmod(k * 7.0, std::min(r.high - r.low, 1000.0) + 1.0);
    if (value == field.defaultNumber) value = value + 1 <= r.high ? value + 1 : r.low;
    return value;
  }
  if (r.high - r.low > 1e9) return field.type == SettingType::kDouble ? k + 0.125 : k * 0.5;
  const auto eighth = [&r](int j) { return r.low + (r.high - r.low) * j / 8.0; };
  const int j = k % 7 + 1;
  return eighth(j) != field.defaultNumber ? eighth(j) : eighth(j % 7 + 1);
}

// The stream's default output, six significant digits, as the file holds numbers.
std::string NumberText(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// Every digit a double needs, so that one past a range's end stays past it.
std::string ExactText(double value) {
  std::ostringstream text;
  text << std::setprecision(17) << value;
  return text.str();
}

// The value setting k (1-based) gets in the distinct-values round trip, as written.
std::string DistinctText(const GroupSettingField& field, int k) {
  if (field.type == SettingType::kText) return "/data/setting " + std::to_string(k) + " a=b";
  return NumberText(DistinctNumber(field, k));
}

void SetDistinctValues(GroupSettings& settings) {
  int k = 0;
  for (const GroupSettingField& field : GroupSettingFields()) {
    ++k;
    const double number = DistinctNumber(field, k);
    switch (field.type) {
      case SettingType::kText:
        settings.*field.text = DistinctText(field, k);
        break;
      case SettingType::kInt:
        field.IntIn(settings) = static_cast<int>(number);
        break;
      case SettingType::kDouble:
        settings.*field.real = number;
        break;
      case SettingType::kFloat:
        settings.*field.single = static_cast<float>(number);
        break;
    }
  }
}

// A numeric setting's value, whatever its type.
double NumberIn(const GroupSettingField& field, const GroupSettings& settings) {
  switch (field.type) {
    case SettingType::kInt:
      return field.IntIn(settings);
    case SettingType::kDouble:
      return settings.*field.real;
    case SettingType::kFloat:
      return settings.*field.single;
    case SettingType::kText:
      break;
  }
  return 0.0;
}

class GroupSettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    mSavedArrayType = ArrayType;
    mSavedPmOnly = PmOnly;
    ArrayType = 0;
    PmOnly = 0;
  }
  void TearDown() override {
    ArrayType = mSavedArrayType;
    PmOnly = mSavedPmOnly;
  }

  std::string Home() const { return mHome.Path().string(); }
  std::string IniFile(const std::string& name) const { return mHome.File(name + ".ini"); }

  // A group named name whose settings are all at their defaults.
  std::unique_ptr<Group> NewGroup(const std::string& name = kDefaultGroupName) {
    auto group = std::make_unique<Group>(Home());
    group->ReadGroupSettings("");
    group->SetName(name);
    return group;
  }

  platform::testing::TempFolder mHome;
  int mSavedArrayType = 0;
  int mSavedPmOnly = 0;
};

TEST_F(GroupSettingsFile, NewGroupWritesEveryDefaultInFileOrder) {
  auto group = NewGroup("Tumours");
  ASSERT_TRUE(group->WriteGroupSettings());
  const std::string written = ReadText(IniFile("Tumours"));
  EXPECT_EQ(written, ReplaceAll(kDefaultFile, "@HOME@", Home()));
  EXPECT_EQ(ReadLines(IniFile("Tumours")).size(), static_cast<std::size_t>(kGroupSettingCount));
}

TEST_F(GroupSettingsFile, EverySettingSurvivesWriteAndRead) {
  auto writer = NewGroup("Tumours");
  SetDistinctValues(writer->Settings());
  const GroupSettings written = writer->Settings();
  const int writtenArrayType = ArrayType;
  const int writtenPmOnly = PmOnly;
  ASSERT_TRUE(writer->WriteGroupSettings());

  // Each line holds its own setting's value, so no two keys share one field.
  const std::vector<std::string> lines = ReadLines(IniFile("Tumours"));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kGroupSettingCount));
  int k = 0;
  for (const GroupSettingField& field : GroupSettingFields()) {
    ++k;
    EXPECT_EQ(lines[static_cast<std::size_t>(k - 1)], field.key + DistinctText(field, k));
  }

  ArrayType = 0;
  PmOnly = 0;
  Group reader(Home());
  EXPECT_TRUE(reader.ReadGroupSettings("Tumours"));
  EXPECT_EQ(reader.Name(), "Tumours");
  EXPECT_TRUE(reader.Settings() == written);
  EXPECT_EQ(ArrayType, writtenArrayType);
  EXPECT_EQ(PmOnly, writtenPmOnly);

  // What was read writes the same file again.
  reader.SetName("Copy");
  ASSERT_TRUE(reader.WriteGroupSettings());
  EXPECT_EQ(ReadText(IniFile("Copy")), ReadText(IniFile("Tumours")));
}

TEST_F(GroupSettingsFile, CrLfFileReadsLikeLf) {
  auto writer = NewGroup("Tumours");
  SetDistinctValues(writer->Settings());
  ASSERT_TRUE(writer->WriteGroupSettings());
  WriteText(IniFile("Tumours"), ReplaceAll(ReadText(IniFile("Tumours")), "\n", "\r\n"));

  Group reader(Home());
  ASSERT_TRUE(reader.ReadGroupSettings("Tumours"));
  EXPECT_TRUE(reader.Settings() == writer->Settings());
  EXPECT_EQ(reader.Settings().CDF_FILE, "/data/setting 1 a=b");
}

TEST_F(GroupSettingsFile, MissingFileLeavesDefaultsKeptValuesAndName) {
  Group group(Home());
  group.Settings().CV_UPPER = 5.0;
  group.Settings().CDF_FILE = "/chips/kept.cdf";
  group.Settings().PEDIGREE_FILE = "/kept/family.ped";
  ArrayType = 2;
  PmOnly = 1;
  GroupRunOptions& options = group.RunOptions();
  options.appendExpressionExport = options.celExportProbeSetColumns =
      options.celExportSubtractBackground = options.probeExportPositionColumns = true;
  options.percentileFold = 3.0f;

  EXPECT_FALSE(group.ReadGroupSettings("Nowhere"));
  EXPECT_EQ(group.Name(), kDefaultGroupName);
  EXPECT_EQ(group.Settings().CV_UPPER, 1000.0);
  EXPECT_EQ(group.Settings().WORKING_DIR, Home());
  EXPECT_EQ(group.Settings().ANOVA_FACTOR, "None");
  EXPECT_EQ(group.Settings().CDF_FILE, "/chips/kept.cdf");
  EXPECT_EQ(group.Settings().PEDIGREE_FILE, "/kept/family.ped");
  EXPECT_EQ(group.Settings().DATA_PATH, Home());
  EXPECT_EQ(ArrayType, 2);  // kept
  EXPECT_EQ(PmOnly, 0);     // has a default
  EXPECT_FALSE(options.celExportProbeSetColumns);
  EXPECT_FALSE(options.celExportSubtractBackground);
  EXPECT_FALSE(options.probeExportPositionColumns);
  EXPECT_TRUE(options.appendExpressionExport);
  EXPECT_EQ(options.percentileFold, 3.0f);  // held while the program runs
  EXPECT_FALSE(fs::exists(IniFile("Nowhere")));
}

TEST_F(GroupSettingsFile, ShortFileGivesDefaultsForTheRest) {
  auto writer = NewGroup("Short");
  SetDistinctValues(writer->Settings());
  ASSERT_TRUE(writer->WriteGroupSettings());
  std::vector<std::string> lines = ReadLines(IniFile("Short"));
  lines.resize(40);
  WriteLines(IniFile("Short"), lines);

  Group reader(Home());
  reader.Settings().EXTERNAL_DATA_FILE = "/kept/external.txt";
  ArrayType = 3;
  ASSERT_TRUE(reader.ReadGroupSettings("Short"));
  const GroupSettings& settings = reader.Settings();
  EXPECT_EQ(settings.CDF_FILE, "/data/setting 1 a=b");
  EXPECT_EQ(settings.MASK_FILE, "/data/setting 16 a=b");
  EXPECT_EQ(settings.REP_FILTER_HIGH, 39.125);
  EXPECT_EQ(settings.FILTER_INPUT_LIST, "/data/setting 40 a=b");
  EXPECT_EQ(settings.FILTER_INPUT_USE, 1);
  EXPECT_EQ(settings.ANOVA_FACTOR, "None");
  EXPECT_EQ(settings.LAST_GROUP_NAME, "");
  EXPECT_EQ(settings.LINKAGE_PHENOCOPY, 0.01f);
  EXPECT_EQ(settings.INFER_NONINFORMATIVE, 1);
  EXPECT_EQ(settings.EXTERNAL_DATA_FILE, "/kept/external.txt");
  EXPECT_EQ(ArrayType, 3);
}

TEST_F(GroupSettingsFile, LinesAreMatchedOnlyAtTheirOwnPosition) {
  auto writer = NewGroup("Damaged");
  writer->Settings().CV_LOWER = 0.25;
  writer->Settings().DISPLAY_RANGE = 4.0;
  writer->Settings().SAMPLE_NAME_VISIBLE = 0;
  writer->Settings().SIG_SAMPLE_PVALUE = 0.02;
  writer->Settings().CDF_FILE = "/chips/a.cdf";
  ASSERT_TRUE(writer->WriteGroupSettings());
  std::vector<std::string> lines = ReadLines(IniFile("Damaged"));
  lines[0] = "CDF_FILE /chips/b.cdf";  // the key without its '='
  lines[29] = "garbage";
  lines[30] = "CV_UPPER=not a number";
  std::swap(lines[55], lines[56]);  // DISPLAY_RANGE and SAMPLE_NAME_VISIBLE
  lines[59] = "  STORE_DISTANCE = 0 ";
  WriteLines(IniFile("Damaged"), lines);

  Group reader(Home());
  reader.Settings().CDF_FILE = "/chips/kept.cdf";
  ASSERT_TRUE(reader.ReadGroupSettings("Damaged"));
  const GroupSettings& settings = reader.Settings();
  EXPECT_EQ(settings.CDF_FILE, "/chips/kept.cdf");
  EXPECT_EQ(settings.CV_LOWER, 0.5);
  EXPECT_EQ(settings.CV_UPPER, 0.0);
  EXPECT_EQ(settings.DISPLAY_RANGE, 3.0);
  EXPECT_EQ(settings.SAMPLE_NAME_VISIBLE, 1);
  EXPECT_EQ(settings.SIG_SAMPLE_PVALUE, 0.02);
  EXPECT_EQ(settings.STORE_DISTANCE, 0);
}

TEST_F(GroupSettingsFile, NumbersAreConvertedAsTheFileGivesThem) {
  auto writer = NewGroup("Numbers");
  ASSERT_TRUE(writer->WriteGroupSettings());
  const std::vector<std::string> defaults = ReadLines(IniFile("Numbers"));
  auto readWith = [&](std::size_t index, const std::string& line) {
    std::vector<std::string> lines = defaults;
    lines[index] = line;
    WriteLines(IniFile("Numbers"), lines);
    Group reader(Home());
    EXPECT_TRUE(reader.ReadGroupSettings("Numbers"));
    return reader.Settings();
  };
  constexpr std::size_t kModelMethod = 24;
  EXPECT_EQ(readWith(kModelMethod, "MODEL_METHOD=2.9").MODEL_METHOD, 2);
  EXPECT_EQ(readWith(kModelMethod, "MODEL_METHOD=-0.5").MODEL_METHOD, 0);
  EXPECT_EQ(readWith(98, "CUR_UNIT=-1.7").CUR_UNIT, -1);
  EXPECT_EQ(readWith(143, "HMM_LENGTH=512.9").HMM_LENGTH, 512);
  EXPECT_EQ(readWith(29, "CV_LOWER= 0.75xyz").CV_LOWER, 0.75);
  EXPECT_EQ(readWith(121, "LINKAGE_PHENOCOPY=0.125").LINKAGE_PHENOCOPY, 0.125f);
}

// Every numeric setting of the start-up file (the default group's, as every group's)
// refuses what is no number or lies outside its range, keeping its default with a red
// line that names the key, and takes a number inside its range.
TEST_F(GroupSettingsFile, NumbersOutsideTheirRangeKeepTheDefault) {
  auto writer = NewGroup(kDefaultGroupName);
  ASSERT_TRUE(writer->WriteGroupSettings());
  const GroupSettings defaults = writer->Settings();
  const std::vector<std::string> defaultLines = ReadLines(IniFile(kDefaultGroupName));
  const std::string path = IniFile(kDefaultGroupName);
  // The file with line k replaced, read by a group of its own.
  const auto readWith = [&](int k, const std::string& line, CapturedLog& log) {
    std::vector<std::string> lines = defaultLines;
    lines[static_cast<std::size_t>(k - 1)] = line;
    WriteLines(path, lines);
    ArrayType = 0;
    PmOnly = 0;
    log.Clear();
    Group reader(Home());
    EXPECT_TRUE(reader.ReadGroupSettings(kDefaultGroupName));
    return reader.Settings();
  };
  int k = 0;
  int numeric = 0;
  for (const GroupSettingField& field : GroupSettingFields()) {
    ++k;
    if (field.type == SettingType::kText) continue;
    ++numeric;
    const std::string key(field.key);
    const SettingRange range = field.range;
    std::vector<std::string> refused = {"nan", "-nan", "inf", "-inf", "1e999", "-1e999"};
    // One past each end, where the setting's type can hold the number.
    if (range.high < 1e300) refused.push_back(ExactText(range.high + 1));
    if (range.low > -1e300) refused.push_back(ExactText(range.low - 1));
    for (const std::string& value : refused) {
      CapturedLog log;
      const GroupSettings read = readWith(k, key + value, log);
      EXPECT_EQ(NumberIn(field, read), NumberIn(field, defaults)) << key << value;
      EXPECT_TRUE(log.ContainsRed("  Line " + std::to_string(k) + " of " + path + ": " + key +
                                  value + " is "))
          << key << value;
      EXPECT_EQ(log.CountInColour(kLogRed), 1) << key << value;
    }
    CapturedLog log;
    const double good = DistinctNumber(field, k);
    EXPECT_EQ(NumberIn(field, readWith(k, key + NumberText(good), log)), good) << key;
    EXPECT_EQ(log.CountInColour(kLogRed), 0) << key;
  }
  EXPECT_EQ(numeric, 129);

  // The two of the report, word for word.
  CapturedLog log;
  EXPECT_EQ(readWith(101, "PIC_WD=1e999", log).PIC_WD, 600);
  EXPECT_TRUE(log.ContainsRed("  Line 101 of " + path +
                              ": PIC_WD=1e999 is no finite number; the setting keeps its default"));
  EXPECT_EQ(readWith(112, "CHRO_PVALUE=1.5", log).CHRO_PVALUE, 0.001);
  EXPECT_TRUE(
      log.ContainsRed("  Line 112 of " + path +
                      ": CHRO_PVALUE=1.5 is outside 0 to 1; the setting keeps its default"));
}

TEST_F(GroupSettingsFile, TextValueIsEverythingAfterTheFirstEquals) {
  auto writer = NewGroup("Paths");
  ASSERT_TRUE(writer->WriteGroupSettings());
  std::vector<std::string> lines = ReadLines(IniFile("Paths"));
  lines[4] = "DATA_PATH=E:\\data=new";
  lines[42] = "ANOVA_FACTOR=";
  WriteLines(IniFile("Paths"), lines);

  Group reader(Home());
  ASSERT_TRUE(reader.ReadGroupSettings("Paths"));
  EXPECT_EQ(reader.Settings().DATA_PATH, "E:\\data=new");
  EXPECT_EQ(reader.Settings().ANOVA_FACTOR, "");
}

TEST_F(GroupSettingsFile, PathOfTheFullLengthIsKeptWhole) {
  auto writer = NewGroup("Long");
  const std::string longPath = "/" + std::string(kMaxSettingTextLength - 1, 'p');
  writer->Settings().CDF_FILE = longPath;
  writer->Settings().LAST_GROUP_NAME = std::string(kMaxSettingTextLength, 'n');
  ASSERT_TRUE(writer->WriteGroupSettings());

  CapturedLog log;
  Group reader(Home());
  ASSERT_TRUE(reader.ReadGroupSettings("Long"));
  EXPECT_EQ(reader.Settings().CDF_FILE, longPath);
  EXPECT_EQ(reader.Settings().LAST_GROUP_NAME, std::string(kMaxSettingTextLength, 'n'));
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
}

TEST_F(GroupSettingsFile, OverlongLineIsReportedNotCut) {
  auto writer = NewGroup("Long");
  writer->Settings().WORKING_DIR = "/work/out";
  ASSERT_TRUE(writer->WriteGroupSettings());
  std::vector<std::string> lines = ReadLines(IniFile("Long"));
  lines[0] = "CDF_FILE=/" + std::string(kMaxSettingTextLength, 'c');  // one too many
  lines[4] = "DATA_PATH=" + std::string(5000, 'd');
  WriteLines(IniFile("Long"), lines);

  CapturedLog log;
  Group reader(Home());
  reader.Settings().CDF_FILE = "/chips/kept.cdf";
  reader.Settings().DATA_PATH = "/scans";
  ASSERT_TRUE(reader.ReadGroupSettings("Long"));
  EXPECT_EQ(reader.Settings().CDF_FILE, "/chips/kept.cdf");
  EXPECT_EQ(reader.Settings().DATA_PATH, "/scans");
  EXPECT_EQ(reader.Settings().WORKING_DIR, "/work/out");
  const std::string path = IniFile("Long");
  EXPECT_TRUE(log.ContainsRed("  Line 1 of " + path +
                              ": CDF_FILE is longer than 1000 characters, not read"));
  EXPECT_TRUE(log.ContainsRed("  Line 5 of " + path +
                              ": DATA_PATH is longer than 1000 characters, not read"));
}

TEST_F(GroupSettingsFile, LineBreakInsideATextDoesNotShiftLaterLines) {
  auto writer = NewGroup("Broken");
  writer->Settings().CDF_FILE = "/chips/a.cdf\nREAD_DAT=1";
  writer->Settings().READ_DAT = 0;
  CapturedLog log;
  ASSERT_TRUE(writer->WriteGroupSettings());
  EXPECT_TRUE(log.ContainsRed("  CDF_FILE holds a line break; written only up to it"));
  const std::vector<std::string> lines = ReadLines(IniFile("Broken"));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kGroupSettingCount));
  EXPECT_EQ(lines[0], "CDF_FILE=/chips/a.cdf");
  EXPECT_EQ(lines[1], "READ_DAT=0");
}

TEST_F(GroupSettingsFile, UnwritableFileIsReportedInRed) {
  Group group(mHome.File("no such folder"));
  group.ReadGroupSettings("");
  group.SetName("Tumours");
  CapturedLog log;
  EXPECT_FALSE(group.WriteGroupSettings());
  EXPECT_TRUE(log.ContainsRed("{Writing configuration (INI) file " + mHome.File("no such folder") +
                              "/Tumours.ini failed}"));
}

TEST_F(GroupSettingsFile, ReadOnlyFileIsMadeWritableAndRewritten) {
  auto group = NewGroup("Locked");
  ASSERT_TRUE(group->WriteGroupSettings());
  fs::permissions(IniFile("Locked"), fs::perms::owner_read | fs::perms::group_read);
  group->Settings().CV_UPPER = 77.0;
  ASSERT_TRUE(group->WriteGroupSettings());
  EXPECT_NE(fs::status(IniFile("Locked")).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(ReadLines(IniFile("Locked"))[30], "CV_UPPER=77");
}

// A write cut short, as on a full disk, keeps the last settings file whole and leaves
// nothing beside it.
TEST_F(GroupSettingsFile, WriteCutShortKeepsTheOldFile) {
  auto group = NewGroup("Full");
  group->Settings().SAMPLE_INFO_FILE = std::string(3000, 's');
  ASSERT_TRUE(group->WriteGroupSettings());
  const std::string before = ReadText(IniFile("Full"));
  ASSERT_GT(before.size(), 4096u);
  group->Settings().SAMPLE_INFO_FILE = std::string(3000, 't');
  CapturedLog log;
  {
    const platform::testing::FileSizeLimit limit(4096);
    EXPECT_FALSE(group->WriteGroupSettings());
  }
  EXPECT_EQ(ReadText(IniFile("Full")), before);
  EXPECT_TRUE(log.ContainsRed("{Writing configuration (INI) file " + IniFile("Full") + " failed}"));
  EXPECT_EQ(std::distance(fs::directory_iterator(Home()), fs::directory_iterator()), 1);
}

TEST_F(GroupSettingsFile, GroupNameFindsItsFileWithoutRegardToCase) {
  auto writer = NewGroup("Tumours");
  writer->Settings().CV_UPPER = 7.0;
  ASSERT_TRUE(writer->WriteGroupSettings());

  Group reader(Home());
  ASSERT_TRUE(reader.ReadGroupSettings("TUMOURS"));
  EXPECT_EQ(reader.Name(), "TUMOURS");
  EXPECT_EQ(reader.Settings().CV_UPPER, 7.0);
  reader.Settings().CV_UPPER = 8.0;
  ASSERT_TRUE(reader.WriteGroupSettings());
  EXPECT_EQ(ReadLines(IniFile("Tumours"))[30], "CV_UPPER=8");
  EXPECT_FALSE(fs::exists(IniFile("TUMOURS")));
}

}  // namespace
