// Made-up values that differ from cell to cell and from sample to sample, for the files the
// program's own writers make on the fuzz state's chips: the seeds, and the loop over every
// writer.
#pragma once

#include <string>

#include "engine/array/chip_data.hpp"

// A value of the unit and sample; every seventh is missing.
float MadeValue(int unit, int sample);

// An array of the loaded layout whose planes, calls and values all differ from cell to
// cell, as the open writes it (or the normalisation, when normalised).
CHIP_DATA MadeArray(const std::string& dataPath, bool normalised);
