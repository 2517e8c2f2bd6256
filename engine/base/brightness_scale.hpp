// The brightness scale of intensities: black at the low end of a display range, yellow
// at its high end. The array image and the probe strip of the probe data view share it.
#pragma once

#include "engine/base/colour.hpp"

// The level 0..255 of v on the range [low, high]: v is held inside the range, then
// trunc((v - low) x 255 / (high - low + 1) + 0.5). A range with high below low gives 0.
int BrightnessLevel(double v, int low, int high);

// RGB(level, level, 0).
COLORREF BrightnessColor(double v, int low, int high);
