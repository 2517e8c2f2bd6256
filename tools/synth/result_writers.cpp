// Writing result and genotype-call text files; each file is built in memory and written
// whole.
#include "tools/synth/result_writers.hpp"

#include <cstdio>
#include <span>
#include <string_view>

#include "platform/byte_writer.hpp"
#include "platform/scratch_file.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::string_view HeaderOf(ResultColumns columns) {
  switch (columns) {
    case ResultColumns::kSignalDetection:
      return "Probe Set Name\tSignal\tDetection\tDetection p-value";
    case ResultColumns::kAvgDiffAbsCall:
      return "Probe Set Name\tPositive\tNegative\tAvg Diff\tAbs Call";
    case ResultColumns::kDetectionBeforeSignal:
      return "Probe Set Name\tDetection\tSignal";
    case ResultColumns::kCallsOnly:
      return "Probe Set Name\tDetection";
  }
  return {};
}

std::string ResultLine(std::string_view name, char call, double signal, ResultColumns columns) {
  std::string line(name);
  const std::string value = Number(signal);
  switch (columns) {
    case ResultColumns::kSignalDetection:
      line += "\t" + value + "\t" + call + "\t" + (call == 'P' ? "0.001" : "0.500");
      break;
    case ResultColumns::kAvgDiffAbsCall:
      line += std::string("\t12\t3\t") + value + "\t" + call;
      break;
    case ResultColumns::kDetectionBeforeSignal:
      line += std::string("\t") + call + "\t" + value;
      break;
    case ResultColumns::kCallsOnly:
      line += std::string("\t") + call;
      break;
  }
  return line + "\n";
}

// Alleles of a call on arrays of kind 1; a no call carries neither allele.
std::string_view AllelesOf(char call) {
  switch (call) {
    case 0:
      return "A A";
    case 1:
      return "B B";
    case 2:
      return "A B";
    default:
      return "No Call";
  }
}

std::string_view CodeOf(char call) {
  switch (call) {
    case 0:
      return "0";
    case 1:
      return "2";
    case 2:
      return "1";
    default:
      return "-1";
  }
}

}  // namespace

std::string_view GenotypeCallWord(int call) {
  switch (call) {
    case 0:
      return "AA";
    case 1:
      return "BB";
    case 2:
      return "AB";
    default:
      return "NoCall";
  }
}

bool WriteResultText(const ChipTruth& chip, const std::vector<char>& calls,
                     const std::vector<double>& signals, const std::string& path,
                     ResultColumns columns) {
  std::string text = "Analysis Name:\tsynthetic\nChip Type:\t" + chip.chipType + "\n\n";
  text += HeaderOf(columns);
  text += "\n";
  for (std::size_t u = 0; u < chip.units.size() && u < calls.size(); ++u) {
    if (calls[u] == '\0') continue;
    text +=
        ResultLine(chip.units[u].name, calls[u], u < signals.size() ? signals[u] : 0.0, columns);
  }
  return WriteText(path, text);
}

void ResultsOf(const ArrayGroupTruth& group, int array, std::vector<char>& calls,
               std::vector<double>& signals) {
  const SynthesisedArray& chosen = group.arrays[static_cast<std::size_t>(array)];
  calls = group.present;
  signals.resize(group.expression.size());
  for (std::size_t u = 0; u < signals.size(); ++u)
    signals[u] = group.expression[u] * chosen.fold[u];
}

bool WriteGenotypeCalls(const ChipTruth& chip, const std::vector<char>& calls,
                        const std::string& path, GenotypeForm form) {
  std::string text = "#Synthetic genotype calls\n#Chip type " + chip.chipType + "\n";
  switch (form) {
    case GenotypeForm::kAllelePairs:
      text += "Experiment\tLabel\tCall\tCall\n";
      break;
    case GenotypeForm::kCallWords:
      text += "SNP ID\tCall\tConfidence\n";
      break;
    case GenotypeForm::kCallCodes:
      text += "ID_REF\tVALUE\n";
      break;
  }
  for (std::size_t u = 0; u < chip.units.size() && u < calls.size(); ++u) {
    const std::string& name = chip.units[u].name;
    switch (form) {
      case GenotypeForm::kAllelePairs:
        text += "synthetic\t" + name + " " + std::string(AllelesOf(calls[u])) + "\n";
        break;
      case GenotypeForm::kCallWords:
        text += name + "\t" + std::string(GenotypeCallWord(calls[u])) + "\t0.01\n";
        break;
      case GenotypeForm::kCallCodes:
        text += name + "\t" + std::string(CodeOf(calls[u])) + "\n";
        break;
    }
  }
  return WriteText(path, text);
}

}  // namespace synth
