// One probe set's result on one array, and the call codes kept beside it (one call byte
// per probe set and array).
#pragma once

#include <array>
#include <string_view>

struct VALUE_TRIPLE {
  float value = 0.0f;
  float stdErr = 0.0f;
  // kArrayOutlierWord when the whole array is an outlier for the probe set, else one bit
  // per single-outlier probe.
  int outlier = 0;
};

inline constexpr int kArrayOutlierWord = -1;

// Calls of expression arrays.
inline constexpr char kCallPresent = 'P';
inline constexpr char kCallAbsent = 'A';
inline constexpr char kCallMarginal = 'M';

// Calls of SNP arrays, stored as these small numbers rather than letters.
enum SnpCall : char {
  kSnpCallA = 0,
  kSnpCallB = 1,
  kSnpCallAB = 2,
  kSnpCallNoCall = 3,
  kSnpCallAB_A = 4,
  kSnpCallAB_B = 5,
};
// The names of the SNP calls, by code, as files and the log show them.
inline constexpr std::array<std::string_view, 6> kSnpCallNames = {"A",      "B",    "AB",
                                                                  "NoCall", "AB_A", "AB_B"};
