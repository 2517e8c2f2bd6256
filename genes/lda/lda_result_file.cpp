// Writing and reading the sample classification result file.
#include "genes/lda/lda_result_file.hpp"

#include <algorithm>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "genes/lda/lda_result.hpp"
#include "platform/line_reader.hpp"

namespace {

constexpr const char* kLdaTableHeader = "Sample\tLD1\tLD2\tClass\tPrediction\tProbability\t\n";
constexpr const char* kPcaTableHeader = "Sample\tPC1\tPC2\tClass\n";

// Shortest form with six significant digits.
std::string Number(float value) {
  return MessageBuffer("%g", static_cast<double>(value));
}

int Samples() {
  return std::min(SampleGrouping.SampleCount(), kMaxLdaSamples);
}

struct PredictionCount {
  int known = 0;
  int correct = 0;
};

PredictionCount CountPredictions() {
  const LDA_RESULT& lda = TheLdaResult();
  PredictionCount count;
  for (int s = 0; s < Samples(); ++s) {
    const int k = lda.ClassOf(s);
    const float* row = lda.ResultRow(s);
    if (k < 0 || row == nullptr) continue;
    ++count.known;
    if (row[2] == static_cast<float>(k + 1)) ++count.correct;
  }
  return count;
}

// The value of a line: the text after its first '=', the line cut at its first tab.
std::string_view LineValue(std::string_view line) {
  CutAtTab(line);
  return SkipPast(line, '=');
}

}  // namespace

std::string LdaResultFileText(bool full) {
  const GroupSettings& settings = TheGroup().Settings();
  const LDA_RESULT& lda = TheLdaResult();
  const int samples = Samples();
  std::string text = "ARRAY_LIST_FILE=" + settings.ARRAY_LIST_FILE + "\n";
  text += "GENE_LIST_FILE=" + settings.GENE_LIST_FILE + "\n\n";
  text += "NUM_GROUP=" + std::to_string(lda.classCount) + "\n";
  text += "CLASS_ID=";
  for (int s = 0; s < samples; ++s) text += std::to_string(lda.ClassOf(s) + 1) + " ";
  text += "\n";
  for (int k = 0; k < lda.classCount; ++k) {
    text += "CLASS" + std::to_string(k + 1) + "=";
    for (int s = 0; s < samples; ++s)
      if (lda.ClassOf(s) == k) text += std::to_string(s + 1) + ",";
    text += "\n";
  }
  text += "\n";
  if (!full) return text;

  text += lda.pca ? kPcaTableHeader : kLdaTableHeader;
  for (int s = 0; s < samples; ++s) {
    const float* row = lda.ResultRow(s);
    if (row == nullptr) break;
    const int k = lda.ClassOf(s);
    text += SampleGrouping.SampleName(s) + "\t" + Number(row[0]) + "\t" + Number(row[1]) + "\t";
    text += (k >= 0 ? std::to_string(k + 1) : std::string("unknown")) + "\t";
    if (!lda.pca) text += Number(row[2]) + "\t" + Number(row[3]) + "\t";
    text += "\n";
  }
  return text;
}

bool WriteLdaResultFile() {
  const std::string path = TheGroup().Settings().LDA_FILE;
  // No file named: the result stays in memory only, as it always did.
  if (IsUnsetPath(path)) return true;
  const bool pca = TheLdaResult().pca;
  LogMessage(MessageBuffer(kLdaFileWritingMessage, pca ? "PCA" : "LDA", path.c_str()));
  if (!ReplaceFileTextOrLog(path, MessageBuffer(kLdaFileWriteFailedMessage, path.c_str()),
                            LdaResultFileText(true)))
    return false;
  RegisterOutputFile(path, true);
  if (pca) {
    LogMessage("");
    return true;
  }
  const PredictionCount count = CountPredictions();
  if (count.known == 0) {
    LogMessage(kNoPredictionRateMessage);
  } else {
    LogMessage(MessageBuffer(kPredictionRateMessage,
                             static_cast<double>(count.correct) / count.known, count.correct,
                             count.known));
  }
  return true;
}

bool ReadLdaResult(bool quiet) {
  GroupSettings& settings = TheGroup().Settings();
  const std::string path = settings.LDA_FILE;
  if (IsUnsetPath(path)) return false;
  platform::LineReader reader;
  const bool opened = quiet ? reader.Open(path, kLdaFileLineLength)
                            : OpenLinesOrLog(reader, path, kLdaFileLineLength,
                                             MessageBuffer(kLdaFileMissingMessage, path.c_str()));
  if (!opened) return false;
  const auto next = [&reader](std::string_view& line) {
    const platform::LineStatus status = reader.Next(line);
    return status == platform::LineStatus::kWhole || status == platform::LineStatus::kCut;
  };
  const auto refuse = [&path](const char* why) {
    LogMessage(MessageBuffer(kLdaFileBadMessage, path.c_str(), why), 0, kLogRed);
    return false;
  };

  // The whole file is read and checked before anything is taken, so a bad file leaves
  // the array list, the gene list and the classes alone.
  std::string_view line;
  if (!next(line)) return refuse("it is empty");
  const std::string arrayList(LineValue(line));
  if (!next(line)) return refuse("it ends after the array list");
  const std::string geneList(LineValue(line));
  if (!next(line) || !next(line)) return refuse("it has no class count");
  std::string_view countText = LineValue(line);
  int classCount = 0;
  if (!ScanInt(countText, classCount) || classCount < 0 || classCount > kMaxLdaSamples)
    return refuse("the class count is out of range");
  if (!next(line)) return refuse("it has no class of the samples");
  std::vector<float> classes(kMaxLdaSamples, -1.0f);
  std::string_view numbers = LineValue(line);
  for (float& value : classes) {
    int number = 0;
    if (!ScanInt(numbers, number)) break;
    if (number < 0 || number > classCount) return refuse("a sample's class is not one of them");
    value = static_cast<float>(number - 1);
  }

  if (ArrayListFileChosen) {
    ArrayListFileChosen = false;
  } else {
    settings.ARRAY_LIST_FILE = arrayList;
    SampleGrouping.ReadArrayListFile(settings.ARRAY_LIST_FILE);
  }
  settings.GENE_LIST_FILE = geneList;
  // Slots beyond the samples of the (new) grouping are unclassified.
  std::fill(classes.begin() + Samples(), classes.end(), -1.0f);
  LDA_RESULT& lda = TheLdaResult();
  std::copy(classes.begin(), classes.end(), lda.classOf.begin());
  lda.classCount = classCount;
  LogMessage(MessageBuffer(kLdaFileFoundMessage, classCount, path.c_str()));
  return true;
}
