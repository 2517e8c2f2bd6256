// The group settings file: 160 "KEY=value" lines in one fixed order, read strictly by
// position, with defaults for whatever is missing or unreadable.
#include "engine/group/group_settings.hpp"

#include <locale.h>
#include <stdlib.h>

#include <array>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>

#include "engine/base/fuzz_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "platform/byte_writer.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"
#include "platform/system_error.hpp"
#include "platform/text_bytes.hpp"

namespace {

using S = GroupSettings;

// The ranges of the numeric settings: what the dialogs and views that change them can
// give, so that every file the program wrote reads back whole.
constexpr SettingRange kSwitch{0, 1};
constexpr SettingRange Choices(int count) {
  return {0, count - 1.0};
}
constexpr int kOptionPages = 4;       // the pages of Tools/Options
constexpr int kChromosomeSlots = 60;  // the chromosomes genome information may hold
constexpr SettingRange kPercent{0, 100};
// P-values, rates, frequencies, correlations and steps.
constexpr SettingRange kFraction{0, 1};
// Filter bounds and display ranges, which the dialogs take as any number.
constexpr SettingRange kAnyDouble{-DBL_MAX, DBL_MAX};
constexpr SettingRange kSmoothWindow{3, 100};
constexpr SettingRange kHmmLength{100, 10000};
constexpr SettingRange kTrimmedPercent{-80, 80};
constexpr SettingRange kCallThreshold{-1, 1};
constexpr SettingRange kLogBase{0, 100};
constexpr SettingRange kFirstLetters{0, 10};
constexpr SettingRange kPermutations{10, 10000};
// Picture geometry in pixels: cluster cells and bars, dendrograms, the array image's
// pixel per cell, and the pictures of the data, genome and sample views (the toolkit
// draws nothing wider than 32767 pixels).
constexpr SettingRange kCellSide{0, 200};
constexpr SettingRange kDendrogramSide{0, 4000};
constexpr SettingRange kCelPixelSize{0, 1000};
constexpr SettingRange kPictureSide{0, 32767};
// Pixels per kilobase of the chromosome view.
constexpr SettingRange kPixelKb{0, 1e6};
// The current array and probe set; -1 is none.
constexpr SettingRange kArraySlot{-1, MAX_ARRAY_NUM - 1};
constexpr SettingRange kUnitIndex{-1, INT_MAX};

constexpr GroupSettingField TextSetting(const char* key, std::string S::*member,
                                        const char* defaultText) {
  return {.key = key,
          .type = SettingType::kText,
          .defaultKind = SettingDefault::kValue,
          .defaultText = defaultText,
          .range = {},
          .text = member};
}
constexpr GroupSettingField KeptTextSetting(const char* key, std::string S::*member) {
  return {.key = key,
          .type = SettingType::kText,
          .defaultKind = SettingDefault::kKept,
          .range = {},
          .text = member};
}
constexpr GroupSettingField HomeFolderSetting(const char* key, std::string S::*member) {
  return {.key = key,
          .type = SettingType::kText,
          .defaultKind = SettingDefault::kHomeFolder,
          .range = {},
          .text = member};
}
constexpr GroupSettingField IntSetting(const char* key, int S::*member, int value,
                                       SettingRange range) {
  return {.key = key,
          .type = SettingType::kInt,
          .defaultKind = SettingDefault::kValue,
          .defaultNumber = static_cast<double>(value),
          .range = range,
          .integer = member};
}
constexpr GroupSettingField KeptIntSetting(const char* key, int S::*member, SettingRange range) {
  return {.key = key,
          .type = SettingType::kInt,
          .defaultKind = SettingDefault::kKept,
          .range = range,
          .integer = member};
}
// An int setting that is a process-wide variable of another module.
constexpr GroupSettingField IntVariableSetting(const char* key, int* variable,
                                               SettingDefault defaultKind, int value,
                                               SettingRange range) {
  return {.key = key,
          .type = SettingType::kInt,
          .defaultKind = defaultKind,
          .defaultNumber = static_cast<double>(value),
          .range = range,
          .variable = variable};
}
constexpr GroupSettingField DoubleSetting(const char* key, double S::*member, double value,
                                          SettingRange range) {
  return {.key = key,
          .type = SettingType::kDouble,
          .defaultKind = SettingDefault::kValue,
          .defaultNumber = value,
          .range = range,
          .real = member};
}
constexpr GroupSettingField FloatSetting(const char* key, float S::*member, double value,
                                         SettingRange range) {
  return {.key = key,
          .type = SettingType::kFloat,
          .defaultKind = SettingDefault::kValue,
          .defaultNumber = value,
          .range = range,
          .single = member};
}

constexpr std::array<GroupSettingField, kGroupSettingCount> kFields{{
    KeptTextSetting("CDF_FILE=", &S::CDF_FILE),
    KeptIntSetting("READ_DAT=", &S::READ_DAT, kSwitch),
    IntSetting("READ_CEL=", &S::READ_CEL, 1, kSwitch),
    KeptIntSetting("READ_QVF=", &S::READ_QVF, kSwitch),
    KeptTextSetting("DATA_PATH=", &S::DATA_PATH),
    HomeFolderSetting("WORKING_DIR=", &S::WORKING_DIR),
    HomeFolderSetting("ONTOROAM_DIR=", &S::ONTOROAM_DIR),
    IntSetting("USE_UNNORM=", &S::USE_UNNORM, 0, kSwitch),
    IntSetting("QEX5_SIGNAL=", &S::QEX5_SIGNAL, 0, kSwitch),
    IntSetting("OPTION_PAGE=", &S::OPTION_PAGE, 0, Choices(kOptionPages)),
    KeptTextSetting("SAMPLE_INFO_FILE=", &S::SAMPLE_INFO_FILE),
    KeptTextSetting("GENE_NAME_FILE=", &S::GENE_NAME_FILE),
    TextSetting("GENOME_INFO_FILE=", &S::GENOME_INFO_FILE, ""),
    TextSetting("REF_GENE_FILE=", &S::REF_GENE_FILE, ""),
    TextSetting("CYTOBAND_FILE=", &S::CYTOBAND_FILE, ""),
    KeptTextSetting("MASK_FILE=", &S::MASK_FILE),
    IntSetting("DETECT_SINGLE_OUTLIER=", &S::DETECT_SINGLE_OUTLIER, 1, kSwitch),
    IntSetting("DETECT_ARRAY_OUTLIER=", &S::DETECT_ARRAY_OUTLIER, 1, kSwitch),
    IntSetting("DETECT_PROBE_OUTLIER=", &S::DETECT_PROBE_OUTLIER, 1, kSwitch),
    IntSetting("HANDLE_IMAGE_SPIKE=", &S::HANDLE_IMAGE_SPIKE, 1, kSwitch),
    IntSetting("NO_REP_ARRAY_OUTLIER=", &S::NO_REP_ARRAY_OUTLIER, 0, kSwitch),
    IntSetting("ALTERNATE_TWO_VIEW=", &S::ALTERNATE_TWO_VIEW, 0, kSwitch),
    IntSetting("WHICH_ONLINE_DATABASE=", &S::WHICH_ONLINE_DATABASE, 0, Choices(4)),
    IntSetting("DIRECT_GO_ONLINE_DATABASE=", &S::DIRECT_GO_ONLINE_DATABASE, 0, kSwitch),
    IntSetting("MODEL_METHOD=", &S::MODEL_METHOD, 0, Choices(3)),
    IntSetting("DIST_MEASURE=", &S::DIST_MEASURE, 0, Choices(4)),
    IntSetting("LINKAGE_METHOD=", &S::LINKAGE_METHOD, 0, Choices(2)),
    IntSetting("OUTLIER_IN_RANGE=", &S::OUTLIER_IN_RANGE, 1, kSwitch),
    IntSetting("USE_CV_FILTER=", &S::USE_CV_FILTER, 1, kSwitch),
    DoubleSetting("CV_LOWER=", &S::CV_LOWER, 0.5, kAnyDouble),
    DoubleSetting("CV_UPPER=", &S::CV_UPPER, 1000.0, kAnyDouble),
    IntSetting("USE_CALL_FILTER=", &S::USE_CALL_FILTER, 1, kSwitch),
    IntSetting("FILTER_PRESENCE=", &S::FILTER_PRESENCE, 20, kPercent),
    IntSetting("USE_EXPR_FILTER=", &S::USE_EXPR_FILTER, 0, kSwitch),
    DoubleSetting("EXPR_FILTER_VALUE=", &S::EXPR_FILTER_VALUE, 20.0, kAnyDouble),
    IntSetting("EXPR_FILTER_PCT=", &S::EXPR_FILTER_PCT, 50, kPercent),
    IntSetting("USE_REP_FILTER=", &S::USE_REP_FILTER, 0, kSwitch),
    DoubleSetting("REP_FILTER_LOW=", &S::REP_FILTER_LOW, 0.0, kAnyDouble),
    DoubleSetting("REP_FILTER_HIGH=", &S::REP_FILTER_HIGH, 0.5, kAnyDouble),
    KeptTextSetting("FILTER_INPUT_LIST=", &S::FILTER_INPUT_LIST),
    IntSetting("FILTER_INPUT_USE=", &S::FILTER_INPUT_USE, 1, kSwitch),
    TextSetting("FILTER_OUTPUT_LIST=", &S::FILTER_OUTPUT_LIST, ""),
    TextSetting("ANOVA_FACTOR=", &S::ANOVA_FACTOR, "None"),
    DoubleSetting("ANOVA_PVALUE=", &S::ANOVA_PVALUE, 0.05, kFraction),
    IntSetting("CLUSTER_GENE=", &S::CLUSTER_GENE, 1, kSwitch),
    IntSetting("CLUSTER_SAMPLE=", &S::CLUSTER_SAMPLE, 0, kSwitch),
    TextSetting("ARRAY_LIST_FILE=", &S::ARRAY_LIST_FILE, ""),
    IntSetting("USE_STD_SEP=", &S::USE_STD_SEP, 1, kSwitch),
    IntSetting("STANDARDIZE_COL=", &S::STANDARDIZE_COL, 0, kSwitch),
    KeptTextSetting("EXTERNAL_DATA_FILE=", &S::EXTERNAL_DATA_FILE),
    IntSetting("LOCUS_LINK_NAME=", &S::LOCUS_LINK_NAME, 1, kSwitch),
    IntSetting("SHOW_PROFILE=", &S::SHOW_PROFILE, 0, kSwitch),
    IntSetting("ADD_NEW_COLOR=", &S::ADD_NEW_COLOR, 0, kSwitch),
    IntSetting("STANDARDIZE_ROW=", &S::STANDARDIZE_ROW, 1, kSwitch),
    IntSetting("GREEN_RED=", &S::GREEN_RED, 0, kSwitch),
    DoubleSetting("DISPLAY_RANGE=", &S::DISPLAY_RANGE, 3.0, kAnyDouble),
    IntSetting("SAMPLE_NAME_VISIBLE=", &S::SAMPLE_NAME_VISIBLE, 1, kSwitch),
    DoubleSetting("SIG_SAMPLE_PVALUE=", &S::SIG_SAMPLE_PVALUE, 0.01, kFraction),
    DoubleSetting("SIG_GENE_PVALUE=", &S::SIG_GENE_PVALUE, 0.001, kFraction),
    IntSetting("STORE_DISTANCE=", &S::STORE_DISTANCE, 1, kSwitch),
    IntSetting("CLUSTER_SHOW_PROBE_SET=", &S::CLUSTER_SHOW_PROBE_SET, 0, kSwitch),
    TextSetting("GENE_LIST_FILE=", &S::GENE_LIST_FILE, ""),
    IntSetting("ALLOW_MISSING=", &S::ALLOW_MISSING, 0, kSwitch),
    IntSetting("HAS_STD=", &S::HAS_STD, 0, kSwitch),
    IntSetting("HAS_BOTH=", &S::HAS_BOTH, 0, kSwitch),
    IntSetting("HAS_GENE_NAME=", &S::HAS_GENE_NAME, 0, kSwitch),
    IntSetting("GCT_FORMAT=", &S::GCT_FORMAT, 0, kSwitch),
    IntSetting("NAME_LAST=", &S::NAME_LAST, 0, kSwitch),
    IntSetting("EXPRESSION_INCLUDE_HEADER=", &S::EXPRESSION_INCLUDE_HEADER, 0, kSwitch),
    IntSetting("SHOW_PROBE_TOGETHER=", &S::SHOW_PROBE_TOGETHER, 0, kSwitch),
    IntSetting("ALLOW_TXT_HAS_UNKNOWN=", &S::ALLOW_TXT_HAS_UNKNOWN, 0, kSwitch),
    IntSetting("OUTPUT_ACC=", &S::OUTPUT_ACC, 1, kSwitch),
    IntSetting("OMIT_VOSK=", &S::OMIT_VOSK, 1, kSwitch),
    IntSetting("QVF_IN_WORKING=", &S::QVF_IN_WORKING, 0, kSwitch),
    IntSetting("MEDIAN_SMOOTH_WINDOW=", &S::MEDIAN_SMOOTH_WINDOW, 10, kSmoothWindow),
    DoubleSetting("PATHWAY_CORR=", &S::PATHWAY_CORR, 0.9, kFraction),
    IntSetting("SHOW_OUTLIER=", &S::SHOW_OUTLIER, 1, kSwitch),
    IntSetting("SHOW_R_ICON=", &S::SHOW_R_ICON, 0, kSwitch),
    IntSetting("GENE_ORDERING=", &S::GENE_ORDERING, 0, Choices(2)),
    IntSetting("LOAD_PROBE_DATA=", &S::LOAD_PROBE_DATA, 1, kSwitch),
    TextSetting("LAST_GROUP_NAME=", &S::LAST_GROUP_NAME, ""),
    IntSetting("TRUNCATE__=", &S::TRUNCATE, 0, kSwitch),
    IntSetting("TRUNCATE_PCT__=", &S::TRUNCATE_PCT, 0, kSwitch),
    DoubleSetting("TRUNCATE_VALUE=", &S::TRUNCATE_VALUE, 0.0, kAnyDouble),
    IntSetting("TRUNCATE_PCT_VALUE=", &S::TRUNCATE_PCT_VALUE, 10, kPercent),
    IntSetting("LOG_TRANSFORM=", &S::LOG_TRANSFORM, 0, kSwitch),
    TextSetting("COMPARE_COMPARISON_FILE=", &S::COMPARE_COMPARISON_FILE, ""),
    IntSetting("NORM_METHOD=", &S::NORM_METHOD, 0, Choices(2)),
    IntSetting("COMPARE_OUTPUT_ALL=", &S::COMPARE_OUTPUT_ALL, 0, kSwitch),
    IntSetting("PERMUTE_SAMPLE=", &S::PERMUTE_SAMPLE, 0, kSwitch),
    IntSetting("PERMUTE_NUMBER=", &S::PERMUTE_NUMBER, 50, kPermutations),
    IntSetting("PIXEL_WD=", &S::PIXEL_WD, 8, kCellSide),
    FloatSetting("PIXEL_HT_=", &S::PIXEL_HT_, 4.0, kCellSide),
    IntSetting("PIXEL_HT2=", &S::PIXEL_HT2, 4, kCellSide),
    FloatSetting("PIXEL_KB=", &S::PIXEL_KB, 10.0, kPixelKb),
    IntSetting("DENDRO_WD=", &S::DENDRO_WD, 150, kDendrogramSide),
    IntSetting("DENDRO_HT=", &S::DENDRO_HT, 80, kDendrogramSide),
    IntSetting("CUR_ARRAY=", &S::CUR_ARRAY, 0, kArraySlot),
    IntSetting("CUR_UNIT=", &S::CUR_UNIT, -1, kUnitIndex),
    IntSetting("CEL_PIXEL_SIZE=", &S::CEL_PIXEL_SIZE, 1, kCelPixelSize),
    IntSetting("PIC_WD=", &S::PIC_WD, 600, kPictureSide),
    IntSetting("PIC_HT=", &S::PIC_HT, 600, kPictureSide),
    IntSetting("FUNC_BAR_WD=", &S::FUNC_BAR_WD, 2, kCellSide),
    TextSetting("LDA_FILE=", &S::LDA_FILE, ""),
    TextSetting("CURVE_FILE=", &S::CURVE_FILE, ""),
    TextSetting("PSI_FILE_NAME=", &S::PSI_FILE_NAME, ""),
    IntSetting("PSI_MODE=", &S::PSI_MODE, 0, Choices(3)),
    IntSetting("MASK_REDUNDANT=", &S::MASK_REDUNDANT, 0, kSwitch),
    IntSetting("INSERT_FILE=", &S::INSERT_FILE, 0, kSwitch),
    IntSetting("LINK_DIALOG=", &S::LINK_DIALOG, 0, kSwitch),
    IntSetting("CONSIDER_ERROR=", &S::CONSIDER_ERROR, 1, kSwitch),
    DoubleSetting("CHRO_PVALUE=", &S::CHRO_PVALUE, 0.001, kFraction),
    DoubleSetting("LOG_BASE=", &S::LOG_BASE, 2.0, kLogBase),
    IntSetting("OUTLINE_GENE_STRETCH=", &S::OUTLINE_GENE_STRETCH, 1, kSwitch),
    TextSetting("INFERRED_COPY_FILE=", &S::INFERRED_COPY_FILE, ""),
    IntSetting("CHRO_CUR_CHRO=", &S::CHRO_CUR_CHRO, 0, Choices(kChromosomeSlots)),
    IntSetting("CHRO_METHOD=", &S::CHRO_METHOD, 0, Choices(5)),
    IntSetting("CHRO_DATA=", &S::CHRO_DATA, 0, Choices(6)),
    IntSetting("LINKAGE_INHERITANCE=", &S::LINKAGE_INHERITANCE, 0, Choices(3)),
    IntSetting("LINKAGE_SIMULATE=", &S::LINKAGE_SIMULATE, 0, kSwitch),
    IntSetting("INHERIT_REDUCTION=", &S::INHERIT_REDUCTION, 1, kSwitch),
    FloatSetting("LINKAGE_PHENOCOPY=", &S::LINKAGE_PHENOCOPY, 0.01, kFraction),
    IntSetting("CHRO_USE_MIN_MAX=", &S::CHRO_USE_MIN_MAX, 0, kSwitch),
    FloatSetting("LINKAGE_PENETRANCE=", &S::LINKAGE_PENETRANCE, 0.99, kFraction),
    IntSetting("PROPORTIONAL_DIST=", &S::PROPORTIONAL_DIST, 0, kSwitch),
    IntSetting("VIEW_ALL_CHROMOSOME=", &S::VIEW_ALL_CHROMOSOME, 0, kSwitch),
    TextSetting("CHRO_REGION_FILE=", &S::CHRO_REGION_FILE, ""),
    IntSetting("CHRO_MERGE_GROUP_NAME=", &S::CHRO_MERGE_GROUP_NAME, 0, kSwitch),
    TextSetting("VOSK_ANNOT_FILE=", &S::VOSK_ANNOT_FILE, ""),
    TextSetting("GENE_ONTOLOGY_FILE=", &S::GENE_ONTOLOGY_FILE, ""),
    IntSetting("FILTER_VAR_METHOD=", &S::FILTER_VAR_METHOD, 0, Choices(2)),
    IntSetting("SHOW_FIRST_LETTER=", &S::SHOW_FIRST_LETTER, 1, kFirstLetters),
    IntVariableSetting("READ_SNP_ARRAY_DATA=", &ArrayType, SettingDefault::kKept, 0, Choices(4)),
    IntSetting("ALLELE_FREQ_TYPE=", &S::ALLELE_FREQ_TYPE, 3, Choices(4)),
    KeptTextSetting("PEDIGREE_FILE=", &S::PEDIGREE_FILE),
    TextSetting("ONTOROAM_INFO_FILE=", &S::ONTOROAM_INFO_FILE, ""),
    TextSetting("VELLUMFOLD_DIR=", &S::VELLUMFOLD_DIR, ""),
    FloatSetting("LINKAGE_DISEASE_FREQ=", &S::LINKAGE_DISEASE_FREQ, 0.001, kFraction),
    FloatSetting("AVERAGE_HET_RATE=", &S::AVERAGE_HET_RATE, 0.27, kFraction),
    DoubleSetting("SNP_ERROR_RATE=", &S::SNP_ERROR_RATE, 0.01, kFraction),
    IntSetting("PIXEL_HT_PROP=", &S::PIXEL_HT_PROP, 2, kCellSide),
    TextSetting("NORMAL_GENOTYPE_FILE=", &S::NORMAL_GENOTYPE_FILE, ""),
    IntSetting("ZERO_NEG_DIFF=", &S::ZERO_NEG_DIFF, 1, kSwitch),
    IntSetting("HMM_LENGTH=", &S::HMM_LENGTH, 10000, kHmmLength),
    IntSetting("SEPARATE_AB_SIGNAL=", &S::SEPARATE_AB_SIGNAL, 0, kSwitch),
    IntSetting("VIEW_NORM_PLOT=", &S::VIEW_NORM_PLOT, 1, kSwitch),
    TextSetting("MERLIN_DIR=", &S::MERLIN_DIR, ""),
    IntSetting("CALL_MERLIN=", &S::CALL_MERLIN, 0, kSwitch),
    FloatSetting("INFER_CALL_THRESHOLD=", &S::INFER_CALL_THRESHOLD, 0.5, kCallThreshold),
    IntSetting("CHRO_TRIMMED_PCT=", &S::CHRO_TRIMMED_PCT, 0, kTrimmedPercent),
    IntSetting("ONE_CROSSOVER=", &S::ONE_CROSSOVER, 1, kSwitch),
    IntSetting("SKIP_NONINFORMATIVE=", &S::SKIP_NONINFORMATIVE, 1, kSwitch),
    FloatSetting("INFER_STEP=", &S::INFER_STEP, 1.0, kFraction),
    IntVariableSetting("PM_ONLY_ARRAY=", &PmOnly, SettingDefault::kValue, 0, kSwitch),
    IntSetting("INFER_COPY_METHOD=", &S::INFER_COPY_METHOD, 1, Choices(3)),
    IntSetting("USE_PAIRED_NORMAL=", &S::USE_PAIRED_NORMAL, 0, kSwitch),
    TextSetting("PATHWAY_FILE=", &S::PATHWAY_FILE, ""),
    IntSetting("HAPLOTYPE_THRESHOLD=", &S::HAPLOTYPE_THRESHOLD, 10, kPercent),
    IntSetting("PARENT_SPECIFIC_COPY=", &S::PARENT_SPECIFIC_COPY, 0, kSwitch),
    IntSetting("INFER_NONINFORMATIVE=", &S::INFER_NONINFORMATIVE, 1, Choices(3)),
}};

constexpr bool EveryFieldFilled() {
  for (const auto& field : kFields)
    if (field.key == nullptr) return false;
  return true;
}
static_assert(EveryFieldFilled(), "the settings table lists fewer than 160 settings");

// A float setting's range lies within what a float holds, and every default within its
// setting's range.
constexpr bool EveryDefaultInItsRange() {
  for (const auto& field : kFields) {
    if (field.type == SettingType::kText) continue;
    const SettingRange r = field.range;
    if (!(r.low <= r.high)) return false;
    if (field.type == SettingType::kFloat && (r.low < -FLT_MAX || r.high > FLT_MAX)) return false;
    if (field.defaultKind != SettingDefault::kKept &&
        (field.defaultNumber < r.low || field.defaultNumber > r.high))
      return false;
  }
  return true;
}
static_assert(EveryDefaultInItsRange(), "a numeric setting's default lies outside its range");

constexpr std::size_t LongestKeyLength() {
  std::size_t longest = 0;
  for (const auto& field : kFields) {
    std::size_t length = 0;
    while (field.key[length] != '\0') ++length;
    if (length > longest) longest = length;
  }
  return longest;
}

// Long enough for any key followed by a text of the longest allowed length.
constexpr std::size_t kLineLimit = LongestKeyLength() + kMaxSettingTextLength;

std::string_view KeyName(const GroupSettingField& field) {
  std::string_view key(field.key);
  key.remove_suffix(1);  // the '='
  return key;
}

// Numbers are read as atof reads them, whatever locale the program runs in.
double ParseNumber(std::string_view text) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  const std::string copy(text);
  if (cLocale == static_cast<locale_t>(0)) return std::strtod(copy.c_str(), nullptr);
  return strtod_l(copy.c_str(), nullptr, cLocale);
}

// Six significant digits in the shortest form, as 0.5, 1000 and 0.001.
std::string FormatReal(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  return std::string(text, result.ptr);
}

// A number outside its setting's range, or none at all, would steer every analysis that
// reads it (a picture 2147483647 pixels wide, a p-value that nothing passes): the
// setting keeps its default and the line is reported.
void AssignSetting(const GroupSettingField& field, std::string_view value, GroupSettings& settings,
                   int lineNumber, const std::string& path) {
  if (field.type == SettingType::kText) {
    settings.*field.text = std::string(value);
    return;
  }
  const double number = ParseNumber(value);
  // An int takes the number toward zero (2.9 is 2) and is checked as taken.
  const double taken = field.type == SettingType::kInt ? std::trunc(number) : number;
  const SettingRange range = field.range;
  if (!std::isfinite(number) || taken < range.low || taken > range.high) {
    const std::string key(KeyName(field));
    const std::string text(value);
    if (std::isfinite(number))
      LogMessage(MessageBuffer(kSettingOutOfRangeMessage, lineNumber, path.c_str(), key.c_str(),
                               text.c_str(), FormatReal(range.low).c_str(),
                               FormatReal(range.high).c_str()),
                 0, kLogRed);
    else
      LogMessage(MessageBuffer(kSettingNoNumberMessage, lineNumber, path.c_str(), key.c_str(),
                               text.c_str()),
                 0, kLogRed);
    return;
  }
  switch (field.type) {
    case SettingType::kText:
      return;
    case SettingType::kInt:
      field.IntIn(settings) = static_cast<int>(taken);
      return;
    case SettingType::kDouble:
      settings.*field.real = number;
      return;
    case SettingType::kFloat:
      settings.*field.single = static_cast<float>(number);
      return;
  }
}

// The value of a line that holds the setting's key anywhere (the key alone, without its
// '='): the text after the line's first '='.
std::optional<std::string_view> SettingValue(std::string_view line,
                                             const GroupSettingField& field) {
  if (line.find(KeyName(field)) == std::string_view::npos) return std::nullopt;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return line.substr(equals + 1);
}

// false only when the file does not open, with fault the red line logged when a file
// (or a pipe, a folder) is there; everything else is read line by line.
bool ReadSettingsFile(const std::string& path, GroupSettings& settings, std::string& fault) {
  fault.clear();
  platform::LineReader reader;
  if (!reader.Open(path, kLineLimit)) {
    // No file is a group's first start, and no error.
    if (reader.OpenFailure().Missing()) return false;
    fault = platform::WithReadFailure(
        MessageBuffer("  Reading settings file %s failed", path.c_str()), reader.OpenFailure());
    LogMessage(fault, 0, kLogRed);
    return false;
  }
  for (int index = 0; index < kGroupSettingCount; ++index) {
    const GroupSettingField& field = kFields[static_cast<std::size_t>(index)];
    std::string_view line;
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd) break;
    if (status == platform::LineStatus::kError) {
      LogMessage(
          MessageBuffer("  Reading settings file %s failed at line %d", path.c_str(), index + 1), 0,
          kLogRed);
      break;
    }
    const std::optional<std::string_view> value = SettingValue(line, field);
    if (!value) continue;
    if (status == platform::LineStatus::kCut ||
        value->size() > static_cast<std::size_t>(kMaxSettingTextLength)) {
      const std::string key(KeyName(field));
      LogMessage(MessageBuffer("  Line %d of %s: %s is longer than %d characters, not read",
                               index + 1, path.c_str(), key.c_str(), kMaxSettingTextLength),
                 0, kLogRed);
      continue;
    }
    AssignSetting(field, *value, settings, index + 1, path);
  }
  return true;
}

// A line break inside a text would shift every later line of the file out of its place.
std::string_view SingleLineText(const GroupSettingField& field, const std::string& text) {
  const std::size_t lineBreak = text.find_first_of("\r\n");
  if (lineBreak == std::string::npos) return text;
  const std::string key(KeyName(field));
  LogMessage(MessageBuffer("  %s holds a line break; written only up to it", key.c_str()), 0,
             kLogRed);
  return std::string_view(text).substr(0, lineBreak);
}

std::string FormatSettingsFile(const GroupSettings& settings) {
  std::string text;
  for (const GroupSettingField& field : kFields) {
    text += field.key;
    switch (field.type) {
      case SettingType::kText:
        text += SingleLineText(field, settings.*field.text);
        break;
      case SettingType::kInt:
        text += std::to_string(field.IntIn(settings));
        break;
      case SettingType::kDouble:
        text += FormatReal(settings.*field.real);
        break;
      case SettingType::kFloat:
        text += FormatReal(static_cast<double>(settings.*field.single));
        break;
    }
    text += '\n';
  }
  return text;
}

bool WriteSettingsFile(const std::string& path, const GroupSettings& settings) {
  // A read-only settings file is made writable; its replacement keeps its permissions.
  std::error_code ignored;
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add, ignored);
  const std::string text = FormatSettingsFile(settings);
  // Written on every command and at exit: a full disk must leave the old file whole.
  int error = 0;
  const bool written = platform::WriteWholeFile(path, platform::TextBytes(text), &error);
  if (!written)
    LogWriteFailure(MessageBuffer("{Writing configuration (INI) file %s failed}", path.c_str()),
                    error);
  return written;
}

}  // namespace

std::span<const GroupSettingField> GroupSettingFields() {
  return kFields;
}

SettingRange IntSettingRange(int GroupSettings::*member) {
  for (const GroupSettingField& field : kFields)
    if (field.integer != nullptr && field.integer == member) return field.range;
  return {static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)};
}

void SetGroupSettingDefaults(GroupSettings& settings, std::string_view homeFolder) {
  for (const GroupSettingField& field : kFields) {
    if (field.defaultKind == SettingDefault::kKept) continue;
    switch (field.type) {
      case SettingType::kText:
        settings.*field.text = field.defaultKind == SettingDefault::kHomeFolder
                                   ? std::string(homeFolder)
                                   : std::string(field.defaultText);
        break;
      case SettingType::kInt:
        field.IntIn(settings) = static_cast<int>(field.defaultNumber);
        break;
      case SettingType::kDouble:
        settings.*field.real = field.defaultNumber;
        break;
      case SettingType::kFloat:
        settings.*field.single = static_cast<float>(field.defaultNumber);
        break;
    }
  }
}

std::string Group::SettingsPath(std::string_view name) const {
  const std::string fileName = std::string(name) + ".ini";
  if (auto existing = platform::FindFileNoCase(mHomeFolder, fileName)) return *existing;
  return platform::JoinPath(mHomeFolder, fileName);
}

bool Group::ReadGroupSettings(std::string_view name) {
  mSettingsReadFault.clear();
  SetGroupSettingDefaults(mSettings, mHomeFolder);
  mRunOptions.probeExportPositionColumns = false;
  mRunOptions.celExportProbeSetColumns = false;
  mRunOptions.celExportSubtractBackground = false;
  if (name.empty()) return false;
  if (!ReadSettingsFile(SettingsPath(name), mSettings, mSettingsReadFault)) return false;
  mName = std::string(name);
  return true;
}

bool Group::WriteGroupSettings() const {
  if (mName.empty()) return true;
  return WriteSettingsFile(SettingsPath(mName), mSettings);
}

bool FuzzReadSettingsFile(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.ini", [](const std::string& path) {
    GroupSettings settings;
    SetGroupSettingDefaults(settings, "");
    std::string fault;
    return ReadSettingsFile(path, settings, fault);
  });
}
