#include "engine/jobs/cel_export.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/array/local_background.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/model/model.hpp"
#include "engine/services/job_progress.hpp"
#include "platform/file_replacement.hpp"

namespace {

// Rows whose intensities are gathered at once: the plane is held by columns, so a group
// of rows reads each column's values for them from one stretch of memory.
constexpr int kRowsPerGather = 16;
// The longest cell line: two coordinates and a value of five digits, with the probe-set
// columns (a name of kMaxUnitNameLength, a pair number and a kind).
constexpr std::size_t kLongestCellLine = 2 * 12 + 8 + kUnitNameSize + 24;

// The output buffer: whole lines go in, each full megabyte goes to the file.
class CelWriter {
 public:
  explicit CelWriter(platform::FileReplacement& file) : mFile(file), mBuffer(kCelExportChunk) {}

  // Room for at least `bytes` more; false once a write failed.
  char* Reserve(std::size_t bytes) {
    if (mUsed + bytes > mBuffer.size() && !Flush()) return nullptr;
    return mBuffer.data() + mUsed;
  }
  void Advance(char* end) { mUsed = static_cast<std::size_t>(end - mBuffer.data()); }
  // Text of any length; one longer than the buffer (a header text of that size) goes
  // straight to the file.
  bool Append(std::string_view text) {
    if (text.size() > mBuffer.size()) return Flush() && WriteBytes(text.data(), text.size());
    char* out = Reserve(text.size());
    if (out == nullptr) return false;
    std::memcpy(out, text.data(), text.size());
    Advance(out + text.size());
    return true;
  }
  bool Flush() {
    const bool written = WriteBytes(mBuffer.data(), mUsed);
    mUsed = 0;
    return written;
  }

 private:
  bool WriteBytes(const char* bytes, std::size_t count) {
    if (count > 0 && !mFailed)
      mFailed = !mFile.Write(std::span(reinterpret_cast<const std::uint8_t*>(bytes), count));
    return !mFailed;
  }

  platform::FileReplacement& mFile;
  std::vector<char> mBuffer;
  std::size_t mUsed = 0;
  bool mFailed = false;
};

char* WriteUnsigned(char* out, unsigned value) {
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) *out++ = digits[--count];
  return out;
}

// "%3d" of a coordinate (never negative).
char* WriteCoordinate(char* out, int value) {
  if (value < 100) *out++ = ' ';
  if (value < 10) *out++ = ' ';
  return WriteUnsigned(out, static_cast<unsigned>(value));
}

std::string Line(std::string_view text) {
  std::string line(text);
  line.push_back('\n');
  return line;
}

// The header text goes on one line; line breaks in it would start lines of their own.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return text;
}

std::string HeaderText(const Group& group, int array, int dimension) {
  const std::string side = std::to_string(dimension);
  std::string text = "[CEL]\nVersion=3\n\n[HEADER]\n";
  text += "Cols=" + side + "\nRows=" + side + "\nTotalX=" + side + "\nTotalY=" + side + "\n";
  text += "Baseline=";
  text += group.Normalized ? group.Array(group.BaselineArray).dataFile : "Not normalized";
  text += "\n";
  if (group.RunOptions().celExportSubtractBackground) text += "Background=Subtracted\n";
  text += "DatHeader=" + group.Array(array).name + ":" + OneLine(ChipData.headerText) + "\n\n";
  text +=
      "[INTENSITY]\nNumberCells=" + std::to_string(static_cast<long long>(dimension) * dimension) +
      "\n";
  text += "CellHeader=X\tY\tMEAN\t";
  if (group.RunOptions().celExportProbeSetColumns) text += "ProbeSet\tProbeOrder\tPM";
  text += "\n";
  return text;
}

// The plane index of the file's cell (x, y).
std::size_t PlaneIndexOfFileCell(int x, int y, int dimension) {
  if (RotatedLayout != 0)
    return static_cast<std::size_t>(dimension - 1 - y) * static_cast<std::size_t>(dimension) +
           static_cast<std::size_t>(x);
  return static_cast<std::size_t>(x) * static_cast<std::size_t>(dimension) +
         static_cast<std::size_t>(y);
}

// The cell lines, a group of rows at a time; false on a failed write or a stop.
bool WriteCellLines(CelWriter& writer, const Group& group, int array, int dimension) {
  const ArraySlot& slot = group.Array(array);
  const std::uint16_t* plane = slot.intensities.data();
  const bool subtract = group.RunOptions().celExportSubtractBackground;
  const bool probeSets = group.RunOptions().celExportProbeSetColumns && Layout.HasCells();
  const auto side = static_cast<std::size_t>(dimension);
  // The values of the gathered rows, row by row, and the coordinates as they are printed.
  std::vector<std::int32_t> rows(side * kRowsPerGather);
  std::vector<std::array<char, 8>> coordinates(side);
  std::vector<std::uint8_t> coordinateLengths(side);
  for (int c = 0; c < dimension; ++c) {
    char* const begin = coordinates[static_cast<std::size_t>(c)].data();
    char* end = WriteCoordinate(begin, c);
    *end++ = '\t';
    coordinateLengths[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(end - begin);
  }
  JobProgress& progress = Progress();
  for (int first = 0; first < dimension; first += kRowsPerGather) {
    const int count = std::min(kRowsPerGather, dimension - first);
    for (int k = 0; k < count; ++k) {
      std::int32_t* row = rows.data() + static_cast<std::size_t>(k) * side;
      const int y = first + k;
      for (int x = 0; x < dimension; ++x) {
        const std::size_t index = PlaneIndexOfFileCell(x, y, dimension);
        std::int32_t value = plane[index];
        if (subtract) {
          const bool turned = RotatedLayout != 0;
          value = std::max(
              value - GetBackground(array, turned ? dimension - 1 - y : x, turned ? x : y), 0);
        }
        row[x] = value;
      }
    }
    for (int k = 0; k < count; ++k) {
      const int y = first + k;
      const std::int32_t* row = rows.data() + static_cast<std::size_t>(k) * side;
      const char* yText = coordinates[static_cast<std::size_t>(y)].data();
      const std::size_t yLength = coordinateLengths[static_cast<std::size_t>(y)];
      for (int x = 0; x < dimension; ++x) {
        char* out = writer.Reserve(kLongestCellLine);
        if (out == nullptr) return false;
        std::memcpy(out, coordinates[static_cast<std::size_t>(x)].data(), 8);
        out += coordinateLengths[static_cast<std::size_t>(x)];
        std::memcpy(out, yText, 8);
        out += yLength;
        out = WriteUnsigned(out, static_cast<unsigned>(row[x]));
        *out++ = '.';
        *out++ = '0';
        if (probeSets) {
          const CELL_RECORD& cell = Layout.cells[PlaneIndexOfFileCell(x, y, dimension)];
          if (cell.kind == kCellNoUnit) {
            std::memcpy(out, "\tQC", 3);
            out += 3;
          } else {
            *out++ = '\t';
            const std::string_view name = Layout.units[cell.unit].Name();
            std::memcpy(out, name.data(), name.size());
            out += name.size();
            *out++ = '\t';
            if (cell.pair < 0) *out++ = '-';
            out = WriteUnsigned(out, static_cast<unsigned>(std::abs(static_cast<int>(cell.pair))));
            *out++ = '\t';
            *out++ = cell.kind == kCellPerfectMatch ? '1' : '0';
          }
        }
        *out++ = '\n';
        writer.Advance(out);
      }
      progress.Pump();
      if (progress.StopRequested()) return false;
    }
  }
  return true;
}

// The outlier pairs of the array, perfect-match cell first: every pair of a probe set
// whose whole array is an outlier, else the pairs whose bits are set. Bit 0 stands for
// the last of the first kOutlierWordProbes pairs; a bit beyond the probe set's pairs names
// no cell and is passed over.
std::vector<CelFileCell> OutlierCells(const ArraySlot& slot) {
  std::vector<CelFileCell> cells;
  const int units = std::min<int>(Layout.unitCount, static_cast<int>(slot.values.size()));
  for (int unit = 0; unit < units; ++unit) {
    const int word = slot.values[static_cast<std::size_t>(unit)].outlier;
    if (word == 0) continue;
    const std::span<const PairPositions> pairs = Layout.Positions(unit);
    const auto add = [&cells](const PairPositions& pair) {
      for (const int kind : {1, 0}) {
        const ProbePosition& at = pair[static_cast<std::size_t>(kind)];
        if (at.x >= 0 && at.y >= 0) cells.push_back(CelCellOfPlane(at.x, at.y));
      }
    };
    if (word == kArrayOutlierWord) {
      for (const PairPositions& pair : pairs) add(pair);
      continue;
    }
    const int counted = std::min<int>(static_cast<int>(pairs.size()), kOutlierWordProbes);
    for (int bit = 0; bit < counted; ++bit)
      if ((static_cast<unsigned>(word) >> bit) & 1U)
        add(pairs[static_cast<std::size_t>(counted - 1 - bit)]);
  }
  return cells;
}

std::string TrailerText(const Group& group, int array) {
  std::string text = "\n[MASKS]\nNumberCells=0\nCellHeader=X\tY\n\n";
  if (group.Modelled) {
    const std::vector<CelFileCell> cells = OutlierCells(group.Array(array));
    text += "\n[OUTLIERS]\nNumberCells=" + std::to_string(cells.size()) + "\nCellHeader=X\tY\n";
    for (const CelFileCell& cell : cells)
      text += std::to_string(cell.x) + "\t" + std::to_string(cell.y) + "\n";
    text += "\n";
  } else {
    text += "[OUTLIERS]\nNumberCells=0\nCellHeader=X\tY\n\n";
  }
  text += Line("[MODIFIED]") + Line("NumberCells=0") + Line("CellHeader=X\tY\tORIGMEAN");
  return text;
}

}  // namespace

CelFileCell CelCellOfPlane(int planeX, int planeY) {
  if (RotatedLayout != 0) return {planeY, Layout.dimension - 1 - planeX};
  return {planeX, planeY};
}

bool WriteCelFile(int array, const std::string& path, int* error) {
  Group& group = TheGroup();
  if (array < 0 || array >= group.NumArrays()) return false;
  const ArraySlot& slot = group.Array(array);
  const int dimension = Layout.dimension;
  const auto cells = static_cast<std::size_t>(dimension) * static_cast<std::size_t>(dimension);
  if (slot.intensities.size() != cells) return false;
  platform::FileReplacement file;
  const auto written = [&] {
    if (!file.Open(path)) return false;
    if (!ChipData.ReadArray(slot.dataFile.c_str(), false, false)) return false;
    CelWriter writer(file);
    return writer.Append(HeaderText(group, array, dimension)) &&
           WriteCellLines(writer, group, array, dimension) &&
           writer.Append(TrailerText(group, array)) && writer.Flush() && file.Commit();
  }();
  if (error != nullptr) *error = file.Error();
  return written;
}
