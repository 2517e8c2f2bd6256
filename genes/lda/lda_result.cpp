// The one sample classification result, its class colours and the class editing.
#include "genes/lda/lda_result.hpp"

#include <algorithm>
#include <cmath>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/path.hpp"

namespace {

constexpr std::array<COLORREF, 4> kFixedClassColours = {0xFF0000, 0x0000FF, 0x00FF00, 0xFFFF00};

constexpr const char* kClassCountBadMessage =
    "  Error: %d classes cannot be told apart in %d samples";
constexpr const char* kSampleClassBadMessage =
    "  Error: sample %d has class %g, which is not one of the %d classes";

int SampleLimit() {
  return std::min(SampleGrouping.SampleCount(), kMaxLdaSamples);
}

}  // namespace

COLORREF LdaClassColour(int classIndex) {
  classIndex = std::max(classIndex, 0);
  if (classIndex < static_cast<int>(kFixedClassColours.size()))
    return kFixedClassColours[static_cast<std::size_t>(classIndex)];
  // The generated sequence goes on past the table's six, so every class has a colour.
  const int n = classIndex - static_cast<int>(kFixedClassColours.size());
  return RGB((68 + 17 * n) % 205 + 50, (132 + 33 * n) % 205 + 50, (284 + 71 * n) % 205 + 50);
}

LDA_RESULT::LDA_RESULT() {
  classOf.fill(-1.0f);
  for (int k = 0; k < kLdaClassColours; ++k)
    colours[static_cast<std::size_t>(k)] = LdaClassColour(k);
}

int LDA_RESULT::ClassOf(int sample) const {
  if (sample < 0 || sample >= kMaxLdaSamples) return -1;
  const float value = classOf[static_cast<std::size_t>(sample)];
  return value >= 0.0f ? static_cast<int>(value) : -1;
}

const float* LDA_RESULT::ResultRow(int sample) const {
  if (sample < 0 || sample >= resultRows ||
      result.size() < static_cast<std::size_t>(resultRows) * kLdaResultColumns)
    return nullptr;
  return result.data() + static_cast<std::size_t>(sample) * kLdaResultColumns;
}

void LDA_RESULT::FreeMatrices() {
  data = {};
  result = {};
  resultRows = 0;
  geneCount = 0;
  geneUnits = {};
}

LDA_RESULT& TheLdaResult() {
  static LDA_RESULT result;
  return result;
}

void InitLdaResult() {
  LDA_RESULT& lda = TheLdaResult();
  lda.classOf.fill(-1.0f);
  lda.classCount = 0;
  SampleGrouping.SetCurrentSample(-1);
  Group& group = TheGroup();
  GroupSettings& settings = group.Settings();
  if (IsUnsetPath(settings.LDA_FILE))
    settings.LDA_FILE = platform::JoinPath(settings.WORKING_DIR, group.Name() + " lda result.xls");
}

std::vector<int> ParseSampleNumbers(const std::string& sampleNumbers) {
  std::vector<int> samples;
  const int limit = SampleLimit();
  std::string_view text = sampleNumbers;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    std::string_view field = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    int number = 0;
    if (ScanInt(field, number) && number >= 1 && number <= limit) samples.push_back(number - 1);
  }
  return samples;
}

bool SamplesHaveClass(const std::string& sampleNumbers) {
  const LDA_RESULT& lda = TheLdaResult();
  const std::vector<int> samples = ParseSampleNumbers(sampleNumbers);
  return std::any_of(samples.begin(), samples.end(),
                     [&lda](int sample) { return lda.ClassOf(sample) >= 0; });
}

bool AssignClass(int classIndex, const std::string& sampleNumbers) {
  LDA_RESULT& lda = TheLdaResult();
  if (classIndex != lda.classCount || classIndex >= kMaxLdaSamples) return false;
  for (int sample : ParseSampleNumbers(sampleNumbers))
    lda.classOf[static_cast<std::size_t>(sample)] = static_cast<float>(classIndex);
  ++lda.classCount;
  return true;
}

void RemoveClass(int classIndex) {
  LDA_RESULT& lda = TheLdaResult();
  if (classIndex < 0 || classIndex >= lda.classCount) return;
  for (float& value : lda.classOf)
    if (value == static_cast<float>(classIndex)) value = -1.0f;
  --lda.classCount;
}

bool CheckLdaClasses(int samples) {
  const LDA_RESULT& lda = TheLdaResult();
  if (samples > kMaxLdaSamples || lda.classCount < 0 || lda.classCount > samples) {
    LogMessage(MessageBuffer(kClassCountBadMessage, lda.classCount, samples), 0, kLogRed);
    return false;
  }
  for (int s = 0; s < samples; ++s) {
    const float value = lda.classOf[static_cast<std::size_t>(s)];
    const bool unclassified = value == -1.0f;
    const bool known =
        value >= 0.0f && value < static_cast<float>(lda.classCount) && std::floor(value) == value;
    if (!unclassified && !known) {
      LogMessage(
          MessageBuffer(kSampleClassBadMessage, s + 1, static_cast<double>(value), lda.classCount),
          0, kLogRed);
      return false;
    }
  }
  return true;
}

int OccupiedLdaClasses(int samples) {
  const LDA_RESULT& lda = TheLdaResult();
  std::vector<bool> seen(static_cast<std::size_t>(std::max(lda.classCount, 0)), false);
  for (int s = 0; s < samples && s < kMaxLdaSamples; ++s) {
    const int k = lda.ClassOf(s);
    if (k >= 0 && k < lda.classCount) seen[static_cast<std::size_t>(k)] = true;
  }
  return static_cast<int>(std::count(seen.begin(), seen.end(), true));
}

bool RemoveSampleAndRerun() {
  const int current = SampleGrouping.CurrentSample();
  if (current >= 0 && current < kMaxLdaSamples)
    TheLdaResult().classOf[static_cast<std::size_t>(current)] = -1.0f;
  SampleGrouping.SetCurrentSample(-1);
  return RunLda();
}
