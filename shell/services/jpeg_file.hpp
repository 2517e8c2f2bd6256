// Baseline JPEG files of red, green, blue pixel rows, compressed by the JPEG library.
#pragma once

#include <cstdint>
#include <string>

// Shown when the JPEG file cannot be created.
inline constexpr const char* kJpegCannotOpenMessage = "JpegFile :\nCan't open %s\n";

// Writes width x height pixels, top-down rows of width x 3 bytes (grey levels of width
// bytes a row when colour is false), with the library's standard tables at the quality
// given. False at once for no pixels or a size of 0; false, with a message box, when the
// file cannot be created; false when the library fails. The file is replaced only once
// complete, so a failure keeps an old file.
bool WriteJpegFile(const std::string& file, const std::uint8_t* pixels, unsigned width,
                   unsigned height, bool colour, int quality);
