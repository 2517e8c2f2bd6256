// The header of a QVF file, the program's own binary file of one array: its first 3028
// bytes, which are also the first fields of the array's data in memory.
#pragma once

#include <cstdint>
#include <string>

inline constexpr int kQvfFormat = 3;
inline constexpr int kQvfHeaderSize = 3028;
inline constexpr int kQvfTextFieldSize = 1000;  // headerText, dataPath, baselinePath

// Byte offsets of the QVF header fields.
inline constexpr int kQvfFormatOffset = 1000;
inline constexpr int kQvfNormalisedOffset = 1001;
inline constexpr int kQvfValuesPresentOffset = 1002;
inline constexpr int kQvfMedianOffset = 1004;
inline constexpr int kQvfReservedOffset = 1008;
inline constexpr int kQvfDimensionOffset = 1012;
inline constexpr int kQvfDataPathOffset = 1016;
inline constexpr int kQvfBaselinePathOffset = 2016;
inline constexpr int kQvfArrayOutlierOffset = 3016;
inline constexpr int kQvfSingleOutlierOffset = 3020;
inline constexpr int kQvfCallPercentOffset = 3024;

// Texts hold at most 999 characters when written.
struct QvfHeader {
  std::string headerText;
  std::uint8_t format = kQvfFormat;
  std::uint8_t normalised = 0;     // plane2 holds normalised intensities
  std::uint8_t valuesPresent = 0;  // the triples hold values from a result text file
  std::int32_t medianIntensity = 0;
  std::int32_t dimension = 0;
  std::string dataPath;
  std::string baselinePath;
  float arrayOutlierPercent = 0.0f;
  float singleOutlierPercent = 0.0f;
  float callPercent = 0.0f;
};
