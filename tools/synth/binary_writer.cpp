// The binary chip description of a synthetic chip, field by field in little-endian
// order.
#include <string_view>

#include "engine/chip/cdf_file_data.hpp"
#include "platform/byte_writer.hpp"
#include "platform/scratch_file.hpp"
#include "tools/synth/chip_writers.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {
namespace {

constexpr std::string_view kReference = "ACGTACGTAC";
constexpr std::string_view kBases = "ACGT";

void WriteName(platform::ByteWriter& writer, std::string_view name) {
  const std::size_t length = std::min(name.size(), kBinaryCdfNameSize - 1);
  writer.WriteText(name.substr(0, length));
  for (std::size_t i = length; i < kBinaryCdfNameSize; ++i) writer.WriteUInt8(0);
}

void WriteCell(platform::ByteWriter& writer, const ChipTruth& chip, const ProbeCell& cell,
               bool perfect, int pairIndex) {
  int fileX = 0;
  int fileY = 0;
  ToFileCoordinates(chip, chip.dimension, cell.x, cell.y, fileX, fileY);
  const char target = kBases[static_cast<std::size_t>(pairIndex) % 4];
  writer.WriteInt32(pairIndex);
  writer.WriteUInt16(static_cast<std::uint16_t>(fileX));
  writer.WriteUInt16(static_cast<std::uint16_t>(fileY));
  writer.WriteInt32(cell.value);
  writer.WriteUInt8(static_cast<std::uint8_t>(perfect ? Complement(target) : target));
  writer.WriteUInt8(static_cast<std::uint8_t>(target));
}

}  // namespace

bool WriteBinaryCdf(const ChipTruth& chip, const std::string& path) {
  platform::ByteWriter writer;
  const auto unitCount = static_cast<std::int32_t>(chip.units.size());
  const int cellsPerPair = chip.CellsPerPair();
  writer.WriteInt32(kBinaryCdfMagic);
  writer.WriteInt32(kBinaryCdfVersion);
  writer.WriteUInt16(static_cast<std::uint16_t>(chip.dimension));
  writer.WriteUInt16(static_cast<std::uint16_t>(chip.dimension));
  writer.WriteInt32(unitCount);
  writer.WriteInt32(1);  // one quality-control unit
  writer.WriteCountedString(kReference);
  for (const ChipUnit& unit : chip.units) WriteName(writer, unit.NameInFiles());
  // File positions of the units; readers skip them.
  writer.WriteInt32(0);
  for (std::int32_t u = 0; u < unitCount; ++u) writer.WriteInt32(0);

  writer.WriteUInt16(1);
  writer.WriteInt32(2);
  for (std::uint16_t x = 0; x < 2; ++x) {
    writer.WriteUInt16(x);
    writer.WriteUInt16(0);
    writer.WriteUInt8(25);
    writer.WriteUInt8(0);
    writer.WriteUInt8(1);
  }

  for (std::int32_t u = 0; u < unitCount; ++u) {
    const ChipUnit& unit = chip.units[static_cast<std::size_t>(u)];
    const int pairs = unit.PairCount();
    writer.WriteUInt16(chip.arrayType != 0 ? 2 : 1);
    writer.WriteUInt8(1);
    writer.WriteInt32(pairs);
    writer.WriteInt32(static_cast<std::int32_t>(unit.blocks.size()));
    writer.WriteInt32(pairs * cellsPerPair);
    writer.WriteInt32(1000 + u);
    writer.WriteUInt8(static_cast<std::uint8_t>(cellsPerPair));
    int pairIndex = 0;
    for (const ProbeBlock& block : unit.blocks) {
      const auto blockPairs = static_cast<std::int32_t>(block.pairs.size());
      writer.WriteInt32(blockPairs);
      writer.WriteInt32(blockPairs * cellsPerPair);
      writer.WriteUInt8(static_cast<std::uint8_t>(cellsPerPair));
      writer.WriteUInt8(1);
      writer.WriteInt32(pairIndex);
      writer.WriteInt32(pairIndex + blockPairs - 1);
      WriteName(writer, unit.fileName.empty() ? block.name : unit.fileName);
      for (const ProbePair& pair : block.pairs) {
        WriteCell(writer, chip, pair.pm, true, pairIndex);
        if (pair.mm.x >= 0) WriteCell(writer, chip, pair.mm, false, pairIndex);
        ++pairIndex;
      }
    }
  }
  return platform::WriteScratchFile(path, writer.Bytes());
}

}  // namespace synth
