// The two CEL readers of CHIP_DATA (CHIP_DATA::ReadTextCel and CHIP_DATA::ReadBinaryCel,
// declared with the class): how the text reader shares out its work, and their fuzz
// entries.
#pragma once

#include <cstddef>
#include <cstdint>

// How CHIP_DATA::ReadTextCel shares out a file's cell lines: pieces of about pieceBytes
// (whole lines each), scanned by up to `helpers` threads besides the calling one
// (negative: one less than the cores, at most three). The outcome never depends on it;
// tests change it to cut small files into many pieces and to fix the threads.
struct TextCelSplit {
  std::size_t pieceBytes = 256 * 1024;
  int helpers = -1;
};
extern TextCelSplit TextCelSplitting;

// Run the reader on the bytes (through a scratch file) into a fresh CHIP_DATA, for the
// loaded layout, with AnalysisRunning raised for the call.
bool FuzzReadTextCel(const std::uint8_t* data, std::size_t size);
bool FuzzReadBinaryCel(const std::uint8_t* data, std::size_t size);
