#include "genome/files/chromosome_files.hpp"

#include "engine/jobs/decimal_text.hpp"
#include "engine/services/log_channel.hpp"

std::string FormatMb(float position) {
  return MessageBuffer("%.6f", position * 1e-6);
}

void AppendSixDigits(std::string& text, double value) {
  char number[kSixDigitsRoom];
  text.append(number, FormatSixDigits(number, value));
}
