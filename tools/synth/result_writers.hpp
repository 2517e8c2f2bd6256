// The array maker's text files that sit beside an array's data file: the analysis-result
// file of expression arrays (one call and signal per probe set) and the genotype-call
// file of SNP arrays, written from known calls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/synth/array_group.hpp"
#include "tools/synth/chip_model.hpp"

namespace synth {

enum class ResultColumns {
  kSignalDetection,        // name, signal, detection call, detection p-value
  kAvgDiffAbsCall,         // the older columns: average difference and absolute call
  kDetectionBeforeSignal,  // the call column left of the signal: refused by the reader
  kCallsOnly,              // no signal column: calls without values
};

// One line per probe set whose call is not '\0', in the order of the chip; signals are
// written with two decimals. A few lines of preamble come before the header.
[[nodiscard]] bool WriteResultText(const ChipTruth& chip, const std::vector<char>& calls,
                                   const std::vector<double>& signals, const std::string& path,
                                   ResultColumns columns = ResultColumns::kSignalDetection);

// The calls and signals the array maker's software would report for one array of the
// group: present probe sets 'P' with their changed expression, the others 'A'.
void ResultsOf(const ArrayGroupTruth& group, int array, std::vector<char>& calls,
               std::vector<double>& signals);

enum class GenotypeForm {
  kAllelePairs,  // SNP arrays of kind 1: "label<TAB>name first second" under an experiment header
  kCallWords,    // "SNP ID" and "Call" columns holding AA, AB, BB, NoCall
  kCallCodes,    // "ID_REF" and "VALUE" columns holding 0 (AA), 1 (AB), 2 (BB), -1
};

// The word a genotype call file gives a call: 0 AA, 1 BB, 2 AB, anything else NoCall.
std::string_view GenotypeCallWord(int call);

// One line per probe set; calls are 0 A, 1 B, 2 AB, 3 no call.
[[nodiscard]] bool WriteGenotypeCalls(const ChipTruth& chip, const std::vector<char>& calls,
                                      const std::string& path, GenotypeForm form);

}  // namespace synth
