// One array's data: its cell intensities (raw and normalised), one call and one value
// triple per probe set, and the header fields its QVF file carries. One working object
// serves every reader of array files; a second one holds the baseline array while the
// group is normalised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/array/qvf_header.hpp"
#include "engine/base/value_triple.hpp"
#include "platform/byte_buffer.hpp"

class CellKinds;

// Bytes a QVF file takes per cell (two 16-bit planes) and per probe set (a call byte and
// a value triple of three 4-byte fields).
inline constexpr int kQvfBytesPerCell = 4;
inline constexpr int kQvfBytesPerUnit = 13;
// The red line of a QVF file that cannot be written, before the system's reason.
inline constexpr const char* kQvfWriteFailedMessage = "    Writing file '%s' failed";

// The size of the QVF file of an array with this many cells per side and probe sets.
std::uint64_t QvfFileSize(int dimension, int unitCount);

// dataPath with its extension replaced by "qvf"; in the working folder with QVF_IN_WORKING
// set.
std::string QvfPathFor(std::string_view dataPath);

// The red line of a QVF file that could not be written.
inline constexpr const char* kQvfValuesNotStoredMessage = "    Writing file '%s' failed";

// Stores one array's model results in its existing QVF file: the value triples (one per
// probe set of the loaded layout), the array-outlier and single-outlier fractions, and the
// mark that values are present. The file's planes and calls are left untouched on disk,
// and the bytes are those that reading the file and writing it whole would give.
enum class QvfStore {
  kStored,
  kNoFile,  // no QVF file of the loaded layout: nothing written, the caller writes it whole
  kFailed,  // the write failed, with a red line
};
QvfStore StoreQvfValues(const std::string& dataPath, std::span<const VALUE_TRIPLE> triples,
                        float arrayOutlierFraction, float singleOutlierFraction);

// The group's probe-level flag: up while a command that needs every array's cell
// intensities runs (and while ReadArray loads a chip description for its own use).
extern bool ProbeLevelFlag;

class InvariantBaseline;

// The header fields come first, as in the QVF file, so that a header read from a file
// is taken whole.
class CHIP_DATA : public QvfHeader {
 public:
  // dimension x dimension cells each, index x * dimension + y. plane1: the raw
  // intensities; plane2: the standard error of each cell's mean until NormalizeCel
  // replaces it with the normalised intensities. Empty when probe data are not held.
  std::vector<std::uint16_t> plane1;
  std::vector<std::uint16_t> plane2;
  // One per probe set of the loaded layout.
  std::vector<char> calls;
  std::vector<VALUE_TRIPLE> triples;

  bool HasPlanes() const { return !plane1.empty(); }
  std::size_t CellIndex(int x, int y) const {
    return static_cast<std::size_t>(x) * static_cast<std::size_t>(dimension) +
           static_cast<std::size_t>(y);
  }
  // Sizes both planes for `size` cells per side, all cells 0.
  void AllocatePlanes(int size) {
    dimension = size;
    const auto cells = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
    plane1.assign(cells, 0);
    plane2.assign(cells, 0);
  }
  // One call (0) and one empty triple per probe set of the loaded layout.
  void AllocateUnitTables();

  // Cell intensity files. Both fill plane1 and plane2 for the loaded layout's dimension
  // (rotated when RotatedLayout is set).
  [[nodiscard]] bool ReadTextCel(const char* path);
  [[nodiscard]] bool ReadBinaryCel(const char* path);

  // The array as a whole: from its QVF file when there is one (unless ignoreExisting),
  // else from its DAT or CEL file, then its median, calls and values, then the QVF file
  // is written. The data file's header text is the one given, else the one the process's
  // header reader recorded last.
  [[nodiscard]] bool ReadArray(const char* path, bool ignoreExisting, bool logAccess,
                               const std::string* dataHeaderText = nullptr);
  // dataPath with its extension replaced by "qvf"; in the working folder with
  // QVF_IN_WORKING set.
  std::string QvfPath() const;
  // Writes the QVF file whole; false with a red line naming the file and the system's
  // reason, which also goes to *error when error is given (0 for a refusal of its own).
  [[nodiscard]] bool WriteQvf(int* error = nullptr);
  // Reads a QVF file written for the loaded chip layout; a file of another format
  // version, dimension or size is refused with a red line. Only what is needed is read:
  // with headerOnly the header, without probe-level data the calls and triples after
  // it. A file that is refused or cannot be read leaves the object as it was.
  [[nodiscard]] bool ReadExisting(const char* qvfPath, bool headerOnly, bool logAccess);
  // The genotype-call text file beside the data file (SNP arrays); false with a red line
  // when it is missing or unusable.
  [[nodiscard]] bool ReadGenotypeCallFile(const char* path);
  // Calls (and with QEX5_SIGNAL values) from the result text file beside the data file
  // (expression arrays); when it is missing or unusable the calls are computed from the
  // intensities. True when the calls came from the file.
  bool ReadResultTextFile(const char* path);

  // Normalisation against a baseline array. The q-quantile of the intensities of every
  // 9th cell that belongs to a probe set (plane2 when normalised, else plane1);
  // MISSING_VALUE when there is none.
  double GetQuantile(double q, bool fromNormalised) const;
  // The median of plane 1, truncated: medianIntensity holds the mapped median once the
  // array is normalised. The stored median when plane 1 gives none.
  std::int32_t RawMedian() const;
  // Fit the global normaliser's curve from matched quantiles, or from the invariant set,
  // of this array's and the baseline's raw intensities. The invariant set takes the
  // baseline's ranking from prepared when that was prepared for this baseline, else
  // ranks the baseline itself.
  [[nodiscard]] bool GetNormalizeQuantiles(const CHIP_DATA* baseline);
  [[nodiscard]] bool FilterDat(const CHIP_DATA* baseline,
                               const InvariantBaseline* prepared = nullptr);
  // Maps plane1 through the curve into plane2 and marks the array normalised against the
  // baseline. force renormalises an array already normalised against it; keepCurve
  // leaves the curve for the normalisation plot; save writes the QVF file; prepared as
  // for FilterDat.
  [[nodiscard]] bool NormalizeCel(const CHIP_DATA* baseline, bool force, bool keepCurve, bool save,
                                  const InvariantBaseline* prepared = nullptr);

  // Presence calls from the raw intensities of perfect-match and mismatch cells.
  void ComputePresenceCalls();
  // Rescales plane1 to the new median and writes the QVF file.
  [[nodiscard]] bool ScaleIntensities(int newMedian);

 private:
  // GetQuantile with the layout's cell kinds given.
  double QuantileOf(const CellKinds& kinds, double q, bool fromNormalised) const;
  // Background, noise and difference threshold of the presence calls.
  int mPresenceBackground = 0;
  double mPresenceNoise = 1.0;
  double mPresenceThreshold = 4.0;
  float mPresenceNoiseLog = 0.0f;  // log10 of the noise, for the mean log ratio's bound
  // The call of one probe set from the raw perfect-match and mismatch intensity of each
  // of its pairs on the array in turn, with the background and noise set above.
  char PresenceCall(const std::uint16_t* sides, int pairs);
  // A block of probe sets' pairs gathered from plane1 for their calls: their raw
  // intensities.
  std::vector<std::uint16_t> mPairSides;
  // Per-pair scratch of PresenceCall, kept so that no probe set allocates: each pair's
  // difference and its two sides over the background, the noise where they are below it,
  // and the differences once more for the outlier bounds to reorder.
  std::vector<double> mPairDifferences;
  std::vector<double> mPairBoundDifferences;
  std::vector<double> mPairPerfect;
  std::vector<double> mPairMismatch;
  // The bytes ReadExisting reads pass through here, kept for the object's next file: a
  // group's arrays then land in memory that is mapped already.
  platform::ByteBuffer mReadBytes;
};

// The working object every array reader fills.
extern CHIP_DATA ChipData;

// Fuzz entries: the QVF reader (for the loaded layout, probe data read), and the result
// and genotype-call text readers on a text file beside a data file.
bool FuzzReadExisting(const std::uint8_t* data, std::size_t size);
bool FuzzReadResultTextFile(const std::uint8_t* data, std::size_t size);
bool FuzzReadGenotypeCallFile(const std::uint8_t* data, std::size_t size);
