// The QVF file, the program's own binary file of one array: a 3028-byte header, the two
// intensity planes, one call byte and one value triple per probe set, all little-endian
// and written field by field. A file is only read for the chip layout it was written for.
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <new>
#include <span>

#include "engine/array/array_messages.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/array/chip_data_internal.hpp"
#include "engine/base/fuzz_support.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/byte_buffer.hpp"
#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/chunk_reader.hpp"
#include "platform/path.hpp"
#include "platform/system_error.hpp"

QvfPieceWrite QvfPieceWriter = platform::OverwritePieces;

namespace {

// A text field of the header: the characters up to 999 of them, then zeros.
void WriteTextField(platform::ByteWriter& writer, std::string_view text) {
  const std::size_t kept = std::min(text.size(), static_cast<std::size_t>(kQvfTextFieldSize - 1));
  const std::string_view shown = text.substr(0, kept);
  const std::size_t end = std::min(shown.find('\0'), shown.size());
  writer.WriteText(shown.substr(0, end));
  writer.WriteZeros(kQvfTextFieldSize - end);
}

std::string TextField(std::span<const std::uint8_t> bytes) {
  const auto* text = reinterpret_cast<const char*>(bytes.data());
  return std::string(text, strnlen(text, bytes.size()));
}

// A plane appended at once, so that a full-size plane costs one pass instead of a million
// appends; on a big-endian machine it is encoded into the scratch buffer first.
void WritePlane(platform::ByteWriter& writer, const std::vector<std::uint16_t>& plane,
                std::vector<std::uint8_t>& scratch) {
  if constexpr (std::endian::native == std::endian::little) {
    writer.WriteBytes({reinterpret_cast<const std::uint8_t*>(plane.data()), plane.size() * 2});
    return;
  }
  scratch.resize(plane.size() * 2);
  std::uint8_t* out = scratch.data();
  for (const std::uint16_t value : plane) {
    *out++ = static_cast<std::uint8_t>(value & 0xFF);
    *out++ = static_cast<std::uint8_t>(value >> 8);
  }
  writer.WriteBytes(scratch);
}

// Decodes a plane from the reader; false when the file ends first.
bool ReadPlane(platform::ByteReader& reader, std::vector<std::uint16_t>& plane) {
  const std::size_t bytes = plane.size() * 2;
  if (reader.Remaining() < bytes) return false;
  const std::uint8_t* in = reader.Rest().data();
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(plane.data(), in, bytes);
  } else {
    for (std::uint16_t& value : plane) {
      value = platform::LoadU16(in);
      in += 2;
    }
  }
  return reader.Skip(bytes);
}

// A read-only QVF file left by an earlier run must not stop the new one from replacing it.
void ClearReadOnly(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return;
  if ((info.st_mode & S_IWUSR) == 0) chmod(path.c_str(), info.st_mode | S_IWUSR);
}

bool ReadHeader(platform::ByteReader& reader, QvfHeader& header) {
  std::vector<std::uint8_t> text(kQvfTextFieldSize);
  std::uint8_t padding = 0;
  if (!reader.ReadBytes(text.size(), text)) return false;
  header.headerText = TextField(text);
  if (!reader.ReadUInt8(header.format) || !reader.ReadUInt8(header.normalised) ||
      !reader.ReadUInt8(header.valuesPresent) || !reader.ReadUInt8(padding) ||
      !reader.ReadInt32(header.medianIntensity) || !reader.Skip(4) ||
      !reader.ReadInt32(header.dimension) || !reader.ReadBytes(text.size(), text))
    return false;
  header.dataPath = TextField(text);
  if (!reader.ReadBytes(text.size(), text)) return false;
  header.baselinePath = TextField(text);
  return reader.ReadFloat(header.arrayOutlierPercent) &&
         reader.ReadFloat(header.singleOutlierPercent) && reader.ReadFloat(header.callPercent);
}

void WriteHeader(platform::ByteWriter& writer, const QvfHeader& header) {
  WriteTextField(writer, header.headerText);
  writer.WriteUInt8(kQvfFormat);
  writer.WriteUInt8(header.normalised);
  writer.WriteUInt8(header.valuesPresent);
  writer.WriteUInt8(0);  // padding
  writer.WriteInt32(header.medianIntensity);
  writer.WriteInt32(0);  // reserved
  writer.WriteInt32(header.dimension);
  WriteTextField(writer, header.dataPath);
  WriteTextField(writer, header.baselinePath);
  writer.WriteFloat(header.arrayOutlierPercent);
  writer.WriteFloat(header.singleOutlierPercent);
  writer.WriteFloat(header.callPercent);
}

// The triples as they lie in memory on a little-endian machine, each field's four bytes
// in turn without padding: one copy instead of three appends per probe set.
constexpr bool kTriplesLieAsWritten =
    std::endian::native == std::endian::little && sizeof(VALUE_TRIPLE) == 12 &&
    offsetof(VALUE_TRIPLE, value) == 0 && offsetof(VALUE_TRIPLE, stdErr) == 4 &&
    offsetof(VALUE_TRIPLE, outlier) == 8 && sizeof(float) == 4 && sizeof(int) == 4;

// A table's bytes as they lie in memory.
template <typename Table>
std::span<const std::uint8_t> BytesOf(const Table& table) {
  return {reinterpret_cast<const std::uint8_t*>(table.data()), table.size() * sizeof(table[0])};
}

void WriteTriples(platform::ByteWriter& writer, std::span<const VALUE_TRIPLE> triples) {
  if constexpr (kTriplesLieAsWritten) {
    writer.WriteBytes({reinterpret_cast<const std::uint8_t*>(triples.data()),
                       triples.size() * sizeof(VALUE_TRIPLE)});
    return;
  }
  for (const VALUE_TRIPLE& triple : triples) {
    writer.WriteFloat(triple.value);
    writer.WriteFloat(triple.stdErr);
    writer.WriteInt32(triple.outlier);
  }
}

}  // namespace

bool CHIP_DATA::WriteQvf(int* error) {
  if (error != nullptr) *error = 0;
  format = kQvfFormat;
  const std::string path = QvfPath();
  ArrayPumpMessages();
  const std::size_t cells = static_cast<std::size_t>(std::max(dimension, 0)) *
                            static_cast<std::size_t>(std::max(dimension, 0));
  // A QVF file always carries both planes; an object read without them would write a
  // file that no reader could place.
  if (plane1.size() != cells || plane2.size() != cells || calls.size() != triples.size()) {
    ArrayMessage(MessageBuffer("    Writing file '%s' failed: the array holds %zu of %zu cells "
                               "and %zu calls for %zu values",
                               path.c_str(), plane1.size(), cells, calls.size(), triples.size()),
                 0, kLogRed);
    return false;
  }

  // One buffer per thread serves every array of a group, so a file's bytes land in memory
  // that is already mapped instead of faulting in megabytes per array.
  static thread_local platform::ByteWriter writer;
  static thread_local std::vector<std::uint8_t> scratch;
  writer.Clear();
  // On a little-endian machine the planes and tables lie in memory as in the file and go to
  // it from there, so that only the header is encoded; elsewhere all of it is.
  std::array<std::span<const std::uint8_t>, 5> pieces{};
  std::size_t pieceCount = 1;
  WriteHeader(writer, *this);
  if constexpr (kTriplesLieAsWritten) {
    pieces = {{{}, BytesOf(plane1), BytesOf(plane2), BytesOf(calls), BytesOf(triples)}};
    pieceCount = pieces.size();
  } else {
    writer.Reserve(kQvfHeaderSize + cells * kQvfBytesPerCell + calls.size() * kQvfBytesPerUnit);
    WritePlane(writer, plane1, scratch);
    WritePlane(writer, plane2, scratch);
    writer.WriteBytes(BytesOf(calls));
    WriteTriples(writer, triples);
  }
  ArrayPumpMessages();
  pieces[0] = writer.Bytes();

  ClearReadOnly(path);
  int failure = 0;
  if (!platform::WriteWholeFileInPieces(path, std::span(pieces.data(), pieceCount), &failure)) {
    ArrayMessage(
        platform::WithSystemReason(MessageBuffer(kQvfWriteFailedMessage, path.c_str()), failure), 0,
        kLogRed);
    if (error != nullptr) *error = failure;
    return false;
  }
  return true;
}

QvfStore StoreQvfValues(const std::string& dataPath, std::span<const VALUE_TRIPLE> triples,
                        float arrayOutlierFraction, float singleOutlierFraction) {
  const std::string path = QvfPathFor(dataPath);
  platform::ChunkReader file;
  if (!file.Open(path)) return QvfStore::kNoFile;
  // Only a file the reader would take is patched: it holds a table for every probe set.
  std::vector<std::uint8_t> bytes(kQvfHeaderSize);
  platform::ByteReader headerReader(
      std::span(bytes.data(), file.ReadAt(0, bytes.data(), bytes.size())));
  QvfHeader header;
  if (!ReadHeader(headerReader, header) || header.format != kQvfFormat ||
      header.dimension != Layout.dimension || Layout.unitCount < 0 ||
      triples.size() != static_cast<std::size_t>(Layout.unitCount) ||
      *file.RegularFileSize() != QvfFileSize(Layout.dimension, Layout.unitCount))
    return QvfStore::kNoFile;
  // What reading the file and writing it whole would change: the header as written from
  // the array known by its data file, and the values.
  header.dataPath = dataPath;
  header.arrayOutlierPercent = arrayOutlierFraction;
  header.singleOutlierPercent = singleOutlierFraction;
  const bool hadValues = header.valuesPresent != 0;
  header.valuesPresent = 0;
  platform::ByteWriter headerBytes;
  WriteHeader(headerBytes, header);
  static thread_local platform::ByteWriter values;
  values.Clear();
  values.Reserve(triples.size() * 12);
  WriteTriples(values, triples);
  const std::uint64_t cells =
      static_cast<std::uint64_t>(Layout.dimension) * static_cast<std::uint64_t>(Layout.dimension);
  const std::uint64_t valuesOffset =
      kQvfHeaderSize + cells * kQvfBytesPerCell + static_cast<std::uint64_t>(triples.size());
  // The mark that values are present is taken off first and put on last, each a write of
  // its own byte: a write stopped at any point leaves the old file or the new one, or one
  // that holds no values, never values beside the outlier fractions of another fit. The
  // steps reach the disk in that order, each flushed before the next; the mark alone is
  // not, as a power cut that takes it back leaves a file without values, which the next
  // fit fills (a flush of every array's mark would cost the job more than its writes).
  static constexpr std::uint8_t kNoValues[] = {0};
  static constexpr std::uint8_t kValues[] = {1};
  const std::array<platform::FilePiece, 1> unmark = {{{kQvfValuesPresentOffset, kNoValues}}};
  const std::array<platform::FilePiece, 2> body = {
      {{valuesOffset, values.Bytes()}, {0, headerBytes.Bytes()}}};
  const std::array<platform::FilePiece, 1> mark = {{{kQvfValuesPresentOffset, kValues}}};
  ClearReadOnly(path);
  int failure = 0;
  constexpr platform::Durability kFlushed = platform::Durability::kDurable;
  if ((hadValues && !QvfPieceWriter(path, unmark, &failure, kFlushed)) ||
      !QvfPieceWriter(path, body, &failure, kFlushed) ||
      !QvfPieceWriter(path, mark, &failure, platform::Durability::kScratch)) {
    ArrayMessage(
        platform::WithSystemReason(MessageBuffer(kQvfWriteFailedMessage, path.c_str()), failure), 0,
        kLogRed);
    return QvfStore::kFailed;
  }
  return QvfStore::kStored;
}

bool CHIP_DATA::ReadExisting(const char* qvfPath, bool headerOnly, bool logAccess) {
  const std::string path = qvfPath;
  platform::ChunkReader file;
  if (!file.Open(path)) return false;
  const std::uint64_t fileSize = *file.RegularFileSize();

  std::vector<std::uint8_t> bytes(kQvfHeaderSize);
  const std::size_t headerBytes = file.ReadAt(0, bytes.data(), bytes.size());
  platform::ByteReader headerReader(std::span(bytes.data(), headerBytes));
  QvfHeader header;
  if (!ReadHeader(headerReader, header)) {
    ArrayMessage(
        MessageBuffer("  '%s' is not a QVF file: it ends after %zu of the header's %d bytes",
                      path.c_str(), headerBytes, kQvfHeaderSize),
        0, kLogRed);
    return false;
  }
  if (headerOnly) {
    static_cast<QvfHeader&>(*this) = std::move(header);
    return true;
  }
  if (header.format < kQvfFormat) {
    ArrayMessage(MessageBuffer("  '%s' is too old (file format %d)", path.c_str(), header.format),
                 0, kLogRed);
    return false;
  }
  if (header.format > kQvfFormat) {
    ArrayMessage(MessageBuffer("  '%s' is too new (file format %d)", path.c_str(), header.format),
                 0, kLogRed);
    return false;
  }
  // The tables carry no counts of their own, so only the size tells a file of this chip
  // from one written for another.
  const std::uint64_t expected = QvfFileSize(Layout.dimension, Layout.unitCount);
  if (header.dimension != Layout.dimension || fileSize != expected) {
    ArrayMessage(MessageBuffer("  '%s' does not fit the chip layout: dimension %d and %llu bytes, "
                               "where the layout needs dimension %d and %llu bytes",
                               path.c_str(), static_cast<int>(header.dimension),
                               static_cast<unsigned long long>(fileSize), Layout.dimension,
                               static_cast<unsigned long long>(expected)),
                 0, kLogRed);
    return false;
  }
  if (logAccess)
    ArrayMessage(
        MessageBuffer("    Accessing '%s' (file format %d) ", path.c_str(), header.format));

  const GroupSettings& settings = ArraySettings();
  const bool probeData = settings.LOAD_PROBE_DATA != 0 || ProbeLevelFlag;
  const auto cells =
      static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
  const auto units = static_cast<std::size_t>(Layout.unitCount);
  // The planes are read only when they are wanted, and everything is read before the
  // object is touched.
  const std::size_t planeBytes = cells * kQvfBytesPerCell;
  const std::size_t wanted = (probeData ? planeBytes : 0) + units * kQvfBytesPerUnit;
  const std::uint64_t offset = kQvfHeaderSize + (probeData ? 0 : planeBytes);
  const auto allocationFailed = [] {
    ArrayMessage("    Allocation failed in CHIP_DATA::ReadExisting", 0, kLogRed);
    return false;
  };
  // The tables pass through the object's buffer, kept for its next array, so that reading
  // a group neither allocates nor clears megabytes per array.
  platform::ByteBuffer& tables = mReadBytes;
  try {
    tables.resize(wanted);
  } catch (const std::bad_alloc&) {
    return allocationFailed();
  }
  if (file.ReadAt(offset, tables.data(), wanted) != wanted) {
    ArrayMessage(MessageBuffer("  Reading '%s' failed", path.c_str()), 0, kLogRed);
    return false;
  }
  try {
    calls.resize(units);
    triples.resize(units);
    plane1.resize(probeData ? cells : 0);
    plane2.resize(probeData ? cells : 0);
  } catch (const std::bad_alloc&) {
    return allocationFailed();
  }
  // The tables are decoded straight into the object, whose memory a group's next array
  // reuses.
  static_cast<QvfHeader&>(*this) = std::move(header);
  platform::ByteReader reader(std::span<const std::uint8_t>(tables.data(), wanted));
  bool read = !probeData || (ReadPlane(reader, plane1) && ReadPlane(reader, plane2));
  // The calls and triples are what remains of the bytes read, decoded without a bounds
  // check per field.
  read = read && reader.Remaining() == units * kQvfBytesPerUnit;
  if (read && units > 0) {
    const std::uint8_t* in = reader.Rest().data();
    std::memcpy(calls.data(), in, units);
    in += units;
    if constexpr (kTriplesLieAsWritten) {
      std::memcpy(static_cast<void*>(triples.data()), in, units * sizeof(VALUE_TRIPLE));
    } else {
      for (VALUE_TRIPLE& triple : triples) {
        triple.value = platform::LoadF32(in);
        triple.stdErr = platform::LoadF32(in + 4);
        triple.outlier = static_cast<std::int32_t>(platform::LoadU32(in + 8));
        in += 12;
      }
    }
  }
  assert(read && "the bytes read hold every table wanted");
  dataPath = path;
  return read;
}

bool FuzzReadExisting(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz.qvf", [](const std::string& path) {
    CHIP_DATA chip;
    const bool saved = ProbeLevelFlag;
    ProbeLevelFlag = true;
    const bool read = chip.ReadExisting(path.c_str(), false, false);
    ProbeLevelFlag = saved;
    return read;
  });
}
