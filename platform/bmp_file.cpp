// Device-independent bitmap blocks, BMP files and their reading.
#include "platform/bmp_file.hpp"

#include <array>

#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"

namespace platform {

std::uint64_t DibRowBytes(std::uint64_t width, unsigned bitCount) {
  return (width * bitCount + 31) / 32 * 4;
}

std::optional<std::vector<std::uint8_t>> MakeDibBlock(int width, int height,
                                                      std::span<const std::uint8_t> rgb) {
  if (width <= 0 || height <= 0) return std::nullopt;
  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  if (rgb.size() < w * h * 3) return std::nullopt;
  const std::uint64_t rowBytes = DibRowBytes(w, 24);
  const std::uint64_t imageBytes = rowBytes * h;
  if (kDibHeaderSize + imageBytes > kMaxDibBytes) return std::nullopt;

  ByteWriter header;
  header.WriteUInt32(kDibHeaderSize);
  header.WriteInt32(width);
  header.WriteInt32(height);
  header.WriteUInt16(1);   // planes
  header.WriteUInt16(24);  // bits per pixel
  header.WriteUInt32(kDibCompressionNone);
  header.WriteUInt32(static_cast<std::uint32_t>(imageBytes));
  header.WriteZeros(16);  // resolutions, colours used and important

  std::vector<std::uint8_t> block(kDibHeaderSize + imageBytes, 0);
  std::copy(header.Bytes().begin(), header.Bytes().end(), block.begin());
  // Rows go bottom-up, each pixel blue, green, red; padding stays zero.
  for (std::uint64_t y = 0; y < h; ++y) {
    const std::uint8_t* source = rgb.data() + (h - 1 - y) * w * 3;
    std::uint8_t* row = block.data() + kDibHeaderSize + y * rowBytes;
    for (std::uint64_t x = 0; x < w; ++x) {
      row[3 * x] = source[3 * x + 2];
      row[3 * x + 1] = source[3 * x + 1];
      row[3 * x + 2] = source[3 * x];
    }
  }
  return block;
}

std::vector<std::uint8_t> BmpFileBytes(std::span<const std::uint8_t> dib) {
  std::uint32_t headerSize = kDibHeaderSize;
  unsigned bitCount = 24;
  if (dib.size() >= kDibHeaderSize) {
    headerSize = LoadU32(dib.data());
    bitCount = LoadU16(dib.data() + 14);
  }
  const std::uint32_t paletteColours = bitCount <= 8 ? 1u << bitCount : 0;
  ByteWriter file;
  file.Reserve(kBmpFileHeaderSize + dib.size());
  file.WriteText("BM");
  file.WriteUInt32(static_cast<std::uint32_t>(dib.size() + kBmpFileHeaderSize));
  file.WriteUInt16(0);
  file.WriteUInt16(0);
  file.WriteUInt32(static_cast<std::uint32_t>(kBmpFileHeaderSize) + headerSize +
                   4 * paletteColours);
  file.WriteBytes(dib);
  return file.Bytes();
}

bool WriteDibFile(const std::string& path, std::span<const std::uint8_t> dib) {
  return WriteWholeFile(path, BmpFileBytes(dib));
}

namespace {

BmpPixels Failed(std::string status) {
  BmpPixels result;
  result.status = std::move(status);
  return result;
}

}  // namespace

BmpPixels DecodeBmp(std::span<const std::uint8_t> bytes) {
  ByteReader reader(bytes);
  std::uint8_t b = 0;
  std::uint8_t m = 0;
  if (!reader.ReadUInt8(b) || !reader.ReadUInt8(m) || b != 'B' || m != 'M')
    return Failed(kBmpNotValid);

  std::uint32_t fileSize = 0, pixelOffset = 0, headerSize = 0, compression = 0, imageSize = 0;
  std::uint32_t coloursUsed = 0, coloursImportant = 0;
  std::uint16_t reserved1 = 0, reserved2 = 0, planes = 0, bitCount = 0;
  std::int32_t width = 0, height = 0, xResolution = 0, yResolution = 0;
  const bool headerRead =
      reader.ReadUInt32(fileSize) && reader.ReadUInt16(reserved1) && reader.ReadUInt16(reserved2) &&
      reader.ReadUInt32(pixelOffset) && reader.ReadUInt32(headerSize) && reader.ReadInt32(width) &&
      reader.ReadInt32(height) && reader.ReadUInt16(planes) && reader.ReadUInt16(bitCount) &&
      reader.ReadUInt32(compression) && reader.ReadUInt32(imageSize) &&
      reader.ReadInt32(xResolution) && reader.ReadInt32(yResolution) &&
      reader.ReadUInt32(coloursUsed) && reader.ReadUInt32(coloursImportant);
  if (!headerRead) return Failed(kBmpHeaderReadError);
  if (compression != kDibCompressionNone) return Failed(kBmpCompressed);
  // Top-down blocks (negative heights) are never written and not read.
  if (width <= 0 || height <= 0) return Failed(kBmpNotValid);
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return Failed(kBmpUnsupportedBits);

  std::array<std::uint8_t, 256 * 3> palette{};
  std::size_t position = kBmpFileHeaderSize + kDibHeaderSize;
  if (bitCount <= 8) {
    if (coloursUsed == 0) coloursUsed = 1u << bitCount;
    if (coloursUsed > 256) return Failed(kBmpCorruptPalette);
    for (std::uint32_t i = 0; i < coloursUsed; ++i) {
      std::array<std::uint8_t, 4> entry{};
      if (!reader.ReadBytes(4, entry)) return Failed(kBmpHeaderReadError);
      palette[3 * i] = entry[2];
      palette[3 * i + 1] = entry[1];
      palette[3 * i + 2] = entry[0];
    }
    position += 4 * static_cast<std::size_t>(coloursUsed);
  }
  if (position > pixelOffset) return Failed(kBmpCorruptPalette);

  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  const std::uint64_t rowBytes = DibRowBytes(w, bitCount);
  // Every row must be in the file before the picture is allocated.
  if (pixelOffset > bytes.size() || rowBytes * h > bytes.size() - pixelOffset)
    return Failed(kBmpPixelReadError);

  BmpPixels result;
  result.width = static_cast<unsigned>(width);
  result.height = static_cast<unsigned>(height);
  result.rgb.resize(w * h * 3);
  for (std::uint64_t y = 0; y < h; ++y) {
    const std::uint8_t* row = bytes.data() + pixelOffset + y * rowBytes;
    std::uint8_t* out = result.rgb.data() + (h - 1 - y) * w * 3;
    for (std::uint64_t x = 0; x < w; ++x, out += 3) {
      switch (bitCount) {
        case 24:
        case 32: {
          const std::uint8_t* pixel = row + x * (bitCount / 8);
          out[0] = pixel[2];
          out[1] = pixel[1];
          out[2] = pixel[0];
          break;
        }
        case 16: {
          const unsigned value = LoadU16(row + 2 * x);
          out[0] = static_cast<std::uint8_t>(((value >> 10) & 31) * 255 / 31);
          out[1] = static_cast<std::uint8_t>(((value >> 5) & 31) * 255 / 31);
          out[2] = static_cast<std::uint8_t>((value & 31) * 255 / 31);
          break;
        }
        default: {
          // Pixels of 1, 4 or 8 bits, the first in the high bits of each byte.
          const std::uint64_t bit = x * bitCount;
          const unsigned shift = 8 - bitCount - static_cast<unsigned>(bit % 8);
          const unsigned index = (row[bit / 8] >> shift) & ((1u << bitCount) - 1);
          out[0] = palette[3 * index];
          out[1] = palette[3 * index + 1];
          out[2] = palette[3 * index + 2];
          break;
        }
      }
    }
  }
  return result;
}

bool FuzzReadBmpFile(const std::uint8_t* data, std::size_t size) {
  return DecodeBmp(std::span<const std::uint8_t>(data, size)).status == kBmpStatusOk;
}

BmpPixels ReadBmpFile(const std::string& path) {
  const std::optional<ByteBuffer> bytes = ReadWholeFile(path, kMaxBmpFileBytes);
  if (!bytes) return Failed(std::string(kBmpCannotOpen) + path);
  return DecodeBmp(std::span<const std::uint8_t>(bytes->data(), bytes->size()));
}

}  // namespace platform
