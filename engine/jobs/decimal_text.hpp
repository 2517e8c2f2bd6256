// Numbers of the tab-separated expression tables: written as a stream writes a double by
// default (six significant digits, "%g") and read back as the float the tables keep,
// both without a stream and without allocating.
#pragma once

#include <string_view>

// Room FormatSixDigits needs: "-1.23457e+308" and change.
inline constexpr int kSixDigitsRoom = 32;

// Writes value as printf's "%.6g" would at out and returns the end of the text.
char* FormatSixDigits(char* out, double value);

// Reads text, optionally signed, with or without a fraction and an exponent, as the float
// nearest to it; blanks may follow. False for anything else (no digits, other characters
// after the number, a value beyond the float range).
bool ParseFloatField(std::string_view text, float& value);
