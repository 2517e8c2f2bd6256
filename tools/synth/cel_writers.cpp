// The cell intensity files of a synthetic array, and its truth listing. Each file is
// built in memory and written whole.
#include <charconv>
#include <span>
#include <string_view>

#include "platform/byte_writer.hpp"
#include "platform/scratch_file.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {
namespace {

constexpr std::int32_t kBinaryMagic = 64;

// The image width the header text of a cell file names: that of an image with eight
// pixels per cell.
int NominalImageWidth(const ArrayTruth& array) {
  return array.dimension * 8 + 20;
}

struct FileCell {
  int x = 0;
  int y = 0;
  const CellTruth* cell = nullptr;
};

// The cells in file order (rows of the file's y, x inside), each with its file
// coordinates.
std::vector<FileCell> CellsInFileOrder(const ArrayTruth& array) {
  const int n = array.dimension;
  ChipTruth turn;
  turn.rotated = array.rotated;
  std::vector<FileCell> ordered(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) {
      FileCell cell;
      ToFileCoordinates(turn, n, x, y, cell.x, cell.y);
      cell.cell = &array.Cell(x, y);
      ordered[static_cast<std::size_t>(cell.y) * static_cast<std::size_t>(n) +
              static_cast<std::size_t>(cell.x)] = cell;
    }
  return ordered;
}

std::vector<FileCell> Listed(const std::vector<FileCell>& cells, bool masked) {
  std::vector<FileCell> listed;
  for (const FileCell& cell : cells)
    if (masked ? cell.cell->masked : cell.cell->flag == CellFlag::kOutlier) listed.push_back(cell);
  return listed;
}

std::vector<std::string> HeaderLines(const ArrayTruth& array) {
  const std::string side = std::to_string(array.dimension);
  return {"Cols=" + side,
          "Rows=" + side,
          "TotalX=" + side,
          "TotalY=" + side,
          "DatHeader=" + array.ScannerHeader(NominalImageWidth(array)),
          "Algorithm=ZelkoSynth",
          "AlgorithmParameters=Quantile:0.75;Border:1"};
}

void CellLine(TextOut& out, const FileCell& cell) {
  out << cell.x << '\t' << cell.y << '\t';
  out.Decimal(cell.cell->mean) << '\t';
  out.Decimal(cell.cell->deviation) << '\t' << static_cast<int>(cell.cell->pixels) << '\n';
}

void CoordinateSection(TextOut& out, std::string_view title, const std::vector<FileCell>& cells) {
  out << title << "\nNumberCells=" << static_cast<int>(cells.size()) << "\nCellHeader=X\tY\n";
  for (const FileCell& cell : cells) out << cell.x << '\t' << cell.y << '\n';
  out << '\n';
}

bool WriteText(const ArrayTruth& array, const std::string& path) {
  const std::vector<FileCell> cells = CellsInFileOrder(array);
  TextOut out;
  out.Reserve(cells.size() * 30 + 4096);
  out << "[CEL]\nVersion=3\n\n[HEADER]\n";
  for (const std::string& line : HeaderLines(array)) out << line << '\n';
  out << "\n[INTENSITY]\nNumberCells=" << static_cast<int>(cells.size())
      << "\nCellHeader=X\tY\tMEAN\tSTDEV\tPIXELS\n";
  for (const FileCell& cell : cells) CellLine(out, cell);
  out << '\n';
  CoordinateSection(out, "[MASKS]", Listed(cells, true));
  CoordinateSection(out, "[OUTLIERS]", Listed(cells, false));
  out << "[MODIFIED]\nNumberCells=0\nCellHeader=X\tY\tORIGMEAN\n";
  return out.SaveTo(path);
}

bool WriteOldText(const ArrayTruth& array, const std::string& path) {
  const std::vector<FileCell> cells = CellsInFileOrder(array);
  TextOut out;
  out.Reserve(cells.size() * 30 + 1024);
  out << "COLS/ROWS=" << array.dimension << ' ' << array.dimension << '\n';
  out << "DatHeader=" << array.ScannerHeader(NominalImageWidth(array)) << '\n';
  out << "X\tY\tMEAN\tSTDEV\tPIXELS\n";
  for (const FileCell& cell : cells) CellLine(out, cell);
  return out.SaveTo(path);
}

bool WriteBinary(const ArrayTruth& array, const std::string& path) {
  const std::vector<FileCell> cells = CellsInFileOrder(array);
  const std::vector<FileCell> masked = Listed(cells, true);
  const std::vector<FileCell> outliers = Listed(cells, false);
  std::string headerText;
  std::string algorithm;
  std::string parameters;
  for (const std::string& line : HeaderLines(array)) {
    if (line.starts_with("Algorithm=")) algorithm = line.substr(10);
    if (line.starts_with("AlgorithmParameters=")) parameters = line.substr(20);
    headerText += line + '\n';
  }
  platform::ByteWriter out;
  out.WriteInt32(kBinaryMagic);
  out.WriteInt32(kBinaryCelVersionWritten);
  out.WriteInt32(array.dimension);  // rows
  out.WriteInt32(array.dimension);  // cols
  out.WriteInt32(static_cast<std::int32_t>(cells.size()));
  out.WriteCountedString(headerText);
  out.WriteCountedString(algorithm);
  out.WriteCountedString(parameters);
  out.WriteInt32(1);  // cell margin
  out.WriteInt32(static_cast<std::int32_t>(outliers.size()));
  out.WriteInt32(static_cast<std::int32_t>(masked.size()));
  out.WriteInt32(0);  // sub-grids
  for (const FileCell& cell : cells) {
    out.WriteFloat(cell.cell->mean);
    out.WriteFloat(cell.cell->deviation);
    out.WriteInt16(cell.cell->pixels);
  }
  for (const auto* list : {&masked, &outliers})
    for (const FileCell& cell : *list) {
      out.WriteInt16(static_cast<std::int16_t>(cell.x));
      out.WriteInt16(static_cast<std::int16_t>(cell.y));
    }
  return platform::WriteScratchFile(path, out.Bytes());
}

std::string_view FlagName(CellFlag flag) {
  switch (flag) {
    case CellFlag::kNormal:
      return "normal";
    case CellFlag::kSaturated:
      return "saturated";
    case CellFlag::kOutlier:
      return "outlier";
  }
  return "normal";
}

}  // namespace

bool WriteCel(const ArrayTruth& array, CelForm form, const std::string& path) {
  switch (form) {
    case CelForm::kText:
      return WriteText(array, path);
    case CelForm::kOldText:
      return WriteOldText(array, path);
    case CelForm::kBinary:
      return WriteBinary(array, path);
  }
  return false;
}

std::string CelFileName(const ArrayTruth& array) {
  return array.name + ".CEL";
}

std::string DatFileName(const ArrayTruth& array) {
  return array.name + ".DAT";
}

bool WriteArrayTruth(const ArrayTruth& array, const std::string& path) {
  TextOut out;
  out << array.chipType << '\t' << array.name << '\t' << array.scanTime << '\n';
  for (int x = 0; x < array.dimension; ++x)
    for (int y = 0; y < array.dimension; ++y) {
      const CellTruth& cell = array.Cell(x, y);
      char model[48];
      const auto end =
          std::to_chars(model, model + sizeof model, cell.model, std::chars_format::fixed, 3);
      out << x << '\t' << y << '\t'
          << std::string_view(model, static_cast<std::size_t>(end.ptr - model)) << '\t';
      out.Decimal(cell.mean) << '\t';
      out.Decimal(cell.deviation) << '\t' << static_cast<int>(cell.pixels) << '\t'
                                  << FlagName(cell.flag) << '\t' << (cell.masked ? 1 : 0) << '\n';
    }
  return out.SaveTo(path);
}

}  // namespace synth
