// The probe-set and gene columns that lead every row of a filtered gene list: the probe
// set's name and, while gene information is loaded, its gene name and with OUTPUT_ACC
// its accession, LocusLink and description. Each field is followed by a tab.
#pragma once

#include <string>

// Appends the titles of the columns WriteGeneColumns writes under the current settings.
void WriteGeneColumnsHeader(std::string& line);

// Appends the probe set's columns.
void WriteGeneColumns(std::string& line, int unit);
