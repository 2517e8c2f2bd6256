// Reading and writing the layout cache. Every count in the file is checked against the
// file's size and the layout's limits before anything is allocated, and the layout is
// replaced only once the whole file has been read.
#include "engine/chip/layout_cache.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <new>
#include <span>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include "engine/base/fuzz_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "platform/byte_buffer.hpp"
#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/chunk_reader.hpp"
#include "platform/file_replacement.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/path.hpp"
#include "platform/readable_file.hpp"

CacheReadSplit CacheCellSplit;

namespace {

bool ReadExactly(const platform::ReadableFile& file, platform::ByteBuffer& bytes,
                 std::size_t count) {
  bytes.resize(count);
  int error = 0;
  return platform::ReadFully(file.Descriptor(), bytes.data(), count, error) == count;
}

// A NUL-terminated text from a fixed field; the last byte is always taken as the end.
std::string FixedText(std::span<const std::uint8_t> field) {
  const auto* begin = reinterpret_cast<const char*>(field.data());
  const auto* end = std::find(begin, begin + field.size() - 1, '\0');
  return std::string(begin, end);
}

void WriteFixedText(platform::ByteWriter& writer, std::string_view text, std::size_t size) {
  const std::size_t length = std::min(text.size(), size - 1);
  writer.WriteText(text.substr(0, length));
  writer.WriteZeros(size - length);
}

constexpr std::size_t kCellChunk = 16384;

void StoreLittleEndian(std::uint8_t* p, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void LogDamaged(const char* detail) {
  LogMessage(MessageBuffer("  The existing cdf.bin file is damaged (%s)", detail), 0, kLogRed);
}

void LogShort(std::uint64_t actual, std::uint64_t expected) {
  LogMessage(MessageBuffer("  The existing cdf.bin file is shorter than its header says (%llu "
                           "of %llu bytes)",
                           static_cast<unsigned long long>(actual),
                           static_cast<unsigned long long>(expected)),
             0, kLogRed);
}

bool DecodeUnits(std::span<const std::uint8_t> bytes, std::vector<UNIT_RECORD>& units) {
  const std::uint8_t* p = bytes.data();
  for (UNIT_RECORD& unit : units) {
    std::copy_n(p, kUnitNameSize - 1, reinterpret_cast<std::uint8_t*>(unit.name));
    unit.name[kUnitNameSize - 1] = '\0';
    unit.pairCount = static_cast<std::int16_t>(platform::LoadU16(p + kUnitNameSize));
    unit.firstPosition = -1;  // the file's pointer slot means nothing
    if (unit.pairCount < 0 || unit.pairCount >= kMaxPairsPerUnit) {
      LogDamaged("a probe set has an impossible number of probe pairs");
      return false;
    }
    p += kCacheUnitSize;
  }
  return true;
}

// Each unit's pair count and where its pairs start in the positions table, side by side:
// a table small enough to stay in the processor's cache while the cells are decoded.
struct UnitSpan {
  std::int32_t first;
  std::uint16_t pairCount;
};

// A placed cell on its way to the positions table: its pair's slot there, its kind in
// the top bit, and its column and row.
struct PlacedCell {
  std::uint32_t slotAndKind;
  std::uint16_t x;
  std::uint16_t y;
};
constexpr std::uint32_t kPlacedKindBit = 1u << 31;

// The placed cells of one piece of the table, in file order, sorted by the stretch of
// the positions table their slot lies in.
using RegionLists = std::vector<std::vector<PlacedCell>>;

// Where the decoding of the cell table stands: the column and row of the next cell, and
// the lists the placed cells go to (null when no positions are built).
struct CellWalk {
  int x = 0;
  int y = 0;
  int dimension = 0;
  RegionLists* regions = nullptr;
  int regionShift = 0;
};

// A cell record in memory has the very bytes of its record in the file on a
// little-endian machine (the padding aside), so the file's records are read straight
// into the table there and only checked; elsewhere each is decoded in place.
constexpr bool kCellRecordMatchesFile =
    std::endian::native == std::endian::little && sizeof(CELL_RECORD) == kCacheCellSize &&
    offsetof(CELL_RECORD, unit) == 0 && offsetof(CELL_RECORD, pair) == 2 &&
    offsetof(CELL_RECORD, value) == 4 && offsetof(CELL_RECORD, kind) == 8 &&
    std::is_trivially_copyable_v<CELL_RECORD>;
static_assert(sizeof(CELL_RECORD) == kCacheCellSize);

void DecodeCellsInPlace(std::span<CELL_RECORD> cells) {
  if constexpr (!kCellRecordMatchesFile) {
    for (CELL_RECORD& cell : cells) {
      std::uint8_t raw[kCacheCellSize];
      std::memcpy(raw, &cell, kCacheCellSize);
      cell.unit = platform::LoadU16(raw);
      cell.pair = static_cast<std::int16_t>(platform::LoadU16(raw + 2));
      cell.value = static_cast<std::int32_t>(platform::LoadU32(raw + 4));
      cell.kind = raw[8];
    }
  }
}

// Checks the cell records of one chunk. The spans hold every unit's pair count (0..299),
// so one unsigned comparison refuses a negative pair and one beyond the unit's last
// alike. With region lists each placed cell is added to the list of its slot's region.
template <bool kBuildPositions>
bool CheckCells(std::span<const CELL_RECORD> cells, std::span<const UnitSpan> unitSpans,
                CellWalk& walk) {
  const CELL_RECORD* cell = cells.data();
  const std::size_t count = cells.size();
  const std::size_t unitCount = unitSpans.size();
  const UnitSpan* spans = unitSpans.data();
  std::vector<PlacedCell>* const regions = kBuildPositions ? walk.regions->data() : nullptr;
  const int regionShift = walk.regionShift;
  const int dimension = walk.dimension;
  int x = walk.x;
  int y = walk.y;
  bool damaged = false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t unit = cell[i].unit;
    const auto pair = static_cast<std::uint16_t>(cell[i].pair);
    const std::uint8_t kind = cell[i].kind;
    if (kind != kCellNoUnit) {
      damaged |= kind > kCellNoUnit || unit >= unitCount || pair >= spans[unit].pairCount;
      if (damaged) break;
      if constexpr (kBuildPositions) {
        const auto slot = static_cast<std::uint32_t>(spans[unit].first) + pair;
        regions[slot >> regionShift].push_back(
            {slot | (kind == kCellPerfectMatch ? kPlacedKindBit : 0u),
             static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y)});
      }
    }
    if (++y == dimension) {
      y = 0;
      ++x;
    }
  }
  walk.x = x;
  walk.y = y;
  return !damaged;
}

// Stores the placed cells of one region, taken from the pieces' lists in piece order,
// into its stretch of the positions table, later cells overwriting earlier ones just as
// a walk of the finished table would.
void StoreRegion(std::span<PairPositions> stretch, std::uint32_t firstSlot,
                 std::span<const RegionLists> pieces, std::size_t region, bool perfectMatchOnly) {
  std::fill(stretch.begin(), stretch.end(), PairPositions{});
  for (const RegionLists& lists : pieces) {
    for (const PlacedCell placed : lists[region]) {
      PairPositions& pair = stretch[(placed.slotAndKind & ~kPlacedKindBit) - firstSlot];
      const ProbePosition where{static_cast<std::int16_t>(placed.x),
                                static_cast<std::int16_t>(placed.y)};
      const bool perfectMatch = (placed.slotAndKind & kPlacedKindBit) != 0;
      pair[perfectMatch ? 1 : 0] = where;
      if (perfectMatchOnly && perfectMatch) pair[0] = where;
    }
  }
}

enum class CellTableRead { kWhole, kShort, kDamaged };

// Reads the cell table that starts at byte `offset` of the file into cells, checks every
// record and, when there is a positions table, stores each cell's position there. Pieces of the
// table are read side by side, each straight into its place a chunk at a time and checked
// while the chunk is in the processor's cache; the first piece that fails tells how.
// The pairs of the cells lie all over the positions table, and storing them there one by
// one would fetch a memory line for almost every cell; so each piece sorts its placed
// cells by region of the table, and then each region, small enough to stay in the
// processor's cache, is filled from the pieces' lists in file order.
CellTableRead ReadCellTable(const platform::ChunkReader& file, std::uint64_t offset,
                            std::span<CELL_RECORD> cells, std::span<const UnitSpan> spans,
                            const CellWalk& start, std::span<PairPositions> positions,
                            bool perfectMatchOnly) {
  const std::size_t total = cells.size();
  const auto side = static_cast<std::size_t>(std::max(start.dimension, 1));
  const int threads =
      CacheCellSplit.threads > 0 ? CacheCellSplit.threads : platform::WorkerThreadCount();
  const std::size_t pieces =
      std::clamp<std::size_t>(total / std::max<std::size_t>(CacheCellSplit.minPieceCells, 1), 1,
                              4 * static_cast<std::size_t>(threads));
  const bool build = !positions.empty();
  const int regionShift = std::bit_width(std::max<std::size_t>(CacheCellSplit.regionPairs, 2) - 1);
  const std::size_t regionPairs = std::size_t{1} << regionShift;
  const std::size_t regions = build ? (positions.size() + regionPairs - 1) / regionPairs : 0;
  std::vector<CellTableRead> outcomes(pieces, CellTableRead::kWhole);
  std::vector<RegionLists> lists(pieces, RegionLists(regions));
  platform::RunTasks(static_cast<int>(pieces), threads, [&](int task, bool) {
    const auto k = static_cast<std::size_t>(task);
    const std::size_t begin = total / pieces * k;
    const std::size_t end = k + 1 == pieces ? total : total / pieces * (k + 1);
    CellWalk walk = start;
    walk.x = static_cast<int>(begin / side);
    walk.y = static_cast<int>(begin % side);
    walk.regions = build ? &lists[k] : nullptr;
    walk.regionShift = regionShift;
    // Room for an even share of the piece's cells in every region, and some to spare.
    for (std::vector<PlacedCell>& list : lists[k])
      list.reserve((end - begin) / std::max<std::size_t>(regions, 1) * 9 / 8 + 64);
    for (std::size_t first = begin; first < end; first += kCellChunk) {
      const std::span<CELL_RECORD> chunk = cells.subspan(first, std::min(kCellChunk, end - first));
      const std::size_t bytes = chunk.size() * kCacheCellSize;
      if (file.ReadAt(offset + first * kCacheCellSize,
                      reinterpret_cast<std::uint8_t*>(chunk.data()), bytes) != bytes) {
        outcomes[k] = CellTableRead::kShort;
        return;
      }
      DecodeCellsInPlace(chunk);
      if (!(build ? CheckCells<true>(chunk, spans, walk) : CheckCells<false>(chunk, spans, walk))) {
        outcomes[k] = CellTableRead::kDamaged;
        return;
      }
    }
  });
  for (const CellTableRead outcome : outcomes)
    if (outcome != CellTableRead::kWhole) return outcome;
  if (!build) return CellTableRead::kWhole;

  platform::RunTasks(static_cast<int>(regions), threads, [&](int task, bool) {
    const auto r = static_cast<std::size_t>(task);
    const std::size_t first = r * regionPairs;
    const std::size_t count = std::min(regionPairs, positions.size() - first);
    StoreRegion(positions.subspan(first, count), static_cast<std::uint32_t>(first), lists, r,
                perfectMatchOnly);
  });
  return CellTableRead::kWhole;
}

// Whether a file could be made at path, so that "Saving" is announced only for a write
// that can happen: the path is no folder, and its folder exists and takes new files
// (the file is written beside itself first and then renamed).
bool CanWriteFileAt(const std::string& path) {
  if (path.empty() || platform::FolderExists(path)) return false;
  const std::string folder = platform::ParentFolder(path);
  const std::string where = folder.empty() ? "." : folder;
  return platform::FolderExists(where) && access(where.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

bool ReadCdfCache(const std::string& path, bool probeDataNeeded, bool buildPositions) {
  const LayoutWriting writing;
  // No cache, or something else in its place, only means the description is read again.
  platform::ReadableFile file;
  if (!file.Open(path)) return false;
  const std::uint64_t fileSize = file.Size();

  platform::ByteBuffer bytes;  // not cleared: each read overwrites it
  if (!ReadExactly(file, bytes, std::min<std::uint64_t>(fileSize, kCacheHeaderSize)) ||
      bytes.size() < kCacheHeaderSize) {
    LogShort(fileSize, kCacheHeaderSize);
    return false;
  }
  platform::ByteReader header(bytes);
  std::uint8_t format = 0;
  std::int32_t dimension = 0;
  std::int32_t unitCount = 0;
  (void)header.Skip(kCachePathSize);
  (void)header.ReadUInt8(format);
  const std::string chipType =
      FixedText(std::span(bytes).subspan(kCachePathSize + 1, kChipTypeSize));
  (void)header.Skip(kChipTypeSize);
  if (!header.ReadInt32(dimension) || !header.ReadInt32(unitCount)) return false;

  if (format < kCacheFormat) {
    LogMessage(MessageBuffer("  The existing cdf.bin file is too old (file format %d)", format), 0,
               kLogRed);
    return false;
  }
  if (format > kCacheFormat) {
    LogMessage(MessageBuffer("  The existing cdf.bin file is too new (file format %d)", format), 0,
               kLogRed);
    return false;
  }
  LogMessage(MessageBuffer("  Read in existing binary CDF file %s (file format %d)...\n",
                           path.c_str(), format));
  PumpMessages();

  if (dimension <= 0 || dimension > kMaxDimension) {
    LogDamaged("the dimension is out of range");
    return false;
  }
  if (unitCount < 0 || unitCount > kMaxUnits) {
    LogDamaged("the number of probe sets is out of range");
    return false;
  }
  const std::uint64_t unitBytes = static_cast<std::uint64_t>(unitCount) * kCacheUnitSize;
  const std::uint64_t cellCount =
      static_cast<std::uint64_t>(dimension) * static_cast<std::uint64_t>(dimension);
  const std::uint64_t expected = kCacheHeaderSize + unitBytes + cellCount * kCacheCellSize;
  if (fileSize < expected) {
    LogShort(fileSize, expected);
    return false;
  }

  std::vector<UNIT_RECORD> units;
  decltype(Layout.cells) cells;
  decltype(Layout.positions) positions;
  try {
    units.resize(static_cast<std::size_t>(unitCount));
    if (!ReadExactly(file, bytes, static_cast<std::size_t>(unitBytes))) {
      LogShort(fileSize, expected);
      return false;
    }
    if (!DecodeUnits(bytes, units)) return false;
    if (probeDataNeeded) {
      std::vector<UnitSpan> spans(units.size());
      std::size_t totalPairs = 0;
      for (std::size_t u = 0; u < units.size(); ++u) {
        spans[u] = {static_cast<std::int32_t>(totalPairs),
                    static_cast<std::uint16_t>(units[u].pairCount)};
        totalPairs += static_cast<std::size_t>(units[u].pairCount);
      }
      CellWalk walk;
      walk.dimension = dimension;
      // Each region of the positions table is cleared by the thread that fills it.
      if (buildPositions) positions.resize(totalPairs);
      cells.resize(static_cast<std::size_t>(cellCount));
      // The cells are read through a second handle, whose reads leave the first's place.
      platform::ChunkReader cellFile;
      const CellTableRead read =
          cellFile.Open(path) && cellFile.RegularFileSize() == fileSize
              ? ReadCellTable(cellFile, kCacheHeaderSize + unitBytes, cells, spans, walk, positions,
                              PmOnly != 0 || ProbesPerPair == 1)
              : CellTableRead::kShort;
      if (read == CellTableRead::kShort) {
        LogShort(fileSize, expected);
        return false;
      }
      if (read == CellTableRead::kDamaged) {
        LogDamaged("a cell names a probe pair that does not exist");
        return false;
      }
      if (buildPositions) {
        for (std::size_t u = 0; u < units.size(); ++u) units[u].firstPosition = spans[u].first;
      }
    }
  } catch (const std::bad_alloc&) {
    LogMessage("    Allocation failed in ReadCdfCache()", 0, kLogRed);
    return false;
  }

  Layout.cachePath = path;
  Layout.format = format;
  Layout.chipType = chipType;
  Layout.dimension = dimension;
  Layout.unitCount = unitCount;
  Layout.units = std::move(units);
  Layout.cells = std::move(cells);
  Layout.positions = std::move(positions);
  return true;
}

namespace {

// Encodes cells [first, first + count) of the table, those beyond it as cells of no unit,
// into out, kCacheCellSize bytes each.
void EncodeCells(std::size_t first, std::size_t count, std::uint8_t* out) {
  const CELL_RECORD* const cells = Layout.cells.data();
  const std::size_t held = Layout.cells.size();
  const std::size_t stored = first < held ? std::min(count, held - first) : 0;
  if constexpr (kCellRecordMatchesFile) {
    // The record's bytes as they are, but for its padding.
    for (std::size_t i = 0; i < stored; ++i, out += kCacheCellSize) {
      std::uint64_t fields = 0;
      std::memcpy(&fields, cells + first + i, sizeof fields);
      const std::uint32_t kind = cells[first + i].kind;
      std::memcpy(out, &fields, sizeof fields);
      std::memcpy(out + sizeof fields, &kind, sizeof kind);
    }
  } else {
    for (std::size_t i = 0; i < stored; ++i, out += kCacheCellSize) {
      const CELL_RECORD& cell = cells[first + i];
      StoreLittleEndian(out, cell.unit, 2);
      StoreLittleEndian(out + 2, static_cast<std::uint16_t>(cell.pair), 2);
      StoreLittleEndian(out + 4, static_cast<std::uint32_t>(cell.value), 4);
      out[8] = cell.kind;
      out[9] = out[10] = out[11] = 0;  // padding
    }
  }
  for (std::size_t i = stored; i < count; ++i, out += kCacheCellSize) {
    StoreLittleEndian(out, 0, 4);
    StoreLittleEndian(out + 4, 0, 4);
    StoreLittleEndian(out + 8, kCellNoUnit, 4);
  }
}

// Writes the layout to its cache path; logs nothing, so that it may run on any thread.
bool WriteCacheFile(int& error) {
  const int unitCount = std::clamp(Layout.unitCount, 0, static_cast<int>(Layout.units.size()));
  const std::size_t cellCount =
      static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
  // The file goes out a piece at a time from buffers that stay in the processor's cache,
  // rather than whole from a copy of the layout of its size in fresh memory.
  platform::FileReplacement file;
  bool written = file.Open(Layout.cachePath);
  platform::ByteWriter writer;
  writer.Reserve(kCellChunk * kCacheCellSize + kCacheUnitSize);
  WriteFixedText(writer, Layout.cachePath, kCachePathSize);
  writer.WriteUInt8(Layout.format);
  WriteFixedText(writer, Layout.chipType, kChipTypeSize);
  writer.WriteInt32(Layout.dimension);
  writer.WriteInt32(unitCount);
  for (int u = 0; u < unitCount && written; ++u) {
    const UNIT_RECORD& unit = Layout.units[static_cast<std::size_t>(u)];
    WriteFixedText(writer, unit.Name(), kUnitNameSize);
    writer.WriteInt16(unit.pairCount);
    writer.WriteInt32(0);  // the pointer slot
    if (writer.Size() < kCellChunk * kCacheCellSize) continue;
    written = file.Write(writer.Bytes());
    writer.Clear();
  }
  written = written && file.Write(writer.Bytes());
  // The cell table is most of the file: its records are encoded a chunk at a time.
  std::vector<std::uint8_t> chunk(kCellChunk * kCacheCellSize);
  for (std::size_t first = 0; first < cellCount && written; first += kCellChunk) {
    const std::size_t count = std::min(kCellChunk, cellCount - first);
    EncodeCells(first, count, chunk.data());
    written = file.Write(std::span(chunk.data(), count * kCacheCellSize));
  }
  error = file.Error();
  if (!written) return false;
  // Some file systems write a file out to the disk at once, waiting on it, when it is
  // renamed over another, which takes longer than all of the above; the old cache is
  // therefore removed first, only once the new one is complete.
  (void)unlink(Layout.cachePath.c_str());
  written = file.Commit();
  error = file.Error();
  return written;
}

}  // namespace

bool SaveCdfCache() {
  Layout.format = kCacheFormat;
  if (!CanWriteFileAt(Layout.cachePath)) {
    BuildProbePositions();
    LogMessage(MessageBuffer("    Saving %s failed\n", Layout.cachePath.c_str()), 0, kLogRed);
    return false;
  }
  struct stat info {};
  if (stat(Layout.cachePath.c_str(), &info) == 0 && S_ISREG(info.st_mode))
    (void)chmod(Layout.cachePath.c_str(), info.st_mode | S_IWUSR);

  LogMessage(MessageBuffer("    Saving %s ...\n", Layout.cachePath.c_str()));
  PumpMessages();

  // Both only read the cell table and the units' pair counts, so the probe positions of
  // a large table are built while a thread of its own writes the file; a small one gains
  // nothing by it.
  constexpr std::size_t kSideBySideCells = std::size_t{1} << 18;
  bool written = false;
  int error = 0;
  {
    std::jthread writer;
    if (Layout.cells.size() >= kSideBySideCells) {
      try {
        writer = std::jthread([&written, &error] { written = WriteCacheFile(error); });
      } catch (const std::system_error&) {
        // no thread to be had: the file is written below, after the positions
      }
    }
    BuildProbePositions();
    if (!writer.joinable()) written = WriteCacheFile(error);
  }
  if (!written) {
    return LogWriteFailure(MessageBuffer("    Saving %s failed\n", Layout.cachePath.c_str()),
                           error);
  }
  return true;
}

bool FuzzReadCdfCache(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.cdf.bin",
                         [](const std::string& path) { return ReadCdfCache(path, true); });
}
