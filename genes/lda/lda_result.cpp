#include "genes/lda/lda_result.hpp"

namespace {

constexpr std::array<COLORREF, 4> kFixedClassColours = {0xFF0000, 0x0000FF, 0x00FF00, 0xFFFF00};

}  // namespace

COLORREF LdaClassColour(int classIndex) {
  if (classIndex < 0) {
    classIndex = 0;
  }
  if (classIndex < static_cast<int>(kFixedClassColours.size())) {
    return kFixedClassColours[static_cast<std::size_t>(classIndex)];
  }
  // The generated sequence goes on past the table's six, so every class keeps a colour.
  const int n = classIndex - static_cast<int>(kFixedClassColours.size());
  return RGB((68 + 17 * n) % 205 + 50, (132 + 33 * n) % 205 + 50, (284 + 71 * n) % 205 + 50);
}

LDA_RESULT::LDA_RESULT() {
  classOf.fill(-1.0f);
  for (int k = 0; k < kLdaClassColours; ++k) {
    colours[static_cast<std::size_t>(k)] = LdaClassColour(k);
  }
}

int LDA_RESULT::ClassOf(int sample) const {
  if (sample < 0 || sample >= kMaxLdaSamples) {
    return -1;
  }
  const float value = classOf[static_cast<std::size_t>(sample)];
  return value >= 0.0f ? static_cast<int>(value) : -1;
}

const float* LDA_RESULT::ResultRow(int sample) const {
  if (sample < 0 || sample >= resultRows ||
      result.size() < static_cast<std::size_t>(resultRows) * kLdaResultColumns) {
    return nullptr;
  }
  return result.data() + static_cast<std::size_t>(sample) * kLdaResultColumns;
}

LDA_RESULT& TheLdaResult() {
  static LDA_RESULT result;
  return result;
}

// Placeholders until the run lands on this branch.
bool RunLda() {
  return false;
}
bool RemoveSampleAndRerun() {
  return false;
}
