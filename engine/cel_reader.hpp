// Fuzz entries of the two CEL readers of CHIP_DATA (CHIP_DATA::ReadTextCel and
// CHIP_DATA::ReadBinaryCel, declared with the class).
#pragma once

#include <cstddef>
#include <cstdint>

// Run the reader on the bytes (through a scratch file) into a fresh CHIP_DATA, for the
// loaded layout, with AnalysisRunning raised for the call.
bool FuzzReadTextCel(const std::uint8_t* data, std::size_t size);
bool FuzzReadBinaryCel(const std::uint8_t* data, std::size_t size);
