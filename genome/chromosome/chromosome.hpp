// The open group's data laid out along the genome: per sample and unit a call, a paired
// LOH code, a signal and an inferred value, per unit its reference statistics, and the
// per-data-type thresholds that decide what is significant. Each gathering allocates only
// the tables its method uses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/base/missing_value.hpp"

struct CopyNumberRun;

inline constexpr int kChroDataTypeCount = 6;
// Per-sample and per-array tables hold this many; a longer array list is refused.
inline constexpr int kMaxChroSamples = 1000;
inline constexpr int kMaxSampleGroups = 60;
inline constexpr int kMaxChroRegions = 2000;
inline constexpr int kGenesPerRegion = 10;

inline constexpr const char* kChroAllocationMessage =
    "  Allocation failed in CHROMOSOME::GetData()";
inline constexpr const char* kObtainingCallsMessage = "  Obtaining SNP or LOH calls...";
inline constexpr const char* kUnitProgressMessage = "    Unit %d";
inline constexpr const char* kLohCallingErrorMessage = "    Error: LOH calling error";
inline constexpr int kCallProgressStep = 400;
inline constexpr int kSignalProgressStep = 500;
inline constexpr const char* kRegionLimitMessage =
    "    More than 2000 significant regions; only the first 2000 are kept";
inline constexpr const char* kFoundRegionsMessage = "    Found %d significant regions";

enum ChroMethod {
  kChroLoh = 0,
  kChroCopyNumber = 1,
  kChroLinkage = 2,
  kChroExpression = 3,
  kChroAlleleSharing = 4
};
enum ChroDataType {
  kDataCall = 0,
  kDataLohCall = 1,
  kDataCopyNumber = 2,
  kDataLog2Ratio = 3,
  kDataHaplotype = 4,
  kDataAlleleSharing = 5
};
enum LohCall {
  kLohLoss = 0,
  kLohRetention = 1,
  kLohNoninformative = 2,
  kLohNoCall = 3,
  kLohConflict = 4
};

inline constexpr std::array<std::string_view, 5> kChroMethodNames = {
    "LOH", "Copy number", "Linkage analysis", "Expression", "Allele sharing"};
inline constexpr std::array<std::string_view, kChroDataTypeCount> kChroDataTypeNames = {
    "SNP/Presence call", "LOH call", "Copy number", "Log2 ratio", "Haplotype", "Allele sharing"};
inline constexpr std::array<std::string_view, 3> kLohMethodNames = {
    "Same boundary at pairs", "Hidden Markov Model", "HMM considering haplotype"};
inline constexpr std::array<std::string_view, 3> kCopyNumberMethodNames = {
    "Hidden Markov Model", "Median smoothing", "Read from file"};
inline constexpr std::array<std::string_view, 5> kLohCallNames = {
    "Loss", "Retention", "Noninformative", "No Call", "Conflict"};

// The data type each method shows after gathering.
inline constexpr std::array<int, 5> kMethodDataType = {kDataLohCall, kDataCopyNumber, kDataCall,
                                                       kDataCopyNumber, kDataAlleleSharing};
// DISPLAY_RANGE chosen with each data type.
inline constexpr std::array<double, kChroDataTypeCount> kDataTypeDisplayRange = {2, 2, 5, 2, 2, 2};
// Min, Threshold and Max by defaults index.
inline constexpr std::array<std::array<float, 3>, kChroDataTypeCount> kThresholdDefaults = {
    {{-2, 0, 2}, {0, 0.25f, 0.5f}, {0, 2, 4}, {-2, 0, 2}, {-2, 2, 3}, {0, 1, 2}}};
inline constexpr std::array<float, 13> CopyLevels = {2, 3, 4, 5, 6, 8, 10, 12, 15, 18, 21, 25, 30};

// Whether the method offers the data type.
bool MethodOffersDataType(int method, int dataType);
// Which row of kThresholdDefaults a data type takes under a method.
int DefaultsIndex(int method, int dataType);

// A samples x units table in one block.
template <typename T>
class SampleMatrix {
 public:
  bool Allocate(int samples, int units, T initial);
  void Free();
  bool Empty() const { return mCells.empty(); }
  T* Row(int sample) { return mCells.data() + static_cast<std::size_t>(sample) * mUnits; }
  const T* Row(int sample) const {
    return mCells.data() + static_cast<std::size_t>(sample) * mUnits;
  }
  static std::size_t Bytes(int samples, int units) {
    return static_cast<std::size_t>(samples) * static_cast<std::size_t>(units) * sizeof(T);
  }

 private:
  std::vector<T> mCells;
  std::size_t mUnits = 0;
};

struct MarkerStats {
  float mean = 0, sd = 0;    // normal signal
  float meanA = 0, sdA = 0;  // parent-specific
  float meanB = 0, sdB = 0;
  std::array<float, kChroDataTypeCount> summary{};  // per data type; missing when unset
};

struct ChroRegion {
  std::int16_t chro = 0;
  int first = 0;  // positions in the chromosome's marker list
  int last = 0;
};

// What one gathering holds, decided by the array kind and the method.
struct ChroTables {
  bool lohCodes = false;      // SNP arrays
  bool inferred = false;      // methods that infer values per cell
  bool signal = false;        // methods that read signals
  bool secondSignal = false;  // parent-specific copy number
};
ChroTables TablesFor(int method, bool snpArray, bool parentSpecific);

// The LOH code of a pair from the normal's and the tumour's genotype calls (0 A, 1 B,
// 2 AB, 3 NoCall).
int PairedLohCode(int normal, int tumour);

struct LohRun;

// The genotype call of a sample at a unit.
using SampleCallSource = std::function<int(int unit, int sample)>;

class CHROMOSOME {
 public:
  SampleMatrix<std::uint8_t> calls;
  SampleMatrix<float> lohCodes;
  SampleMatrix<float> inferred;
  SampleMatrix<float> signal;
  SampleMatrix<float> secondSignal;
  // Linkage haplotypes per sample and unit: {phased code, first founder allele, second
  // founder allele, flag}; empty until a linkage run fills it.
  SampleMatrix<std::array<std::uint8_t, 4>> haplotypes;
  std::vector<MarkerStats> markerStats;
  int sampleCount = 0;
  int unitCount = 0;
  // Whether the gathered tables hold the unit. The genome information is read apart from
  // the gathering, so a unit it places is checked here before it indexes a table.
  bool HoldsUnit(int unit) const {
    return unit >= 0 && unit < unitCount && static_cast<std::size_t>(unit) < markerStats.size();
  }
  // A held unit's summary of a data type; missing for any other unit or type.
  float Summary(int unit, int type) const;

  int permuteRounds = 0;
  // Per sample group, sized by the group count (one group per array is common).
  std::vector<int> groupShift;
  std::array<bool, kChroDataTypeCount> computed{};
  int regionCount = 0;
  std::vector<ChroRegion> regions;
  int regionNumber = 0;
  std::array<float, kMaxChroSamples> abnormalPrior{};
  std::array<float, kMaxChroSamples> ploidy{};
  std::array<char, kMaxChroSamples> gender{};
  std::array<float, kChroDataTypeCount> Threshold{};
  std::array<float, kChroDataTypeCount> Min{};
  std::array<float, kChroDataTypeCount> Max{};
  int method = kChroLoh;
  int dataType = kDataCall;
  int useMinMax = 0;
  int currentSample = 0;
  int genesPerRegion = kGenesPerRegion;
  bool log2Data = false;
  int refSampleCount = 0;
  int copyBase = 1;
  int copySteps = 0;
  // Copy number (genome/inference/copy_number.cpp): the step of the copy-state layout; the layout
  // for a step, false with the refusal in red for a step that is not above 0.
  float copyStep = 1.0f;
  bool SetCopyLayout(bool parentSpecific, float step);
  float CopyLevel(int state) const;
  int CopyState(float copies) const;
  // States of the total-copy model, and parental states of the parent-specific one.
  int CopyStateCount() const;
  int ParentalStateCount() const;
  void DecodeParentCopies(float cell, float* a, float* b) const;
  // One sample's copy number by the hidden Markov model into inferred; false when the
  // model cannot be made or the user stopped.
  bool InferCopyNumber(int sample);
  bool InferCopyNumber(int sample, const CopyNumberRun& run);
  std::array<float, 3> affectedGivenState = {1.0f, 0, 0};
  int usePosterior = 1;
  bool InferEnu();  // ENU cross mapping into summary[0] (genome/inference/enu_mapping.*)

  // The curve of the LOH-call or allele-sharing type into the summary or, with permute,
  // only the extremes of one curve with every group shifted by a random offset.
  bool ComputeCurve(bool permute, float* minOut, float* maxOut);
  // The current type's Min and Max from the quantiles of permuted curves' extremes.
  bool PermuteCurve();
  // The current type's Min and Max from the curve itself, the threshold halfway.
  void SetRangeFromCurve();
  // The expected number of alleles shared by related pairs at every marker, into the
  // inferred values and the allele-sharing curve; false when it could not run or stopped.
  bool InferAlleleSharing();

  CHROMOSOME();

  // Frees the tables of the last gathering and allocates those of the next, every cell
  // of inferred starting missing; false with the allocation message in red when the
  // samples are beyond the tables or memory runs out.
  bool Allocate(int samples, int units, const ChroTables& tables);
  void Clear();
  // Copies every sample's call and gives each sample group its LOH codes: a group of one
  // sample has no call, a larger one the code of its first (normal) and second (tumour)
  // samples. The groups are consecutive samples of the given sizes. False, with the
  // error in red, on a normal call that is no genotype.
  bool GetCalls(std::span<const int> groupSizes, const SampleCallSource& callOf);
  // Everything the current method shows, gathered from the open group: false, with the
  // reason in red, when a table cannot be made, the units cannot be placed, the signals
  // are missing or an inference fails or is stopped.
  bool GetData();
  // GetCalls over the sample grouping, a sample's call being its first array's.
  bool GetCalls();
  // Each array's ploidy and gender from the sample information.
  void GetSampleColumns();
  // Every sample's signal, and per unit the normal arrays' mean and deviation (per allele
  // too with parent-specific copy number); false when the group has no values or, on SNP
  // arrays, no normal array.
  bool GetSignals();
  // Bytes the tables of a gathering hold.
  static std::size_t HeldBytes(int samples, int units, const ChroTables& tables);

  // Switches the view keeps for the run, never saved: the copy-number type shows the
  // inferred copy number, and small log2 ratios are cut at -4.
  bool displayInferred = true;
  bool truncateLog2 = false;
  // The region IsInSignificantRegion looks at first (the view's current region).
  int currentRegion = 0;
  // The direction NextDataType took last when asked to alternate.
  int lastDirection = -1;

  // The value of the copy-number or log2-ratio type at one cell: inferred or 2v/r copy
  // number, or log2(v/r); missing for other types. r is the unit's normal mean, or the
  // sample's paired normal (doubled for a male on X) when paired normals are used.
  float GetValue(int sample, int unit) const;
  // Fills in the unset limits of the current data type, its per-unit summary and the
  // significant regions.
  bool PrepareDataType();
  // Steps the data type among those the method offers: 0 keeps an offered type, 1 goes
  // forward, -1 alternates the direction.
  void NextDataType(int direction);
  // Moves the threshold by percent of (Max - Min), within [Min, Max].
  void StepThreshold(int percent);
  // Whether a unit's summary (or value, for unit -1) passes the current data type's
  // threshold, or with useMinMax lies at or beyond Min or Max.
  bool IsSignificant(int unit, float value) const;
  // Maximal runs of significant markers along each chromosome, at most kMaxChroRegions.
  bool FindSignificantRegions(bool report);
  bool IsInSignificantRegion(int chro, float position) const;

  // What the view shows in which order. SetCurrentChromosome makes (chromosome + delta)
  // current, wrapping round, chromosome -1 being the current one. The display order is
  // every chromosome's marker list in turn with VIEW_ALL_CHROMOSOME, else the current
  // chromosome's; -1 for an index or unit outside it.
  void SetCurrentChromosome(int chro, int delta);
  int UnitAtDisplayIndex(int index) const;
  int DisplayIndexOfUnit(int unit) const;
  // The current sample's calls over list positions first..last of a chromosome.
  std::string CallCountText(int chro, int first, int last) const;
  static std::string FormatMb(float position);

  // An inferred LOH probability x (0..1) as a LOH call: loss above the call threshold,
  // retention below one minus it, otherwise (and outside 0..1) no call.
  static int ClassifyInferredLoh(float x, float callThreshold);

  // Loss-of-heterozygosity inference (genome/inference/loh_inference.*). InferLoh is the whole
  // step: the method's fallback without reference genotypes, the fill, the rates, the models and
  // the haplotype check. False, with "not completed" in red, when a setting is refused, the
  // model cannot be made or the user stops: the gathering then fails rather than show
  // half-inferred rows.
  bool InferLoh(LohRun& run);
  void FillSameBoundary(const LohRun& run);
  void EstimateLohRates(const LohRun& run);
  bool InferLohCall(const LohRun& run);
  bool CheckHaplotypes(const LohRun& run);
};

extern CHROMOSOME chromosome;

// Whether the unit lies on the X chromosome of the genome information.
bool UnitOnX(int unit);
