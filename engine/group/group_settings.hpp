// The group settings: every analysis option of the program, one typed field per key of the
// group's settings file, the fixed order of the keys in that file and their defaults.
// The file itself is read and written by Group::ReadGroupSettings and
// Group::WriteGroupSettings (engine/group/group.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

inline constexpr int kGroupSettingCount = 160;

// The longest text a text setting holds (paths above all). A longer value in a settings
// file is reported and not read, never cut.
inline constexpr int kMaxSettingTextLength = 1000;

// The fields carry the file's key names (without the '='). Texts start empty and numbers
// at 0; the defaults are assigned by SetGroupSettingDefaults. Two settings are the chip
// layout's array-kind variables instead (engine/chip/cdf_layout.hpp): READ_SNP_ARRAY_DATA is
// ArrayType and PM_ONLY_ARRAY is PmOnly, so that loading a chip description and the
// settings never disagree.
struct GroupSettings {
  std::string CDF_FILE;                 // chip description file of the group
  int READ_DAT = 0;                     // open DAT image files
  int READ_CEL = 0;                     // open CEL files
  int READ_QVF = 0;                     // open QVF files
  std::string DATA_PATH;                // data folder, or a data file list ending in ".txt"
  std::string WORKING_DIR;              // folder of output tables
  std::string ONTOROAM_DIR;             // folder of the gene-ontology browsing tool
  int USE_UNNORM = 0;                   // keep raw intensities when opening
  int QEX5_SIGNAL = 0;                  // take the array maker's QEX5 signal values
  int OPTION_PAGE = 0;                  // page opened by Tools/Options
  std::string SAMPLE_INFO_FILE;         // sample information file
  std::string GENE_NAME_FILE;           // gene information file (SNP information on SNP arrays)
  std::string GENOME_INFO_FILE;         // genome information file
  std::string REF_GENE_FILE;            // refGene file
  std::string CYTOBAND_FILE;            // cytoband file
  std::string MASK_FILE;                // probe-set mask applied when the layout loads
  int DETECT_SINGLE_OUTLIER = 0;        // model fit: check single outliers
  int DETECT_ARRAY_OUTLIER = 0;         // model fit: check array outliers
  int DETECT_PROBE_OUTLIER = 0;         // model fit: check probe outliers
  int HANDLE_IMAGE_SPIKE = 0;           // model fit: image spikes count as single outliers
  int NO_REP_ARRAY_OUTLIER = 0;         // replicate arrays are not all made outliers
  int ALTERNATE_TWO_VIEW = 0;           // View/Alternate Two Views
  int WHICH_ONLINE_DATABASE = 0;        // 0 LocusLink, 1 maker's portal, 2 GenBank, 3 dbSNP
  int DIRECT_GO_ONLINE_DATABASE = 0;    // go to the online database without asking
  int MODEL_METHOD = 0;                 // 0 PM/MM difference, 1 PM-only, 2 average difference
  int DIST_MEASURE = 0;                 // clustering distance measure
  int LINKAGE_METHOD = 0;               // clustering linkage method
  int OUTLIER_IN_RANGE = 0;             // outliers shown within the display range
  int USE_CV_FILTER = 0;                // filter on variation across samples
  double CV_LOWER = 0.0;                // lower bound of the variation
  double CV_UPPER = 0.0;                // upper bound of the variation
  int USE_CALL_FILTER = 0;              // filter on the present-call percentage
  int FILTER_PRESENCE = 0;              // minimum present-call percentage
  int USE_EXPR_FILTER = 0;              // filter on expression level
  double EXPR_FILTER_VALUE = 0.0;       // expression level of that filter
  int EXPR_FILTER_PCT = 0;              // percentage of samples that must reach it
  int USE_REP_FILTER = 0;               // filter on replicate variation
  double REP_FILTER_LOW = 0.0;          // lower bound of the median replicate variation
  double REP_FILTER_HIGH = 0.0;         // upper bound of the median replicate variation
  std::string FILTER_INPUT_LIST;        // gene list restricting the filtering
  int FILTER_INPUT_USE = 0;             // 1 keep listed genes, 0 keep the others
  std::string FILTER_OUTPUT_LIST;       // file of the filtered gene list
  std::string ANOVA_FACTOR;             // sample-information column of the factor analysis
  double ANOVA_PVALUE = 0.0;            // p-value threshold of the factor analysis
  int CLUSTER_GENE = 0;                 // cluster genes
  int CLUSTER_SAMPLE = 0;               // cluster samples
  std::string ARRAY_LIST_FILE;          // array list file
  int USE_STD_SEP = 0;                  // variation within each sample group, averaged
  int STANDARDIZE_COL = 0;              // standardise columns (clustering)
  std::string EXTERNAL_DATA_FILE;       // external data file
  int LOCUS_LINK_NAME = 0;              // GCT export: description column holds the gene name
  int SHOW_PROFILE = 0;                 // show gene profiles
  int ADD_NEW_COLOR = 0;                // add new colours
  int STANDARDIZE_ROW = 0;              // standardise rows (clustering)
  int GREEN_RED = 0;                    // green-red colour scale
  double DISPLAY_RANGE = 0.0;           // display range of standardised values
  int SAMPLE_NAME_VISIBLE = 0;          // show sample names
  double SIG_SAMPLE_PVALUE = 0.0;       // significance threshold for samples
  double SIG_GENE_PVALUE = 0.0;         // significance threshold for genes
  int STORE_DISTANCE = 0;               // keep the distance matrix
  int CLUSTER_SHOW_PROBE_SET = 0;       // label clustered genes by probe set
  std::string GENE_LIST_FILE;           // current gene list file
  int ALLOW_MISSING = 0;                // array outliers become missing values
  int HAS_STD = 0;                      // standard-error columns in exports and external data
  int HAS_BOTH = 0;                     // call columns beside the values
  int HAS_GENE_NAME = 0;                // external data: gene-name column
  int GCT_FORMAT = 0;                   // expression export in the "#1.2" table form
  int NAME_LAST = 0;                    // expression export: gene column last
  int EXPRESSION_INCLUDE_HEADER = 0;    // expression export: header block
  int SHOW_PROBE_TOGETHER = 0;          // array image shows probe pairs side by side
  int ALLOW_TXT_HAS_UNKNOWN = 0;        // text inputs may hold unknown names
  int OUTPUT_ACC = 0;                   // exports add accession, LocusLink, description
  int OMIT_VOSK = 0;                    // gene filtering leaves out control probe sets
  int QVF_IN_WORKING = 0;               // QVF files go into the working folder
  int MEDIAN_SMOOTH_WINDOW = 0;         // median smoothing window
  double PATHWAY_CORR = 0.0;            // correlation threshold of pathway filtering
  int SHOW_OUTLIER = 0;                 // mark outliers in views
  int SHOW_R_ICON = 0;                  // show the R icon
  int GENE_ORDERING = 0;                // gene ordering
  int LOAD_PROBE_DATA = 0;              // hold every array's intensity plane in memory
  std::string LAST_GROUP_NAME;          // last group used (in the default group's file)
  int TRUNCATE = 0;                     // key TRUNCATE__: raise low values to TRUNCATE_VALUE
  int TRUNCATE_PCT = 0;                 // key TRUNCATE_PCT__: raise to an absent percentile
  double TRUNCATE_VALUE = 0.0;          // fixed truncation value
  int TRUNCATE_PCT_VALUE = 0;           // percentile of the absent-call values
  int LOG_TRANSFORM = 0;                // log-transform expression values
  std::string COMPARE_COMPARISON_FILE;  // comparison result file
  int NORM_METHOD = 0;                  // normalisation method
  int COMPARE_OUTPUT_ALL = 0;           // comparison: output all genes
  int PERMUTE_SAMPLE = 0;               // comparison: permute samples
  int PERMUTE_NUMBER = 0;               // comparison: number of permutations
  int PIXEL_WD = 0;                     // cluster picture: cell width
  float PIXEL_HT_ = 0.0f;               // cluster picture: cell height
  int PIXEL_HT2 = 0;                    // cluster picture: second cell height
  float PIXEL_KB = 0.0f;                // clustering picture parameter
  int DENDRO_WD = 0;                    // dendrogram width
  int DENDRO_HT = 0;                    // dendrogram height
  int CUR_ARRAY = 0;                    // current array (-1 none)
  int CUR_UNIT = 0;                     // current probe set (-1 none)
  int CEL_PIXEL_SIZE = 0;               // array image pixel size
  int PIC_WD = 0;                       // picture width
  int PIC_HT = 0;                       // picture height
  int FUNC_BAR_WD = 0;                  // width of the annotation bars
  std::string LDA_FILE;                 // LDA result file
  std::string CURVE_FILE;               // curve file
  std::string PSI_FILE_NAME;            // probe sensitivity index file
  int PSI_MODE = 0;                     // 0 do not use, 1 read and use, 2 write
  int MASK_REDUNDANT = 0;               // one probe set per LocusLink id in gene lists
  int INSERT_FILE = 0;                  // insert registered output files into the log
  int LINK_DIALOG = 0;                  // show the online link dialog
  int CONSIDER_ERROR = 0;               // take standard errors into account
  double CHRO_PVALUE = 0.0;             // chromosome analysis p-value
  double LOG_BASE = 0.0;                // base of the log transform
  int OUTLINE_GENE_STRETCH = 0;         // outline gene stretches
  std::string INFERRED_COPY_FILE;       // inferred copy-number file
  int CHRO_CUR_CHRO = 0;                // current chromosome
  int CHRO_METHOD = 0;                  // 0 LOH, 1 copy number, 2 linkage, 3 expression, ...
  int CHRO_DATA = 0;                    // chromosome data type
  int LINKAGE_INHERITANCE = 0;          // linkage: inheritance model
  int LINKAGE_SIMULATE = 0;             // linkage: simulate
  int INHERIT_REDUCTION = 0;            // linkage: inheritance reduction
  float LINKAGE_PHENOCOPY = 0.0f;       // linkage: phenocopy rate
  int CHRO_USE_MIN_MAX = 0;             // chromosome view: use minimum and maximum
  float LINKAGE_PENETRANCE = 0.0f;      // linkage: penetrance
  int PROPORTIONAL_DIST = 0;            // probe sets placed proportional to distance
  int VIEW_ALL_CHROMOSOME = 0;          // view all chromosomes
  std::string CHRO_REGION_FILE;         // chromosome region file
  int CHRO_MERGE_GROUP_NAME = 0;        // merge by group name
  std::string VOSK_ANNOT_FILE;          // the array maker's annotation file
  std::string GENE_ONTOLOGY_FILE;       // Gene Ontology file
  int FILTER_VAR_METHOD = 0;            // 0 deviation / mean, 1 deviation (logged data)
  int SHOW_FIRST_LETTER = 0;            // show first letters of terms
  int ALLELE_FREQ_TYPE = 0;             // allele frequency type
  std::string PEDIGREE_FILE;            // pedigree file
  std::string ONTOROAM_INFO_FILE;       // information file of the gene-ontology tool
  std::string VELLUMFOLD_DIR;           // folder of the tight-clustering tool
  float LINKAGE_DISEASE_FREQ = 0.0f;    // linkage: disease allele frequency
  float AVERAGE_HET_RATE = 0.0f;        // average heterozygosity rate
  double SNP_ERROR_RATE = 0.0;          // SNP call error rate
  int PIXEL_HT_PROP = 0;                // picture height proportion
  std::string NORMAL_GENOTYPE_FILE;     // reference (normal) genotype file
  int ZERO_NEG_DIFF = 0;                // negative PM-MM differences become 0
  int HMM_LENGTH = 0;                   // hidden Markov model length scale
  int SEPARATE_AB_SIGNAL = 0;           // SNP arrays: A and B signals kept apart
  int VIEW_NORM_PLOT = 0;               // review each normalisation in a plot
  std::string MERLIN_DIR;               // folder of MERLIN
  int CALL_MERLIN = 0;                  // run MERLIN
  float INFER_CALL_THRESHOLD = 0.0f;    // inference call threshold
  int CHRO_TRIMMED_PCT = 0;             // trimmed percentage
  int ONE_CROSSOVER = 0;                // at most one crossover between adjacent markers
  int SKIP_NONINFORMATIVE = 0;          // skip non-informative markers
  float INFER_STEP = 0.0f;              // inference step
  int INFER_COPY_METHOD = 0;            // copy-number inference method
  int USE_PAIRED_NORMAL = 0;            // use paired normal samples
  std::string PATHWAY_FILE;             // pathway file
  int HAPLOTYPE_THRESHOLD = 0;          // haplotype threshold
  int PARENT_SPECIFIC_COPY = 0;         // parent-specific copy number
  int INFER_NONINFORMATIVE = 0;         // infer non-informative markers

  bool operator==(const GroupSettings&) const = default;
};

enum class SettingType { kText, kInt, kDouble, kFloat };

// What reading assigns before the file is read: a kept setting keeps the value it has.
enum class SettingDefault { kKept, kValue, kHomeFolder };

// The values a numeric setting may take, both ends included.
struct SettingRange {
  double low = 0.0;
  double high = 0.0;
};

// One line of the settings file. Exactly one of the pointers is set, the one of the
// setting's type (an int setting may be a process-wide variable instead of a field).
struct GroupSettingField {
  const char* key = nullptr;  // as written, ending in '='
  SettingType type = SettingType::kInt;
  SettingDefault defaultKind = SettingDefault::kKept;
  double defaultNumber = 0.0;    // of int, double and float settings
  const char* defaultText = "";  // of text settings
  // Of int, double and float settings: a number read outside it (an int's value toward
  // zero), or no number at all (nan, inf, 1e999), is not taken and reported in red.
  SettingRange range;
  std::string GroupSettings::*text = nullptr;
  int GroupSettings::*integer = nullptr;
  double GroupSettings::*real = nullptr;
  float GroupSettings::*single = nullptr;
  int* variable = nullptr;

  // Where an int setting is kept.
  int& IntIn(GroupSettings& settings) const {
    return integer != nullptr ? settings.*integer : *variable;
  }
  int IntIn(const GroupSettings& settings) const {
    return integer != nullptr ? settings.*integer : *variable;
  }
};

inline constexpr const char* kSettingNoNumberMessage =
    "  Line %d of %s: %s=%s is no finite number; the setting keeps its default";
inline constexpr const char* kSettingOutOfRangeMessage =
    "  Line %d of %s: %s=%s is outside %s to %s; the setting keeps its default";

// The 160 settings in file order.
std::span<const GroupSettingField> GroupSettingFields();

// The range of the int setting kept in member, for the places that change it themselves
// (the data view's size keys); the whole int range for a member no setting has.
SettingRange IntSettingRange(int GroupSettings::*member);

// Assigns every default (the home folder where that is the default); kept settings are
// left as they are.
void SetGroupSettingDefaults(GroupSettings& settings, std::string_view homeFolder);

// Fuzz entry: the settings file reader on the bytes (through a scratch file), into
// settings of its own that start from the defaults. Like every read of a settings file it
// sets the array-kind values the file holds (ArrayType, PmOnly).
bool FuzzReadSettingsFile(const std::uint8_t* data, std::size_t size);
