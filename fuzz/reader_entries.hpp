// Byte entries for the readers that take only a path or a text and have no fuzz entry
// beside them.
#pragma once

#include <cstddef>
#include <cstdint>

bool FuzzParseRegistry(const std::uint8_t* data, std::size_t size);
bool FuzzReadCompareResultFile(const std::uint8_t* data, std::size_t size);
// Needs the loaded layout: the calls are read per unit of the array.
bool FuzzReadRefGenotypeFile(const std::uint8_t* data, std::size_t size);
