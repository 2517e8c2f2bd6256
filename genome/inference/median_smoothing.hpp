// Copy number by a running median of the raw copy number along each chromosome's marker
// list, the window mirrored at the ends.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

class GENOME_INFO;
class CHROMOSOME;

inline constexpr const char* kMedianSmoothingMessage =
    "  Inferring copy number by median smoothing with window size of %d SNPs...";
inline constexpr const char* kMedianSampleStartMessage = "    Sample 0";
inline constexpr const char* kMedianProgressMessage = "    Sample '%s', Chro %d";

// The median of the window of 2 half + 1 values centred on each place, the value of rank
// half. Places before the first are mirrored (-k reads k) and after the last about the
// last; a series shorter than half the window is mirrored back and forth until the place
// falls inside. values and out have the same size; nothing is written for half < 1.
void MedianSmooth(std::span<const float> values, int half, std::span<float> out);

// The raw copy number of a sample at a unit (missing included).
using CopyValueSource = std::function<float(int sample, int unit)>;

// Every sample's inferred row becomes the running median over windows of window / 2 * 2
// + 1 markers of each chromosome; nothing is done for a window below 2. The names label
// the progress lines.
void MedianSmoothSamples(CHROMOSOME& chro, const GENOME_INFO& genome, int window,
                         const CopyValueSource& value, const std::vector<std::string>& names);
