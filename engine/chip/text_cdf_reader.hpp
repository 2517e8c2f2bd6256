// The text chip description reader: converts a text CDF file line by line, without
// building a tree, into the layout and writes the layout cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How ReadTextCdf shares out the file: pieces of about pieceBytes (whole lines each), cut
// into lines and their cell lines parsed by up to `helpers` threads besides the calling
// one (negative: one less than the cores, at most three), while the calling thread takes
// the lines in file order. The outcome never depends on it; tests change it to cut small
// files into many pieces and to fix the threads.
struct TextCdfSplit {
  std::size_t pieceBytes = 256 * 1024;
  int helpers = -1;
};
extern TextCdfSplit TextCdfSplitting;

// Set by ReadTextCdf when the file's first line shows it is no text chip description,
// so that the caller tries the binary reader instead.
extern bool CdfFileNotText;

// Converts cdfPath, applies the probe-set mask (empty for none) and the probe tab file
// beside it, and saves the cache (whose path the layout already holds). False with a red
// line on any fault.
[[nodiscard]] bool ReadTextCdf(const std::string& cdfPath, const std::string& maskFile);

// Drops a last base letter (one of "ATGC") from every unit name.
void StripTrailingBase();

// Runs ReadTextCdf on the bytes (through a scratch file, with the cache beside it).
bool FuzzReadTextCdf(const std::uint8_t* data, std::size_t size);
