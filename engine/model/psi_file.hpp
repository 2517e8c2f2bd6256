// The probe sensitivity index (PSI) file of one chip type: every probe's fitted
// sensitivity phi, its standard error and its probe-outlier mark, kept as planes over the
// cell grid at each probe's perfect-match cell, and the present-call fraction of every
// probe set. Written after a model fit over a group of arrays; read back to keep phi fixed
// while only the array effects are fitted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class MODEL;

inline constexpr int kPsiFormat = 3;
inline constexpr int kPsiHeaderSize = 1080;
inline constexpr int kPsiChipTypeSize = 49;  // NUL-terminated, so 48 characters
inline constexpr int kPsiMaxChipTypeLength = kPsiChipTypeSize - 1;
inline constexpr int kPsiFormatOffset = 49;
inline constexpr int kPsiWidthOffset = 52;
inline constexpr int kPsiUnitCountOffset = 56;
inline constexpr int kPsiMethodOffset = 60;
inline constexpr int kPsiReservedSize = 1000;
inline constexpr int kPsiPointerSlotsSize = 16;

// printf forms with the path (and the chip types, and the method's name).
inline constexpr const char* kPsiWriteFailedMessage =
    "  Writing probe sensitivity index file in %s failed\n";
inline constexpr const char* kPsiWritingMessage =
    "  Writing probe sensitivity index file in %s...\n";
inline constexpr const char* kPsiReadFailedMessage =
    "    Reading probe sensitivity index file %s failed\n";
inline constexpr const char* kPsiReadingMessage = "  Reading probe sensitivity index file %s...";
inline constexpr const char* kPsiChipTypeMismatchMessage =
    "    Chip type of PSI file (%s) does not match CDF file (%s)\n";
inline constexpr const char* kPsiOldFormatMessage =
    "    Probe sensitivity index file format is created by an older Zelko version; cannot be "
    "used\n";
inline constexpr const char* kPsiDimensionMismatchMessage =
    "    CellDim or NumUnit does not agree with CDF file\n";
inline constexpr const char* kPsiUnknownMethodMessage =
    "    PSI method cannot be recognized by this version of Zelko";
inline constexpr const char* kPsiMethodMessage = "    PSI was obatined by the %s\n";
// Our own: the file ends early; the chip type does not fit the header; nothing to write.
inline constexpr const char* kPsiTruncatedMessage =
    "    Probe sensitivity index file %s ends after %zu of its %llu bytes";
inline constexpr const char* kPsiChipTypeTooLongMessage =
    "  Chip type %s is longer than the 48 characters a probe sensitivity index file holds";
inline constexpr const char* kPsiNoPlanesMessage =
    "  Writing probe sensitivity index file in %s failed: no probe sensitivities are held";
inline constexpr const char* kPsiAllocationMessage =
    "  Allocating the probe sensitivity index tables failed";

class PSI_FILE {
 public:
  // Header fields.
  std::string chipType;
  std::uint8_t format = kPsiFormat;
  std::int32_t width = 0;      // cells per side of the chip layout
  std::int32_t unitCount = 0;  // probe sets of the chip layout
  std::int32_t method = 0;     // MODEL_METHOD of the fit that gave the values

  // Sizes the four planes for the chip layout's dimension and probe sets (all zero).
  // False with a red line when memory runs out.
  [[nodiscard]] bool AllocPsiPlanes();
  void FreePsiPlanes();
  bool HasPlanes() const { return !mPhi.empty(); }

  // Writes the header (chip type of the layout, MODEL_METHOD of the group) and the planes.
  [[nodiscard]] bool WritePsiFile(const std::string& path);
  // Reads a file written for the loaded chip layout; its method becomes MODEL_METHOD.
  [[nodiscard]] bool ReadPsiFile(const std::string& path);

  // Copies the model's phi, standard error of phi and probe-outlier mark of each probe of
  // the unit to the probe's perfect-match cell (with the full model the second half of the
  // probes to the mismatch cells).
  void StorePsi(int unit, const MODEL& model);
  // The reverse copy into the model; false when no planes are held or the unit's cells are
  // not known.
  [[nodiscard]] bool LoadPsi(int unit, MODEL& model) const;

  void SetPresentFraction(int unit, float fraction);
  float PresentFraction(int unit) const;
  // The planes at one cell (x * width + y).
  float PhiAt(std::size_t cell) const { return mPhi[cell]; }
  float StdErrAt(std::size_t cell) const { return mStdErr[cell]; }
  std::uint8_t OutlierAt(std::size_t cell) const { return mOutlier[cell]; }

 private:
  std::vector<float> mPhi;
  std::vector<float> mStdErr;
  std::vector<std::uint8_t> mOutlier;
  std::vector<float> mPresent;
};

// The probe sensitivity index of the process.
extern PSI_FILE Psi;

// Fuzz entry: ReadPsiFile on the bytes (through a scratch file) into an object of its own,
// for the loaded layout and the started group.
bool FuzzReadPsiFile(const std::uint8_t* data, std::size_t size);
