// Byte entries for the readers that take only a path or a text and have no fuzz entry
// beside them.
#pragma once

#include <cstddef>
#include <cstdint>

bool FuzzParseRegistry(const std::uint8_t* data, std::size_t size);
bool FuzzReadCompareResultFile(const std::uint8_t* data, std::size_t size);
// Needs the loaded layout: the calls are read per unit of the array.
bool FuzzReadRefGenotypeFile(const std::uint8_t* data, std::size_t size);
// The probe group reader with its layout cache sent where no file can be made: a file
// that reads whole still walks the 2560 x 2560 grid for the probe positions, but writes
// no cache of it (the cache writer is reached through the chip description targets).
// The layout is cleared again before the entry returns.
bool FuzzReadPgfWithoutCache(const std::uint8_t* data, std::size_t size);
