#include "genome/files/chromosome_files.hpp"

#include <charconv>

#include "engine/jobs/decimal_text.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/info/genome_info.hpp"

std::string FormatMb(float position) {
  return MessageBuffer("%.6f", position * 1e-6);
}

void AppendSixDigits(std::string& text, double value) {
  char number[kSixDigitsRoom];
  text.append(number, FormatSixDigits(number, value));
}

void AppendExactFloat(std::string& text, float value) {
  char number[kExactFloatRoom];
  text.append(number, std::to_chars(number, number + kExactFloatRoom, value).ptr);
}

void AppendMarkerPlace(std::string& text, const UNIT_POS& place) {
  text.append(genome_info.GetChroName(place.chro)).append("\t");
  text += FormatMb(place.pos);
  text += '\t';
  if (place.second != -1.0f) AppendExactFloat(text, place.second);
  text += '\t';
}
