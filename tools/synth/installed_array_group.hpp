// A synthetic chip and array group put straight into the process, as opening the group
// from its cell files would leave them, for views and benchmarks that need a group in
// memory without reading files.
#pragma once

#include <string>

#include "tools/synth/array_group.hpp"
#include "tools/synth/chip_model.hpp"

namespace synth {

// Replaces the chip layout by the chip's (cells, probe sets and pair positions, the array
// kind) and the started group's arrays by the truth's: named "<stem>01", "<stem>02", ...,
// each with its intensity plane, median intensity, empty value triples, and calls ('P'
// or 'A' from the truth, genotype calls on SNP chips). The group holds probe data and
// array 0 is current.
void InstallArrayGroup(const ChipTruth& chip, const ArrayGroupTruth& truth,
                       const std::string& stem = "array");

}  // namespace synth
