// The text forms of a synthetic chip: text chip descriptions, probe group files, probe
// tab files, masks and the truth listing. Each file is built in memory and written whole.
#include <charconv>
#include <span>
#include <string_view>

#include "engine/chip/pgf_reader.hpp"
#include "platform/byte_writer.hpp"
#include "tools/synth/chip_writers.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {
namespace {

constexpr std::string_view kBases = "ACGT";

void WriteCell(TextOut& out, const ChipTruth& chip, int ordinal, const ProbeCell& cell,
               bool perfect, int pairIndex, std::string_view name) {
  int fileX = 0;
  int fileY = 0;
  ToFileCoordinates(chip, chip.dimension, cell.x, cell.y, fileX, fileY);
  out << "Cell" << ordinal << '=' << fileX << '\t' << fileY << '\t';
  if (chip.custom) {
    out << cell.value << '\t' << (perfect ? 1 : 0) << '\n';
    return;
  }
  // A perfect-match probe pairs with the target's complement, a mismatch probe with the
  // target's base itself.
  const char target = kBases[static_cast<std::size_t>(pairIndex) % 4];
  const char probe = perfect ? Complement(target) : target;
  out << "N\tf\t" << name << '\t' << cell.value << '\t' << pairIndex << '\t' << probe << '\t'
      << probe << '\t' << target << '\t' << pairIndex << '\n';
}

}  // namespace

bool WriteTextCdf(const ChipTruth& chip, const std::string& path, int version) {
  TextOut out;
  out.Reserve(chip.units.size() * 64 * 30);
  const bool snp = chip.arrayType != 0;
  const int cellsPerPair = chip.CellsPerPair();
  const int unitCount = static_cast<int>(chip.units.size());
  out << "[CDF]\nVersion=TW" << version << ".0\n\n[Chip]\nName=" << chip.chipType
      << "\nRows=" << chip.dimension << "\nCols=" << chip.dimension
      << "\nNumberOfUnits=" << unitCount << "\nMaxUnit=" << unitCount + 1000 << '\n';
  if (version > 1) out << "NumQCUnits=1\nChipReference=ACGTACGTAC\n";
  out << "\n[QC1]\nType=1\nNumberCells=2\nCellHeader=X\tY\tPROBE\tPLEN\tATOM\tINDEX\n"
      << "Cell1=0\t0\tN\t25\t0\t0\nCell2=1\t0\tN\t25\t1\t1\n\n";

  for (int u = 0; u < unitCount; ++u) {
    const ChipUnit& unit = chip.units[static_cast<std::size_t>(u)];
    const int pairs = unit.PairCount();
    const int unitNumber = 1000 + u;
    out << "[Unit" << unitNumber << "]\nName=" << unit.NameInFiles()
        << "\nDirection=1\nNumAtoms=" << pairs << ' ' << cellsPerPair
        << "\nNumCells=" << pairs * cellsPerPair << "\nUnitNumber=" << unitNumber
        << "\nUnitType=" << (snp ? 2 : 3)
        << "\nNumberBlocks=" << static_cast<int>(unit.blocks.size()) << '\n';
    if (snp && version > 1) out << "MutationType=0\n";
    out << '\n';
    int pairIndex = 0;
    for (std::size_t b = 0; b < unit.blocks.size(); ++b) {
      const ProbeBlock& block = unit.blocks[b];
      const int blockPairs = static_cast<int>(block.pairs.size());
      out << "[Unit" << unitNumber << "_Block" << static_cast<int>(b) + 1
          << "]\nName=" << (unit.fileName.empty() ? block.name : unit.fileName)
          << "\nBlockNumber=" << static_cast<int>(b) + 1 << "\nNumAtoms=" << blockPairs
          << "\nNumCells=" << blockPairs * cellsPerPair << "\nStartPosition=" << pairIndex
          << "\nStopPosition=" << pairIndex + blockPairs - 1 << '\n';
      if (snp && version == 3) out << "Direction=1\n";
      out << "CellHeader=X\tY\tPROBE\tFEAT\tQUAL\tEXPOS\tPOS\tCBASE\tPBASE\tTBASE\tATOM\n";
      int ordinal = 1;
      for (const ProbePair& pair : block.pairs) {
        // Mismatch first: readers must not rely on the order within a pair.
        if (pair.mm.x >= 0)
          WriteCell(out, chip, ordinal++, pair.mm, false, pairIndex, unit.NameInFiles());
        WriteCell(out, chip, ordinal++, pair.pm, true, pairIndex, unit.NameInFiles());
        ++pairIndex;
      }
      out << '\n';
    }
  }
  return out.SaveTo(path);
}

bool WritePgf(const ChipTruth& chip, const std::string& path) {
  if (!chip.pmOnly || chip.dimension > kPgfDimension) return false;
  constexpr int kSkippedSets = 3;
  TextOut out;
  out << "#%chip_type=" << chip.chipType << '\n'
      << "#%probeset_count=" << static_cast<int>(chip.units.size()) + kSkippedSets << '\n'
      << "#%header0=probeset_name\tkind\n#%header1=\tatom\n#%header2=\t\tprobe\tkind\n";
  int atom = 0;
  const auto writeProbe = [&](const ProbeCell& cell) {
    int fileX = 0;
    int fileY = 0;
    ToFileCoordinates(chip, kPgfDimension, cell.x, cell.y, fileX, fileY);
    out << '\t' << ++atom << "\n\t\t" << fileY * kPgfDimension + fileX + 1 << "\tpm\n";
  };
  for (std::size_t u = 0; u < chip.units.size(); ++u) {
    const ChipUnit& unit = chip.units[u];
    out << unit.NameInFiles() << "\tmain\n";
    for (const ProbeBlock& block : unit.blocks)
      for (const ProbePair& pair : block.pairs) writeProbe(pair.pm);
    // A probe set the reader passes over, its probes on cells already taken.
    if (u < kSkippedSets) {
      out << "Background" << static_cast<int>(u) << "\tcontrol\n";
      writeProbe(unit.blocks.front().pairs.front().pm);
    }
  }
  return out.SaveTo(path);
}

bool WriteProbeTab(const ProbeTab& table, const std::string& path) {
  TextOut out;
  out << (table.serialColumn ? "Probe set\tSerial Order\tX\tY\tPosition\n"
                             : "Probe set\tX\tY\tPosition\n");
  int serial = 0;
  for (const ProbeTabLine& line : table.lines) {
    out << line.name << '\t';
    if (table.serialColumn) out << ++serial << '\t';
    out << line.x << '\t' << line.y << '\t' << line.position << '\n';
  }
  return out.SaveTo(path);
}

bool WriteMask(const MaskPlan& plan, const std::string& path) {
  TextOut out;
  for (const MaskLine& line : plan.lines) {
    out << line.name;
    if (!line.list.empty()) out << '\t' << line.list;
    out << '\n';
  }
  return out.SaveTo(path);
}

bool WriteTruth(const ChipTruth& chip, const std::string& path) {
  TextOut out;
  out << "chip\t" << chip.chipType << '\t' << ChipKindName(chip.kind) << '\t' << chip.dimension
      << '\t' << static_cast<int>(chip.units.size()) << '\n';
  for (const ChipUnit& unit : chip.units) {
    out << "unit\t" << unit.name << '\t' << unit.PairCount() << '\n';
    int pairIndex = 0;
    for (const ProbeBlock& block : unit.blocks) {
      for (const ProbePair& pair : block.pairs) {
        out << "pair\t" << pairIndex++ << '\t' << pair.pm.x << '\t' << pair.pm.y << '\t'
            << pair.pm.value << '\t' << pair.mm.x << '\t' << pair.mm.y << '\t' << pair.mm.value
            << '\n';
      }
    }
  }
  return out.SaveTo(path);
}

}  // namespace synth
