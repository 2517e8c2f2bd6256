// Writing an array of the open group back out as a version-3 text CEL file: the header,
// one "x y mean" line per cell of the group's intensity plane (optionally less its local
// background and with the cell's probe set), the masked cells and the model's outlier
// cells. The cell lines are the bulk of the file and are formatted by hand into one
// reused buffer that goes to disk a megabyte at a time.
#pragma once

#include <cstddef>
#include <string>

// The cell lines that go into the buffer before it is written out.
inline constexpr std::size_t kCelExportChunk = std::size_t{1} << 20;

// Writes array `array` of the open group (its intensity plane must be held) to path
// under the group's CEL-export choices. The working CHIP_DATA is read with the array
// (for the data file's header text). False, without a message, when the array cannot be
// read, the file cannot be written or the user stopped the export; the file then stays
// as it was, since the new one replaces it only when complete. *error, when given, gets
// the system's error number of a failed write (0 for any other failure).
[[nodiscard]] bool WriteCelFile(int array, const std::string& path, int* error = nullptr);

// The coordinates a CEL file gives the plane cell (planeX, planeY) of the loaded layout:
// the same, or turned back when the layout is rotated, so that reading the file puts
// every value where it came from.
struct CelFileCell {
  int x = 0;
  int y = 0;
};
CelFileCell CelCellOfPlane(int planeX, int planeY);
